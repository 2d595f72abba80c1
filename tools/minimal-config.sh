#!/bin/bash
# Writes the least configuration file a hidden run needs (no asset server, no
# log) as <folder>/kestrova.cfg, unless one is there.
#   minimal-config.sh <folder>
set -euo pipefail
[ -f "$1/kestrova.cfg" ] && exit 0
cat >"$1/kestrova.cfg" <<'CFG'
<?xml version="1.0" encoding="UTF-8"?>
<Kestrova><Ondelmark user="" pwd="" server="" port="80" db=""/><Logging logerrors="0" lognameoption="1" logpath=""/></Kestrova>
CFG
