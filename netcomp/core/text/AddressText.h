#pragma once
// The dotted text of an IPv4 address, shared by every engine that shows one.
// No Windows header: the address is the four bytes in network order.
#include <cstdint>
#include <string>

// "a.b.c.d" from the four address bytes as they travel on the wire.
std::string DottedAddress(const std::uint8_t bytes[4]);

// The same from the 32-bit value that Winsock keeps in network order
// (in_addr.s_addr, the results of inet_addr and of IcmpSendEcho).
std::string DottedAddress(std::uint32_t networkOrder);
