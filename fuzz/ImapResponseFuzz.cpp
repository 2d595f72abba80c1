// IMAP server bytes fed through a line source to the response reader twice,
// at once and in splits chosen by the input's first bytes: both runs must
// hand on the same responses and streamed literal bytes. Every response then goes through the
// parsers of untagged lines, which must stay inside it.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "netcomp/mail/imap/ImapMessage.h"
#include "netcomp/mail/imap/ImapResponseReader.h"

namespace {

struct Parse final : ImapResponseSink, ImapPartSink, ImapListSink {
    std::string out;
    bool streamOdd = false;
    uint32_t literals = 0;

    bool StreamImapLiteral(const char*, uint32_t, uint32_t) override { return streamOdd && (++literals & 1); }
    int OnImapLiteralData(const char* data, uint32_t n) override
    {
        out.append(data, n);
        return 0;
    }
    int OnImapLiteralEnd() override
    {
        out += "E";
        return 0;
    }
    int OnImapResponse(const char* response, uint32_t n) override
    {
        out += "R";
        out.append(response, n);
        int number = 0;
        NetString text;
        switch (ClassifyUntagged(response, n, &number)) {
        case ImapUntagged::Exists:
        case ImapUntagged::Recent:
            // A count, or -1 for one that is none.
            if (number < -1)
                std::abort();
            break;
        case ImapUntagged::Flags:
            (void)ParseMailboxFlags(response, n, text);
            break;
        case ImapUntagged::List:
        case ImapUntagged::Lsub:
            (void)ParseListLine(response, n, *this);
            break;
        case ImapUntagged::Acl:
            (void)ParseAclLine(response, n, *this);
            break;
        case ImapUntagged::Search:
        case ImapUntagged::Sort:
            (void)ParseNumberList(response, n, text);
            break;
        case ImapUntagged::Fetch: {
            ImapMessage message;
            ImapBodyFacts facts;
            ImapFetchOptions options;
            options.partId = "1.2";
            options.charsetMode = 1;
            (void)ParseFetch(response, n, options, message, facts, *this);
            for (uint32_t i = 0; i < message.to.Count() + 1; ++i)
                (void)message.to.Item(i);
            break;
        }
        default:
            break;
        }
        return 0;
    }
    int OnImapPart(const ImapPart& part) override
    {
        out += part.id;
        return 0;
    }
    int OnImapMailbox(const char* name, const char*, const char*) override
    {
        out += name;
        return 0;
    }
    int OnImapAcl(const char*, const char* user, const char*) override
    {
        out += user;
        return 0;
    }
};

std::string Run(const uint8_t* splits, size_t nSplits, const char* data, size_t size, bool stream)
{
    Parse sink;
    sink.streamOdd = stream;
    ImapResponseReader reader(sink);
    LineSource lines;
    int rc = 0;
    for (size_t i = 0, pos = 0; pos < size && rc == 0; ++i) {
        size_t n = nSplits ? size_t(splits[i % nSplits]) + 1 : size;
        if (n > size - pos)
            n = size - pos;
        rc = FeedImapBytes(lines, reader, data + pos, uint32_t(n));
        pos += n;
    }
    // Literal bytes arrive in pieces as the splits cut them: compare the
    // whole text, which the pieces make up either way.
    return sink.out + (rc ? "!" + std::to_string(rc) : "");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t nSplits = data[0] % 8;
    const bool stream = data[1] & 1;
    if (size < 2 + nSplits)
        return 0;
    const char* bytes = reinterpret_cast<const char*>(data + 2 + nSplits);
    const size_t n = size - 2 - nSplits;
    if (Run(data + 2, nSplits, bytes, n, stream) != Run(nullptr, 0, bytes, n, stream))
        std::abort();
    return 0;
}
