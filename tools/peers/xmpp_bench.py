# The yardstick of the XMPP benchmark: two slixmpp clients (Debian's
# python3-slixmpp) logged in to the same server, the first sending <count>
# chat messages to the second as fast as it can, timed from the first send
# to the last message received. Plain TCP on the loopback, no TLS.
#   /usr/bin/python3 xmpp_bench.py <port> <domain> <sender> <receiver> <password> <count>
# Prints "slixmpp-messages <seconds> received=<n> peak-kb=<kb>".
import asyncio
import logging
import resource
import sys
import time

import slixmpp

port, domain, sender, receiver, password, count = sys.argv[1:7]
port, count = int(port), int(count)
logging.disable(logging.CRITICAL)


def client(user):
    c = slixmpp.ClientXMPP(f"{user}@{domain}/bench", password)
    c["feature_mechanisms"].unencrypted_plain = True
    c.enable_starttls = False
    c.enable_direct_tls = False
    return c


async def main():
    loop = asyncio.get_running_loop()
    a, b = client(sender), client(receiver)
    ready = {name: loop.create_future() for name in ("a", "b")}
    done = loop.create_future()
    state = {"received": 0, "end": 0.0}

    async def started(name, c):
        c.send_presence()
        await c.get_roster()
        ready[name].set_result(True)

    def message(msg):
        if msg["type"] in ("chat", "normal"):
            state["received"] += 1
            if state["received"] == count and not done.done():
                state["end"] = time.perf_counter()
                done.set_result(True)

    a.add_event_handler("session_start", lambda _: asyncio.ensure_future(started("a", a)))
    b.add_event_handler("session_start", lambda _: asyncio.ensure_future(started("b", b)))
    b.add_event_handler("message", message)
    for c in (a, b):
        c.connect(("127.0.0.1", port))
    await asyncio.wait_for(asyncio.gather(*ready.values()), 30)
    to = f"{receiver}@{domain}/bench"
    start = time.perf_counter()
    for i in range(count):
        a.send_message(mto=to, mbody=f"Message {i} of the benchmark", mtype="chat")
    await asyncio.wait_for(done, 120)
    seconds = state["end"] - start
    for c in (a, b):
        c.disconnect()
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    print(f"slixmpp-messages {seconds:.4f} received={state['received']} peak-kb={peak}")


asyncio.run(main())
