#!/bin/bash
# A small directory of users for the lookup tests: slapd on 127.0.0.1:<port>,
# with its configuration and database in the current (state) folder. The
# schema adds the few account attributes that a domain's directory has and
# OpenLDAP's standard schema lacks, so the lookup's filter means the same.
# Anyone may read (passwords aside); the administrator cn=admin,dc=kes,dc=test
# (password "secret") and each user with a userPassword may bind, the
# administrator writes anything and a user its own entry. LDAPv2 binds are
# allowed, the sssvlv overlay sorts results (and pages sorted ones), and
# searches are not cut at a size limit.
#   directory.sh <port> <ldif>
set -euo pipefail
port=$1
users=$2
here=$(pwd)
mkdir -p db
cat >account.schema <<'EOF'
attributetype ( 1.3.6.1.4.1.55555.1.1 NAME 'sAMAccountName'
    EQUALITY caseIgnoreMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.15 SINGLE-VALUE )
attributetype ( 1.3.6.1.4.1.55555.1.2 NAME 'objectCategory'
    EQUALITY caseIgnoreMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.15 SINGLE-VALUE )
attributetype ( 1.3.6.1.4.1.55555.1.3 NAME 'company'
    EQUALITY caseIgnoreMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.15 SINGLE-VALUE )
attributetype ( 1.3.6.1.4.1.55555.1.4 NAME 'department'
    EQUALITY caseIgnoreMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.15 SINGLE-VALUE )
objectclass ( 1.3.6.1.4.1.55555.2.1 NAME 'user' SUP inetOrgPerson STRUCTURAL
    MAY ( sAMAccountName $ objectCategory $ company $ department $ generationQualifier ) )
EOF
cat >slapd.conf <<EOF
include /etc/ldap/schema/core.schema
include /etc/ldap/schema/cosine.schema
include /etc/ldap/schema/inetorgperson.schema
include $here/account.schema
pidfile $here/slapd.pid
argsfile $here/slapd.args
allow bind_v2
modulepath /usr/lib/ldap
moduleload back_mdb
moduleload sssvlv
database mdb
maxsize 104857600
suffix "dc=kes,dc=test"
rootdn "cn=admin,dc=kes,dc=test"
rootpw secret
directory $here/db
sizelimit unlimited
overlay sssvlv
access to attrs=userPassword by self write by anonymous auth by * none
access to * by self write by * read
EOF
/usr/sbin/slapadd -f slapd.conf -l "$users"
exec /usr/sbin/slapd -h "ldap://127.0.0.1:$port/" -f slapd.conf -d 0
