#!/bin/bash
# Installs every Debian package that the build and the tests need.
# Quiet and quick when everything is already there.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ clang libclang-rt-14-dev clang-format
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
    libboost-dev googletest libbenchmark-dev libssl-dev
    # reading the shipped binaries' debug information through their debug links
    gdb
    # independent coders the mail tests and benchmarks compare with
    libgmime-3.0-dev uudeview
    # benchmark peers
    libexpat1-dev libpugixml-dev fusioninventory-agent traceroute time
    # test peers
    python3-spyne python3-aiosmtpd exim4-daemon-light
    # running and testing the Windows programs
    wine wine64 libwine fonts-wine xvfb xauth x11-utils imagemagick procps util-linux
    # peers of the HTTP and firewall tests, and the download benchmark's yardstick
    python3 apache2 tinyproxy dante-server microsocks curl
    # a private network namespace for each test run (tools/in-netns.sh)
    iproute2
    # internal echo, daytime and chargen services for the TCP client tests
    openbsd-inetd
    # drawing the program's icons and pictures from their SVG sources (resources/art)
    librsvg2-bin fonts-dejavu-core
    # looking at rendered report pages (tools/report-screenshots.sh)
    chromium
    # the directory behind the user lookup tests and the LDAP component's tests and benchmark
    slapd ldap-utils
    # the Telnet component's peer (under openbsd-inetd), with openssl to hash its test user's password
    inetutils-telnetd openssl
    # peers of the DNS, MX, TFTP and SysLog tests (logger comes with bsdutils),
    # and the clients their benchmarks compare with
    bind9 bind9-dnsutils dnsmasq-base tftpd-hpa tftp-hpa rsyslog bsdutils python3-dnspython
    # the SNMP agent, trap receiver and command-line managers of the SNMP tests and benchmark
    snmpd snmptrapd snmp
    # the second WebDAV server of the WebDAV tests
    lighttpd lighttpd-mod-webdav
    # the IMAP and POP3 server behind the mail client tests
    dovecot-imapd dovecot-pop3d
    # the news server of the NNTP tests (see below), and the Perl libraries the
    # SNPP and SMPP peers are written on
    inn2 libnet-snpp-perl libnet-smpp-perl
    # the FTP servers of the FTP tests, and what the second one (vsftpd, below) links
    pure-ftpd libwrap0 libseccomp2 libcap2 libpam-modules python3-pyftpdlib
    # rshd and rexecd for the Rshell, Rexec and RCP tests, and the rcp client of their benchmark;
    # openssl makes the password hashes of the FTP and rsh test users
    rsh-server rsh-client openssl
    # the XMPP servers of the XMPP tests, and the second party and yardstick of its benchmark
    ejabberd prosody python3-slixmpp
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    $sudo apt-get update -qq
    apt_install() {
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
            -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold "$@" >/dev/null
    }
    # inn2's set-up fails unless inn.conf (from inn2-inews) names the domain first.
    if [[ " ${missing[*]} " == *" inn2 "* ]]; then
        apt_install inn2-inews
        if ! grep -q '^domain:' /etc/news/inn.conf; then
            $sudo sed -i 's/^#*domain:.*/domain: kes.test/' /etc/news/inn.conf
            grep -q '^domain:' /etc/news/inn.conf || echo 'domain: kes.test' | $sudo tee -a /etc/news/inn.conf >/dev/null
        fi
    fi
    apt_install "${missing[@]}"
fi

# vsftpd, the second FTP server of the tests, conflicts with pure-ftpd (both
# provide ftp-server): its package is unpacked into build/debs/vsftpd instead
# of installed, and tools/peers/vsftpd.sh runs it from there.
debs="$(cd "$(dirname "$0")/.." && pwd)/build/debs"
if [ ! -x "$debs/vsftpd/usr/sbin/vsftpd" ]; then
    echo "setup: unpacking vsftpd into $debs/vsftpd"
    mkdir -p "$debs"
    if ! (cd "$debs" && apt-get download vsftpd >/dev/null 2>&1); then
        $sudo apt-get update -qq
        (cd "$debs" && apt-get download vsftpd >/dev/null 2>&1)
    fi
    rm -rf "$debs/vsftpd"
    dpkg-deb -x "$(ls "$debs"/vsftpd_*.deb | head -n 1)" "$debs/vsftpd"
fi
