#include "netcomp/core/tcp/SocketBuffers.h"

#include "netcomp/core/framework/WinsockBinding.h"

int ApplyInBufferSize(SOCKET socket, int* size)
{
    if (socket == INVALID_SOCKET)
        return 0;
    if (Ws().setsockopt(socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(size), sizeof *size) == 0)
        return 0;
    const int error = Ws().WSAGetLastError();
    int actual = 0;
    int length = sizeof actual;
    if (Ws().getsockopt(socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&actual), &length) == 0)
        *size = actual;
    return error;
}
