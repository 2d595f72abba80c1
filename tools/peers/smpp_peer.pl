#!/usr/bin/perl
# An SMPP message centre on 127.0.0.1:<port> on Debian's Net::SMPP. Binds as
# transmitter, receiver or transceiver for system_id "kes", password
# "secret" (any interface version; each bind is logged to ./binds.log as
# "system_id|version in hex"). Per connection it keeps the messages it took:
#   submit_sm     a message id; "throttle me" is refused with 0x58; a
#                 receipt (deliver_sm) follows when registered_delivery asks
#   submit_multi  a message id; destinations that begin with 999 fail (0x0B)
#   data_sm       a message id for the message_payload
#   query_sm      state 1 (en route) with no final date, or 3 (deleted) with
#                 the final date of its cancellation; unknown ids 0x67
#   cancel_sm     deletes; unknown or deleted ids 0x11
#   replace_sm    replaces the text; unknown or deleted ids 0x12
#   enquire_link, unbind
# Every message taken is logged to ./messages.log as
# "command|id|source|destination(s)|data_coding|text in hex", before the
# response goes, so a client that has its answer finds the line there.
#   smpp_peer.pl <port>
use strict;
use warnings;
use Net::SMPP;
my $port = shift or die "usage: $0 port\n";
my $l = Net::SMPP->new_listen('127.0.0.1', port => $port, smpp_version => 0x34) or die "listen: $!";
$SIG{CHLD} = 'IGNORE';
open(my $r, '>', 'ready');
close $r;
while (1) {
    my $c = $l->accept or next;
    if (fork() == 0) {
        serve($c);
        exit 0;
    }
    close $c;
}

sub append {
    my ($file, $line) = @_;
    open(my $fh, '>>', $file) or return;
    binmode $fh;
    print $fh "$line\n";
    close $fh;
}

sub serve {
    my $c = shift;
    my $bound = 0;
    my $n = 0;
    my %messages;    # id -> [state, text]
    my $new_id = sub { return sprintf('%d%04d', $$, ++$n) };
    while (my $pdu = $c->read_pdu()) {
        my ($cmd, $seq) = ($pdu->{cmd}, $pdu->{seq});
        if ($cmd == Net::SMPP::CMD_bind_transmitter || $cmd == Net::SMPP::CMD_bind_receiver
            || $cmd == Net::SMPP::CMD_bind_transceiver) {
            my $ok = ($pdu->{system_id} // '') eq 'kes' && ($pdu->{password} // '') eq 'secret';
            append('binds.log', sprintf('%s|%x', $pdu->{system_id} // '', $pdu->{interface_version} // 0));
            my %resp = (seq => $seq, system_id => 'KESSMSC', status => $ok ? 0 : 0x0E);
            if ($cmd == Net::SMPP::CMD_bind_transmitter) { $c->bind_transmitter_resp(%resp) }
            elsif ($cmd == Net::SMPP::CMD_bind_receiver) { $c->bind_receiver_resp(%resp) }
            else { $c->bind_transceiver_resp(%resp) }
            $bound = $ok;
        } elsif ($cmd == Net::SMPP::CMD_enquire_link) {
            $c->enquire_link_resp(seq => $seq);
        } elsif ($cmd == Net::SMPP::CMD_unbind) {
            $c->unbind_resp(seq => $seq);
            last;
        } elsif (!$bound) {
            $c->generic_nack(seq => $seq, status => 0x04);
        } elsif ($cmd == Net::SMPP::CMD_submit_sm) {
            my $text = $pdu->{short_message} // '';
            if ($text eq 'throttle me') {
                $c->submit_sm_resp(seq => $seq, message_id => '', status => 0x58);
                next;
            }
            my $mid = $new_id->();
            $messages{$mid} = [1, $text];
            append('messages.log', join('|', 'submit_sm', $mid, $pdu->{source_addr}, $pdu->{destination_addr},
                $pdu->{data_coding}, unpack('H*', $text)));
            $c->submit_sm_resp(seq => $seq, message_id => $mid);
            if (($pdu->{registered_delivery} // 0) & 1) {
                $c->deliver_sm(source_addr => $pdu->{destination_addr}, destination_addr => $pdu->{source_addr},
                    esm_class => 0x04, async => 1,
                    short_message => "id:$mid sub:001 dlvrd:001 submit date:2612070000 done date:2612070000 stat:DELIVRD err:000 text:");
            }
        } elsif ($cmd == Net::SMPP::CMD_submit_multi) {
            my $mid = $new_id->();
            my $text = $pdu->{short_message} // '';
            $messages{$mid} = [1, $text];
            my @dests = @{$pdu->{destination_addr} // []};
            my @failed = grep { /^999/ } @dests;
            append('messages.log', join('|', 'submit_multi', $mid, $pdu->{source_addr}, join(',', @dests),
                $pdu->{data_coding}, unpack('H*', $text)));
            $c->submit_multi_resp(seq => $seq, message_id => $mid, destination_addr => [@failed],
                dest_addr_ton => [map { 1 } @failed], dest_addr_npi => [map { 1 } @failed],
                # (the library wants a status even when no destination failed)
                error_status_code => [@failed ? (map { 0x0B } @failed) : 0]);
        } elsif ($cmd == Net::SMPP::CMD_data_sm) {
            my $mid = $new_id->();
            my $data = $pdu->{message_payload} // '';
            $messages{$mid} = [1, $data];
            append('messages.log', join('|', 'data_sm', $mid, $pdu->{source_addr}, $pdu->{destination_addr},
                $pdu->{data_coding}, unpack('H*', $data)));
            $c->data_sm_resp(seq => $seq, message_id => $mid);
        } elsif ($cmd == Net::SMPP::CMD_query_sm) {
            my $m = $messages{$pdu->{message_id} // ''};
            if (!$m) {
                $c->query_sm_resp(seq => $seq, message_id => '', message_state => 0, status => 0x67);
            } else {
                $c->query_sm_resp(seq => $seq, message_id => $pdu->{message_id}, message_state => $m->[0],
                    error_code => 0, final_date => $m->[0] == 3 ? '261207000000000+' : '');
            }
        } elsif ($cmd == Net::SMPP::CMD_cancel_sm) {
            my $m = $messages{$pdu->{message_id} // ''};
            if (!$m || $m->[0] == 3) {
                $c->cancel_sm_resp(seq => $seq, status => 0x11);
            } else {
                $m->[0] = 3;
                $c->cancel_sm_resp(seq => $seq);
            }
        } elsif ($cmd == Net::SMPP::CMD_replace_sm) {
            my $m = $messages{$pdu->{message_id} // ''};
            if (!$m || $m->[0] == 3) {
                $c->replace_sm_resp(seq => $seq, status => 0x12);
            } else {
                $m->[1] = $pdu->{short_message} // '';
                append('messages.log', join('|', 'replace_sm', $pdu->{message_id}, $pdu->{source_addr}, '', '',
                    unpack('H*', $m->[1])));
                $c->replace_sm_resp(seq => $seq);
            }
        } elsif ($cmd == Net::SMPP::CMD_deliver_sm_resp) {
        } else {
            $c->generic_nack(seq => $seq, status => 0x03);
        }
    }
    close $c;
}
