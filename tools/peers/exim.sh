#!/bin/bash
# A private exim4 (Debian exim4-daemon-light) on 127.0.0.1:<port>, run in the
# current folder (the peer's state folder): a real mail server that takes
# mail for kes.test (or any address once authenticated) and delivers it to
# the maildir mail/inbox/new/. AUTH PLAIN, LOGIN and CRAM-MD5 for
# "alice"/"wonder"; EHLO offers PIPELINING and 8BITMIME among the rest.
#   exim.sh <port>
set -euo pipefail
port=$1
state=$(pwd)
mkdir -p spool mail/inbox log
chown Debian-exim: spool mail mail/inbox log
cat >exim.conf <<CONF
primary_hostname = mx.kes.test
spool_directory = $state/spool
log_file_path = $state/log/%slog
keep_environment =
pid_file_path = $state/exim.pid
exim_user = Debian-exim
exim_group = Debian-exim
never_users = root
local_interfaces = <; 127.0.0.1
daemon_smtp_ports = $port
domainlist local_domains = kes.test
acl_smtp_rcpt = acl_check_rcpt
acl_smtp_data = acl_check_data
auth_advertise_hosts = *
host_lookup =
rfc1413_hosts =
message_size_limit = 0
begin acl
acl_check_rcpt:
  accept domains = +local_domains
  accept authenticated = *
  deny message = relay not permitted
acl_check_data:
  accept
begin routers
local_users:
  driver = accept
  domains = +local_domains
  transport = to_maildir
begin transports
to_maildir:
  driver = appendfile
  directory = $state/mail/inbox
  maildir_format
  user = Debian-exim
  group = Debian-exim
  mode = 0644
  create_directory
begin retry
*   *   F,1m,1m
begin authenticators
plain:
  driver = plaintext
  public_name = PLAIN
  server_prompts = :
  server_condition = \${if and {{eq{\$auth2}{alice}}{eq{\$auth3}{wonder}}}}
  server_set_id = \$auth2
login:
  driver = plaintext
  public_name = LOGIN
  server_prompts = Username:: : Password::
  server_condition = \${if and {{eq{\$auth1}{alice}}{eq{\$auth2}{wonder}}}}
  server_set_id = \$auth1
cram:
  driver = cram_md5
  public_name = CRAM-MD5
  server_secret = \${if eq{\$auth1}{alice}{wonder}fail}
  server_set_id = \$auth1
CONF
exec /usr/sbin/exim4 -C "$state/exim.conf" -bdf -q30m -oX "$port"
