#!/bin/bash
# vsftpd on 127.0.0.1:<port> with its state in the current folder: the local
# user "kesuser" (password "wonder", home ./home) exists only in a private
# mount namespace, where copies of passwd, shadow and group that name him
# stand for the system's; a banner of three lines; passive data ports
# <low>..<high>; uploads, renames and deletions allowed. vsftpd conflicts
# with the installed pure-ftpd (both provide ftp-server), so it runs from the
# folder tools/setup.sh unpacked its package into; its PAM service file
# joins a copy of /etc/pam.d in the namespace.
#   vsftpd.sh <unpacked package folder> <port> <low> <high>
set -euo pipefail
package=$1
port=$2
low=$3
high=$4
state=$(pwd)
mkdir -p etc home empty
cp /etc/passwd /etc/shadow /etc/group etc/
cp -r /etc/pam.d etc/pam.d
cp "$package/etc/pam.d/vsftpd" etc/pam.d/vsftpd
echo "kesuser:x:1999:1999:kes test:$state/home:/bin/sh" >>etc/passwd
echo "kesuser:$(openssl passwd -6 wonder):19000:0:99999:7:::" >>etc/shadow
echo "kesuser:x:1999:" >>etc/group
chown 1999:1999 home
printf 'Kestrova test server.\nSecond line of the banner.\n220 A line that looks like the end.\n' >banner
cat >vsftpd.conf <<CONF
listen=YES
listen_address=127.0.0.1
listen_port=$port
background=NO
anonymous_enable=NO
local_enable=YES
write_enable=YES
local_umask=022
pasv_enable=YES
pasv_min_port=$low
pasv_max_port=$high
pasv_address=127.0.0.1
port_enable=YES
connect_from_port_20=NO
banner_file=$state/banner
secure_chroot_dir=$state/empty
pam_service_name=vsftpd
seccomp_sandbox=NO
xferlog_enable=NO
use_localtime=NO
CONF
exec unshare -m sh -c "for f in passwd shadow group pam.d; do mount --bind '$state/etc/'\$f /etc/\$f; done; exec '$package/usr/sbin/vsftpd' '$state/vsftpd.conf'"
