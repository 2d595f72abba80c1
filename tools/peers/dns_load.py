#!/usr/bin/python3
"""The DNS benchmark's yardstick: the same queries as the component's
benchmark (A for www.kes.test and MX for kes.test by turns), one after
another with dnspython against 127.0.0.1:<port>.
   dns_load.py <port> <count>
Prints "dnspython <seconds> <failures>"."""
import sys
import time

import dns.message
import dns.query

port, count = int(sys.argv[1]), int(sys.argv[2])
failures = 0
start = time.perf_counter()
for i in range(count):
    name, kind = ("kes.test", "MX") if i % 2 else ("www.kes.test", "A")
    answer = dns.query.udp(dns.message.make_query(name, kind), "127.0.0.1", port=port, timeout=5)
    if not answer.answer:
        failures += 1
print("dnspython %.3f %d" % (time.perf_counter() - start, failures))
