#pragma once
// What the web form, upload and RSS tests share: the peers' ports, scratch
// files in the temporary folder, and a request as the capture peer echoes it.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "netcomp/core/crypto/Md5.h"
#include "netcomp/core/text/NetString.h"

constexpr int kCapturePort = 20400; // tools/peers/http_capture.py
constexpr int kWebPort = 21580;     // tools/peers/web_apache.sh

inline std::string CaptureUrl(const std::string& path)
{
    return "http://127.0.0.1:" + std::to_string(kCapturePort) + path;
}

inline std::string WebUrl(const std::string& path)
{
    return "http://127.0.0.1:" + std::to_string(kWebPort) + path;
}

inline std::string TempFolder()
{
    char temp[MAX_PATH];
    const DWORD n = GetTempPathA(sizeof temp, temp);
    return std::string(temp, n);
}

inline std::string WriteTempFile(const std::string& name, const std::string& bytes)
{
    const std::string path = TempFolder() + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

inline std::string ReadWholeFile(const std::string& path)
{
    std::string bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return "(no file)";
    char block[65536];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0)
        bytes.append(block, n);
    std::fclose(f);
    return bytes;
}

// The files in the temporary folder whose names match the pattern ("wup*.tmp").
inline int CountTempFiles(const char* pattern)
{
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((TempFolder() + pattern).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    int n = 0;
    do
        ++n;
    while (FindNextFileA(h, &found));
    FindClose(h);
    return n;
}

inline std::string Md5Of(const std::string& bytes)
{
    NetString hex;
    return Md5Hex(bytes.data(), bytes.size(), hex) == 0 ? std::string(hex.CStr()) : "";
}

// Bytes that are no text: every byte value, CR LF and a line like a delimiter.
inline std::string BinaryBytes(size_t n)
{
    std::string bytes;
    for (size_t i = 0; i < n; ++i)
        bytes += char((i * 7 + i / 256) & 0xFF);
    return bytes + "\r\n--boundary\r\n";
}

// A request as the capture peer's /echo sends it back.
struct EchoedRequest {
    std::string line;    // the request line
    std::string headers; // the header lines, each ending in CR LF
    std::string body;

    explicit EchoedRequest(const std::string& raw)
    {
        const size_t eol = raw.find("\r\n");
        const size_t end = raw.find("\r\n\r\n");
        if (eol == std::string::npos || end == std::string::npos)
            return;
        line = raw.substr(0, eol);
        headers = raw.substr(eol + 2, end + 2 - (eol + 2));
        body = raw.substr(end + 4);
    }
    // The value of the header, or "(none)".
    std::string Header(const std::string& name) const
    {
        const size_t at = headers.find(name + ": ");
        if (at == std::string::npos)
            return "(none)";
        const size_t from = at + name.size() + 2;
        return headers.substr(from, headers.find("\r\n", from) - from);
    }
};
