# A multicast peer for the MCast tests inside the test's network namespace:
# joins 239.255.42.99 on 198.18.1.2, port 20811, and answers each datagram
# with "echo:" and the datagram, sent straight back to its source. Ends by
# itself after five minutes.
import socket
import struct
import time

GROUP, PORT, INTERFACE = "239.255.42.99", 20811, "198.18.1.2"
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("", PORT))
s.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
             struct.pack("4s4s", socket.inet_aton(GROUP), socket.inet_aton(INTERFACE)))
s.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton(INTERFACE))
end = time.time() + 300
while time.time() < end:
    s.settimeout(max(0.1, end - time.time()))
    try:
        data, source = s.recvfrom(65536)
    except socket.timeout:
        break
    s.sendto(b"echo:" + data, source)
