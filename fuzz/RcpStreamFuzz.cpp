// Plays the other side of an rcp copy: the first byte chooses what is
// expected first (a control line or a status byte) and the piece size, the
// rest is what the source or sink sends. Expectations follow the dialogue
// as the engine sets them: a file line is followed by its bytes. The file
// bytes handed out must add up to the announced size, never more.
#include <cstdint>
#include <cstdlib>

#include "netcomp/net/rcommand/RcpProtocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    RcpReader reader;
    if (data[0] & 1)
        reader.ExpectAck();
    else
        reader.ExpectLine();
    const size_t piece = size_t(data[0] >> 1) + 1;
    int64_t announced = 0;
    int64_t received = 0;
    size_t pos = 1;
    while (pos < size) {
        const char* p = reinterpret_cast<const char*>(data + pos);
        uint32_t n = uint32_t(piece < size - pos ? piece : size - pos);
        pos += n;
        while (n > 0) {
            const RcpReader::Event e = reader.Next(p, n);
            if (e == RcpReader::Event::NeedMore)
                break;
            if (e == RcpReader::Event::Unexpected)
                return 0;
            if (reader.TextLength() > RcpReader::kMaxLine)
                std::abort();
            if (e == RcpReader::Event::Line) {
                RcpFileLine file;
                if (ParseRcpFileLine(reader.Text(), reader.TextLength(), file)) {
                    if (file.size < 0 || file.name + file.nameLength > reader.Text() + reader.TextLength())
                        std::abort();
                    announced = file.size;
                    received = 0;
                    reader.ExpectData(file.size);
                } else {
                    reader.ExpectLine();
                }
            } else if (e == RcpReader::Event::Data) {
                received += reader.BlockLength();
                if (received > announced || reader.DataLeft() != announced - received)
                    std::abort();
            } else {
                reader.ExpectLine();
            }
        }
    }
    return 0;
}
