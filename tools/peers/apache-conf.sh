# Sourced by the apache2 peers: apache_conf <port> <module>... prints the
# head of an httpd.conf for a private server in the current folder (the
# peer's state folder) on 127.0.0.1:<port>, serving www/, with the event MPM,
# the authentication and MIME modules and the named extra modules loaded.
apache_conf() {
    local port=$1 state mods=/usr/lib/apache2/modules module
    shift
    state=$(pwd)
    cat <<CONF
ServerRoot "$state"
ServerName 127.0.0.1
Listen 127.0.0.1:$port
PidFile $state/run/httpd.pid
DefaultRuntimeDir $state/run
Mutex file:$state/run default
ErrorLog $state/logs/error.log
LogLevel warn
CONF
    for module in mpm_event authz_core authn_core authn_file authz_user mime "$@"; do
        echo "LoadModule ${module}_module $mods/mod_$module.so"
    done
    cat <<CONF
TypesConfig /etc/mime.types
DocumentRoot "$state/www"
<Directory "$state/www">
    Require all granted
</Directory>
CONF
}

# apache_dav_folder prints the configuration of www/dav/ as a WebDAV folder
# (locks in lock/) behind Basic authentication, user "alice", password
# "wonder", and makes that folder, lock/ and the password file.
apache_dav_folder() {
    local state
    state=$(pwd)
    mkdir -p www/dav lock
    # The server's own user writes here, whoever that is.
    chmod -R a+rwX www/dav lock
    printf 'alice:%s\n' "$(openssl passwd -apr1 wonder)" >basic.users
    cat <<CONF
DavLockDB "$state/lock/davlock"
<Directory "$state/www/dav">
    Dav On
    AuthType Basic
    AuthName "kestrova dav"
    AuthUserFile "$state/basic.users"
    Require valid-user
</Directory>
CONF
}
