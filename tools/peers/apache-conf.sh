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
