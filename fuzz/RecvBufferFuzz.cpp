// The receive buffer of the TCP sockets as a peer fills it: any bytes, in
// reads of any size, into a buffer of any small capacity, split by a
// terminator, into lines, into fixed-length records or not at all. Every
// byte comes out once and in order, no record is longer than the buffer, and
// a full buffer always gives up a record, so a peer can never stall it. In
// line mode each line end (CR, LF, or a CR LF or LF CR pair, also when the
// pair is split between reads) ends exactly one record and is dropped.
//
// Input: mode byte, capacity byte, terminator length and bytes (terminator
// mode), then pairs of (read size, bytes of that read).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "netcomp/core/tcp/RecvBuffer.h"

namespace {

// Stands for a line end in the texts compared (a byte a line never holds
// would do; the input may hold any byte, so the mark is a longer text).
const char kEnd[] = "\r\n<end>\r\n";

// The stream with each line end replaced by the mark.
std::string MarkLineEnds(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            out += c;
            continue;
        }
        out += kEnd;
        if (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n') && text[i + 1] != c) {
            ++i;
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) {
        return 0;
    }
    const int mode = data[0] % 4; // 0 terminator, 1 lines, 2 fixed records, 3 as it comes
    const uint32_t capacity = 1 + data[1] % 64;
    size_t at = 2;
    RecvBuffer buffer;
    if (buffer.Allocate(capacity) != 0) {
        std::abort();
    }
    std::string terminator;
    if (mode == 0 && at < size) {
        const size_t n = 1 + data[at++] % 4;
        terminator.assign(reinterpret_cast<const char*>(data + at), std::min(n, size - at));
        at += terminator.size();
        if (terminator.empty() || buffer.SetTerminator(terminator.data(), uint32_t(terminator.size())) != 0) {
            return 0;
        }
    } else if (mode == 1) {
        (void)buffer.SetTerminator("\r\n", 2);
        buffer.SetLineMode(true);
    }
    const uint32_t recordLength = mode == 2 ? 1 + capacity / 2 : 0;

    std::string sent;
    std::string received;
    auto drain = [&]() {
        RecvRecord record;
        if (mode == 2 && buffer.Pending() > 0) {
            buffer.SetRecordLength(recordLength);
        }
        while (buffer.NextRecord(record)) {
            if (record.length > capacity) {
                std::abort();
            }
            received.append(record.data, record.length);
            if (mode == 0 && record.eolFound) {
                received += terminator;
            }
            if (mode == 1) {
                if (std::memchr(record.data, '\r', record.length) || std::memchr(record.data, '\n', record.length)) {
                    std::abort();
                }
                if (record.eolFound) {
                    received += kEnd;
                }
            }
            if (mode == 2 && buffer.Pending() > 0) {
                buffer.SetRecordLength(recordLength);
            }
        }
    };
    while (at < size) {
        size_t read = 1 + data[at++] % 32;
        read = std::min(read, size - at);
        const char* bytes = reinterpret_cast<const char*>(data + at);
        at += read;
        sent.append(bytes, read);
        while (read > 0) {
            uint32_t room = 0;
            char* into = buffer.GetWriteSpace(&room);
            if (room == 0 || into == nullptr) {
                std::abort(); // drained after every read: there is always room
            }
            const uint32_t n = uint32_t(std::min<size_t>(room, read));
            std::memcpy(into, bytes, n);
            buffer.CommitWrite(n);
            bytes += n;
            read -= n;
            drain();
        }
    }
    RecvRecord rest;
    if (buffer.Take(rest)) {
        received.append(rest.data, rest.length);
    }
    if (mode == 1 ? received != MarkLineEnds(sent) : received != sent) {
        std::abort();
    }
    return 0;
}
