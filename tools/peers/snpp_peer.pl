#!/usr/bin/perl
# An SNPP server (RFC 1861) on 127.0.0.1:<port> on Debian's Net::SNPP::Server.
# Each page sent is appended to ./pages.log as one line
# "pager|pin|field=value;..." with line breaks inside values written as \n;
# each CALL's caller id to ./calls.log. CALL and LOGI (alice/wonder) are added
# as custom commands; the library has neither.
#   snpp_peer.pl <port>
use strict;
use warnings;
use Net::SNPP::Server;
my $port = shift or die "usage: $0 port\n";
my $srv = Net::SNPP::Server->new(Port => $port, BindTo => '127.0.0.1', Timeout => 60, MaxErrors => 10)
    or die "listen: $!";
sub append {
    my ($file, $line) = @_;
    open(my $fh, '>>', $file) or return 0;
    binmode $fh;
    print $fh "$line\n";
    close $fh;
    return 1;
}
$srv->callback('write_log', sub { });
$srv->callback('process_page', sub {
    my ($pgr, $page) = @_;
    my @fields;
    for my $key (sort keys %$page) {
        my $value = ref $page->{$key} ? '' : ($page->{$key} // '');
        $value =~ s/\r/\\r/g;
        $value =~ s/\n/\\n/g;
        push @fields, "$key=$value";
    }
    return append('pages.log', join('|', $pgr->[0], $pgr->[1], join(';', @fields)));
});
$srv->custom_command('LOGI', sub {
    return (($_[0] // '') eq 'alice' && ($_[1] // '') eq 'wonder') ? ('250 Login OK', 1) : ('550 Error, Invalid login', 1);
});
$srv->custom_command('CALL', sub {
    return ('550 Error, Caller ID missing', 1) unless defined $_[0];
    append('calls.log', join(' ', @_));
    return ('250 Caller ID Accepted', 1);
});
$SIG{CHLD} = 'IGNORE';
open(my $r, '>', 'ready');
close $r;
while (1) {
    my $c = $srv->client() or next;
    my $pid = fork();
    if (defined $pid && $pid == 0) {
        $srv->handle_client($c);
        exit 0;
    }
    close $c;
}
