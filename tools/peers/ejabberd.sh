#!/bin/bash
# A private ejabberd (Debian ejabberd) for the XMPP tests, run in the current
# folder (the peer's state folder): the domain localhost with client
# connections on 127.0.0.1:<port>, no TLS, the legacy jabber:iq:auth login
# (password and digest), rosters and in-band registration open to anyone.
# Users alice, bob and dave (password "wonder") exist; the file "ready"
# appears once they do.
#   ejabberd.sh <port>            (runs until stopped)
#   ejabberd.sh --stop            (ends the node and its epmd)
set -euo pipefail
state=$(pwd)
export ERL_EPMD_ADDRESS=127.0.0.1
ctl() {
    /usr/sbin/ejabberdctl --config "$state/ejabberd.yml" --ctl-config "$state/ejabberdctl.cfg" \
        --logs "$state/logs" --spool "$state/spool" --node kes@localhost "$@"
}
if [ "$1" = --stop ]; then
    ctl stop >/dev/null 2>&1 || true
    ctl stopped >/dev/null 2>&1 || true
    epmd -kill >/dev/null 2>&1 || true
    exit 0
fi
port=$1
mkdir -p logs spool
cat >ejabberd.yml <<CONF
hosts:
  - localhost
loglevel: warning
certfiles: []
listen:
  -
    port: $port
    ip: "127.0.0.1"
    module: ejabberd_c2s
    starttls: false
    max_stanza_size: 262144
    shaper: none
auth_method: internal
registration_timeout: infinity
auth_password_format: plain
shaper_rules:
  c2s_shaper: none
acl:
  local:
    user_regexp: ""
access_rules:
  register:
    allow: all
  local:
    allow: local
modules:
  mod_legacy_auth: {}
  mod_roster: {}
  mod_register:
    access: register
    ip_access: all
    password_strength: 0
  mod_disco: {}
  mod_ping: {}
  mod_version: {}
CONF
cat >ejabberdctl.cfg <<CONF
ERLANG_NODE=kes@localhost
INET_DIST_INTERFACE=127.0.0.1
ERL_EPMD_ADDRESS=127.0.0.1
CONF
chown -R ejabberd: "$state"
ctl foreground &
node=$!
trap 'kill $node 2>/dev/null' EXIT
for _ in $(seq 1 300); do
    kill -0 $node 2>/dev/null || exit 1
    ctl status >/dev/null 2>&1 && break
    sleep 0.1
done
for user in alice bob dave; do
    ctl register "$user" localhost wonder >/dev/null
done
touch ready
trap - EXIT
wait $node
