#pragma once
// Socket buffer sizes shared by the datagram engines (UDP and ICMP).
#include <winsock2.h>
#include <windows.h>

// Stores size as the receive-buffer size and applies it to an open socket.
// When the socket refuses it, the size it really has is read back into *size
// and the Winsock code is returned; otherwise 0.
[[nodiscard]] int ApplyInBufferSize(SOCKET socket, int* size);
