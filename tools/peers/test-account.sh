# The test account of the peers that log a user in (telnetd, vsftpd, rshd
# and rexecd): "kesuser", password "wonder", home /home/kesuser. It exists
# only in the peer's private mount namespace, where copies of passwd, shadow
# and group that name him stand for the system's and the state folder's
# home/ stands for /home, so the daemon finds his home whatever folders lie
# above the build tree and however its files were made. Each peer gives him
# a uid of its own: nothing one peer's sessions leave for a uid (processes,
# login records) meets another peer.
# Sourced by a peer script whose current folder is its state folder.
#   test_account <uid>       writes etc/ and home/kesuser (mode 755, his own)
#   test_account_mounts      the sh commands that put them in place, to run
#                            inside the namespace
test_account() {
    local uid=$1
    mkdir -p etc home/kesuser
    local f
    for f in passwd shadow group; do
        grep -v '^kesuser:' "/etc/$f" >"etc/$f" || true
    done
    echo "kesuser:x:$uid:$uid:kes test:/home/kesuser:/bin/sh" >>etc/passwd
    echo "kesuser:$(openssl passwd -6 wonder):19000:0:99999:7:::" >>etc/shadow
    echo "kesuser:x:$uid:" >>etc/group
    chmod 644 etc/passwd etc/group
    chmod 640 etc/shadow
    chmod 755 home home/kesuser
    chown -R "$uid:$uid" home/kesuser
}

test_account_mounts() {
    local state
    state=$(pwd)
    printf 'for f in passwd shadow group; do mount --bind "%s/etc/$f" "/etc/$f"; done; ' "$state"
    printf 'mount --bind "%s/home" /home; ' "$state"
}
