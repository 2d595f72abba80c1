#!/bin/bash
# A private dovecot (IMAP and POP3) on 127.0.0.1, run in the current folder
# (the peer's state folder), with plain-text passwords in a passwd-file (so
# that APOP and CRAM-MD5 work), the ACL plugin and maildirs filled by
# mail_fill.py. Failed logins are answered at once. Users: alice/wonder, bob/builder, pat/popword, dan/gone,
# eve with the password 'two words"q\' and, for the benchmark, bench/bench
# and big/big.
#   dovecot.sh <imap port> <pop3 port> [<bench messages> <bench KB> <big MB>]
set -euo pipefail
imap_port=$1
pop_port=$2
shift 2
state=$(pwd)
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p run mail
cat >users <<'USERS'
alice:{PLAIN}wonder::::::nopenalty
bob:{PLAIN}builder::::::nopenalty
pat:{PLAIN}popword::::::nopenalty
dan:{PLAIN}gone::::::nopenalty
eve:{PLAIN}two words"q\::::::nopenalty
bench:{PLAIN}bench::::::nopenalty
big:{PLAIN}big::::::nopenalty
USERS
/usr/bin/python3 "$here/mail_fill.py" "$state/mail" "$@"
chown -R mail: mail
cat >dovecot.conf <<CONF
protocols = imap pop3
listen = 127.0.0.1
base_dir = $state/run
state_dir = $state/run/state
instance_name = kes-dovecot-$imap_port
log_path = $state/dovecot.log
ssl = no
disable_plaintext_auth = no
auth_mechanisms = plain login cram-md5 apop
# Failed logins of one test must not slow the logins of the next (with
# nopenalty in the users file).
auth_failure_delay = 0
default_internal_user = dovecot
default_login_user = dovenull
mail_location = maildir:$state/mail/%u/Maildir
first_valid_uid = 1
mail_plugins = acl
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u $state/users
}
userdb {
  driver = static
  args = uid=mail gid=mail home=$state/mail/%u
}
plugin {
  acl = vfile
}
protocol imap {
  mail_plugins = \$mail_plugins imap_acl
}
protocol pop3 {
  pop3_uidl_format = %08Xu%08Xv
}
service imap-login {
  inet_listener imap {
    address = 127.0.0.1
    port = $imap_port
  }
  inet_listener imaps {
    port = 0
  }
}
service pop3-login {
  inet_listener pop3 {
    address = 127.0.0.1
    port = $pop_port
  }
  inet_listener pop3s {
    port = 0
  }
}
CONF
exec /usr/sbin/dovecot -F -c "$state/dovecot.conf"
