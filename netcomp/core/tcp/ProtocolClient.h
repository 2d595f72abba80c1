#pragma once
// A TCP client that sends files with progress, for the engines that upload.
#include "netcomp/core/tcp/TcpClient.h"

class ProtocolClient : public TcpClient {
public:
    static constexpr uint32_t kFileBlock = 16384;

    // Sends the file in blocks of kFileBlock bytes; with dotStuff a "." that
    // begins a line is doubled. 302 "Can't open file for reading." when it cannot be opened.
    [[nodiscard]] int SendFile(const char* path, bool dotStuff);

protected:
    // After each block: the file bytes sent so far; nonzero stops the upload.
    virtual int OnUploadProgress(int64_t) { return 0; }
};
