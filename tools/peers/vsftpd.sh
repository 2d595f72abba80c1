#!/bin/bash
# vsftpd on 127.0.0.1:<port> with its state in the current folder, in a
# private mount namespace with the test account kesuser
# (tools/peers/test-account.sh: password "wonder", home /home/kesuser, which
# is ./home/kesuser); a banner of three lines; passive data ports
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
. "$(dirname "$0")/test-account.sh"
test_account 1998
mkdir -p empty
cp -r /etc/pam.d etc/pam.d
cp "$package/etc/pam.d/vsftpd" etc/pam.d/vsftpd
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
exec unshare -m sh -c "$(test_account_mounts) mount --bind '$state/etc/pam.d' /etc/pam.d && \
exec '$package/usr/sbin/vsftpd' '$state/vsftpd.conf'"
