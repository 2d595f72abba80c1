// An SMPP byte stream from a peer, fed in pieces the input chooses: the
// framer must give the same PDUs however the stream is cut, never one over
// the bound, and the response readers must stay within each body.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "netcomp/mail/smpp/SmppPdu.h"

namespace {

std::vector<std::string> Cut(const char* data, size_t size, size_t piece, bool& broken)
{
    smpp::Framer framer;
    std::vector<std::string> pdus;
    for (size_t at = 0; at < size; at += piece) {
        framer.Feed(data + at, at + piece <= size ? piece : size - at);
        std::string pdu;
        while (framer.Next(pdu)) {
            if (pdu.size() < smpp::kHeaderLength || pdu.size() > smpp::kMaxPduLength)
                std::abort();
            pdus.push_back(pdu);
        }
    }
    broken = framer.Broken() != nullptr;
    return pdus;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t piece = 1 + data[0] % 32;
    const char* stream = reinterpret_cast<const char*>(data + 1);
    bool wholeBroken = false, piecesBroken = false;
    const std::vector<std::string> whole = Cut(stream, size - 1, size, wholeBroken);
    const std::vector<std::string> pieces = Cut(stream, size - 1, piece, piecesBroken);
    if (whole != pieces || wholeBroken != piecesBroken)
        std::abort();
    for (const std::string& pdu : whole) {
        const std::string body = pdu.substr(smpp::kHeaderLength);
        std::string id;
        std::vector<smpp::Unsuccessful> failed;
        smpp::QueryAnswer answer;
        (void)smpp::ReadMessageId(body, id);
        (void)smpp::ReadSubmitMultiResp(body, id, failed);
        (void)smpp::ReadQueryResp(body, answer);
        if (failed.size() > 255 || id.size() > smpp::kMaxMessageId)
            std::abort();
        (void)smpp::StatusText(smpp::ReadHeader(pdu.data()).status);
    }
    return 0;
}
