#!/bin/bash
# A private prosody (Debian prosody) for the XMPP tests, run in the current
# folder (the peer's state folder): the domain localhost with client
# connections on 127.0.0.1:<port>, no TLS, plain passwords allowed on the
# unencrypted stream (the legacy jabber:iq:auth login has no digest here),
# rosters and in-band registration open to anyone. Users alice, bob and
# dave (password "wonder") exist before it starts. Nagle is off: a stream
# error ends a connection whose input prosody left unread (a stanza too
# large), so its close is a reset, and a reset drops what the kernel still
# held back behind an unacknowledged stanza: with Nagle on, the error itself
# in about 1 run of 6, and the client then rightly sees a bare reset.
#   prosody.sh <port>
set -euo pipefail
port=$1
state=$(pwd)
mkdir -p data certs
cat >prosody.cfg.lua <<CONF
run_as_root = true
pidfile = "$state/prosody.pid"
data_path = "$state/data"
certificates = "$state/certs"
interfaces = { "127.0.0.1" }
c2s_ports = { $port }
s2s_ports = { }
component_ports = { }
http_ports = { }
https_ports = { }
c2s_require_encryption = false
s2s_require_encryption = false
allow_unencrypted_plain_auth = true
allow_registration = true
min_seconds_between_registrations = 0
authentication = "internal_plain"
log = { warn = "$state/prosody.log"; error = "$state/prosody.err" }
network_settings = { nagle = false }
modules_enabled = { "roster"; "saslauth"; "legacyauth"; "register"; "disco"; "ping"; "version"; "posix" }
modules_disabled = { "s2s"; "tls"; "offline" }
VirtualHost "localhost"
CONF
for user in alice bob dave; do
    prosodyctl --config "$state/prosody.cfg.lua" register "$user" localhost wonder
done
exec prosody --config "$state/prosody.cfg.lua" -F
