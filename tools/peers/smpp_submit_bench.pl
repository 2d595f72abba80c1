#!/usr/bin/perl
# A Perl Net::SMPP client on the work of bench/NewsSmsBench.cpp (submit), for
# tools/news-sms-bench.sh: binds as transmitter (3.4) to the message centre of
# tools/peers/smpp_peer.pl and submits <messages> messages, each waiting for
# its response, <rounds> times on one session.
#   smpp_submit_bench.pl <port> <messages> <rounds>
# Prints "submit <seconds> messages=<n>" per round.
use strict;
use warnings;
use Net::SMPP;
use Time::HiRes qw(time);
my ($port, $messages, $rounds) = @ARGV;
die "usage: $0 port messages rounds\n" unless $rounds;
my $smpp = Net::SMPP->new_transmitter('127.0.0.1', port => $port, system_id => 'kes', password => 'secret',
    smpp_version => 0x34) or die "bind: $!\n";
for my $round (1 .. $rounds) {
    my $sent = 0;
    my $start = time;
    for my $n (1 .. $messages) {
        my $resp = $smpp->submit_sm(destination_addr => '5551234', short_message => "Benchmark message $n")
            or die "submit_sm: no response\n";
        die "submit_sm: status $resp->{status}\n" if $resp->{status};
        ++$sent;
    }
    printf "submit %.3f messages=%d\n", time - $start, $sent;
}
$smpp->unbind();
