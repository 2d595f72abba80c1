// Reads the input as what an XMPP server sends: cut into pieces once whole
// and once in pieces whose sizes come from the input (the two cuts must
// agree), and every stanza read by each stanza reader as the client does.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "netcomp/mail/xmpp/XmppBuddyList.h"
#include "netcomp/mail/xmpp/XmppStanza.h"
#include "netcomp/mail/xmpp/XmppStreamCutter.h"

namespace {

std::string Cut(const uint8_t* data, size_t size, size_t first, size_t second, std::vector<std::string>* stanzas)
{
    XmppStreamParser parser;
    std::string out;
    int rc = 0;
    for (size_t at = 0, k = 0; at < size && rc == 0; ++k) {
        const size_t piece = k % 2 == 0 ? first : second;
        const size_t n = size - at < piece ? size - at : piece;
        rc = parser.Feed(reinterpret_cast<const char*>(data) + at, uint32_t(n));
        at += n;
        XmppStreamCutter::Piece p;
        while (parser.Cutter().Next(p)) {
            out += std::to_string(int(p.kind)) + "|" + p.id + "|" + (p.version1 ? "1" : "0") + "|" + p.text + "\n";
            if (stanzas && p.kind == XmppStreamCutter::Kind::Stanza)
                stanzas->push_back(p.text);
        }
    }
    return out + std::to_string(rc);
}

void Read(const std::string& stanza)
{
    XmlParser parser;
    if (ParseStanza(parser, stanza.data(), uint32_t(stanza.size())) != 0)
        return;
    (void)ReadStanzaTop(parser);
    std::string mechanism;
    bool tls = false;
    (void)ReadFeatures(parser, mechanism, tls);
    (void)ReadQueryFields(parser);
    std::vector<XmppRosterItem> items;
    const char* why = "";
    if (ReadRoster(parser, items, &why) == 0) {
        XmppBuddyList buddies;
        (void)buddies.Assign(items);
        for (const XmppRosterItem& item : items) {
            int row = 0;
            (void)buddies.Apply(item, &row);
        }
    }
    (void)ReadMessage(parser, stanza.c_str());
    (void)ReadPresence(parser);
    std::string detail;
    (void)ReadStanzaError(parser, detail);
    (void)ReadStreamErrorCondition(parser);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const size_t first = size > 0 ? 1 + data[0] % 64 : 1;
    const size_t second = size > 1 ? 1 + data[size - 1] % 7 : 1;
    std::vector<std::string> stanzas;
    if (Cut(data, size, size + 1, size + 1, &stanzas) != Cut(data, size, first, second, nullptr))
        std::abort();
    for (const std::string& stanza : stanzas)
        Read(stanza);
    return 0;
}
