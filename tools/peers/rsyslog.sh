#!/bin/bash
# rsyslog receiving syslog over UDP and TCP on 127.0.0.1:<port>, writing every
# message to messages.log in the current folder as
# "source address|PRI|host name|tag|text". No local socket (/dev/log) is
# touched.
#   rsyslog.sh <port>
set -euo pipefail
port=$1
state=$(pwd)
cat >rsyslog.conf <<CONF
global(workDirectory="$state")
module(load="imudp")
module(load="imtcp")
input(type="imudp" address="127.0.0.1" port="$port")
input(type="imtcp" address="127.0.0.1" port="$port")
template(name="raw" type="string" string="%fromhost-ip%|%pri%|%hostname%|%syslogtag%|%msg%\n")
*.* action(type="omfile" file="$state/messages.log" template="raw")
CONF
exec /usr/sbin/rsyslogd -n -f "$state/rsyslog.conf" -i "$state/rsyslogd.pid"
