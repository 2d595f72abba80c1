#include "netcomp/core/tcp/ProtocolClient.h"

#include <memory>

#include "netcomp/core/framework/ResultCodes.h"

int ProtocolClient::SendFile(const char* path, bool dotStuff)
{
    FileHandle file;
    if (file.OpenRead(path ? path : "", 0) != 0) {
        SetLastErrorText("Can't open file for reading.");
        return kFileError;
    }
    std::unique_ptr<char[]> block(new char[kFileBlock]);
    NetString stuffed;
    bool lineStart = true;
    int64_t sent = 0;
    for (;;) {
        uint32_t got = 0;
        const int rc = file.Read(block.get(), kFileBlock, &got);
        if (rc != 0)
            return rc;
        if (got == 0)
            return kResultOk;
        const char* data = block.get();
        uint32_t n = got;
        if (dotStuff) {
            stuffed.Clear();
            for (uint32_t i = 0; i < got; ++i) {
                if (lineStart && block[i] == '.' && stuffed.AppendChar('.') != kResultOk)
                    return kOutOfMemory;
                if (stuffed.AppendChar(block[i]) != kResultOk)
                    return kOutOfMemory;
                lineStart = block[i] == '\n';
            }
            data = stuffed.Data();
            n = stuffed.Length();
        }
        int send = SendBytes(data, n, true);
        if (send != kResultOk)
            return send;
        sent += got;
        send = OnUploadProgress(sent);
        if (send != kResultOk)
            return send;
    }
}
