// Every NetCode and MIME decoder on arbitrary bytes read in arbitrary pieces:
// nothing may read or write out of bounds, the output never passes the bound
// the engines reserve, and what an encoder wrote decodes back unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "netcomp/mail/coders/CoderStream.h"
#include "netcomp/mail/coders/Coders.h"
#include "netcomp/mail/coders/NetCodeEngine.h"

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

// Input in pieces of a fixed size, so carries across reads are exercised.
class Pieces final : public CoderStream {
public:
    Pieces(const std::string& data, size_t piece) : m_end(data.data() + data.size()), m_piece(piece ? piece : 1)
    {
        m_readPos = m_readEnd = data.data();
    }

private:
    bool Refill() override
    {
        if (m_readEnd == m_end)
            return false;
        m_readEnd += size_t(m_end - m_readEnd) < m_piece ? size_t(m_end - m_readEnd) : m_piece;
        return true;
    }
    int WriteBytes(const char*, size_t) override { return 6; }
    const char* m_end;
    size_t m_piece;
};

class Output final : public CoderOutput {
public:
    explicit Output(std::string& buffer) : m_stream(kCoderOutput, &buffer[0], buffer.size()) {}
    int Open(const char*, const char*, CoderStream** out) override
    {
        *out = &m_stream;
        return 0;
    }
    CoderMemoryStream m_stream;
};

// Runs one decoder into a buffer of the engine's reserve; the reserve must hold.
std::string Decode(int format, const std::string& input, size_t piece)
{
    std::string out(size_t(NetCodeEngine::DecodedReserve(format, input.size())) + 1, '\0');
    Pieces in(input, piece);
    int rc;
    uint64_t written;
    if (format == kNetCodeUu || format == kNetCodeYenc) {
        Output sink(out);
        rc = format == kNetCodeUu ? UuDecode(in, sink) : YencDecode(in, sink);
        written = sink.m_stream.Written();
    } else {
        CoderMemoryStream sink(kCoderOutput, &out[0], out.size());
        switch (format) {
        case kNetCodeBase64:
            rc = Base64Decode(in, sink);
            break;
        case kNetCodeQp:
            rc = QpDecode(in, sink);
            break;
        case kNetCodeUrl:
            rc = UrlDecode(in, sink);
            break;
        case kNetCodeJis:
            rc = JisDecode(in, sink);
            break;
        default:
            rc = HexDecode(in, sink);
            break;
        }
        written = sink.Written();
    }
    Check(rc != 9); // the reserve never runs out
    out.resize(size_t(written));
    return out;
}

std::string Encode(int format, const std::string& input, size_t piece)
{
    std::string out(size_t(NetCodeEngine::EncodedReserve(format, input.size(), 1)), '\0');
    Pieces in(input, piece);
    CoderMemoryStream sink(kCoderOutput, &out[0], out.size());
    int rc;
    switch (format) {
    case kNetCodeUu: {
        UuEncodeOptions o;
        o.fileName = "f";
        o.inputSize = input.size();
        rc = UuEncode(in, sink, o);
        break;
    }
    case kNetCodeYenc: {
        YencEncodeOptions o;
        o.fileName = "f";
        o.inputSize = input.size();
        rc = YencEncode(in, sink, o);
        break;
    }
    case kNetCodeBase64:
        rc = Base64Encode(in, sink);
        break;
    case kNetCodeQp:
        rc = QpEncode(in, sink);
        break;
    case kNetCodeUrl:
        rc = UrlEncode(in, sink);
        break;
    default:
        rc = HexEncode(in, sink);
        break;
    }
    Check(rc == 0);
    out.resize(size_t(sink.Written()));
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const int format = data[0] % 9;
    const size_t piece = data[1] % 64 + 1;
    const std::string input(reinterpret_cast<const char*>(data) + 2, size - 2);
    if (format == kNetCodeMd5 || format == kNetCodeSha1)
        return 0;
    Decode(format, input, piece);
    if (format == kNetCodeJis)
        return 0;
    // Round trip: quoted-printable turns line ends into CR LF, so give it none.
    std::string plain = input;
    if (format == kNetCodeQp) {
        for (char& c : plain) {
            if (c == '\r' || c == '\n')
                c = ' ';
        }
    }
    Check(Decode(format, Encode(format, plain, piece), 64 - piece + 1) == plain);
    return 0;
}
