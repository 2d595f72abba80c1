// Feeds one document to two parsers, once whole and once in pieces whose
// sizes come from the input, and requires the same events, result and tree.
// Then moves the cursor by paths taken from the input (names, child numbers
// and "*offset" forms) and reads every accessor of the element reached.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "netcomp/core/web/XmlParser.h"

namespace {

class Log : public XmlParserCallback {
public:
    std::string text;
    int OnCharacters(char* t, int n) override { return Add("C", std::string(t, size_t(n))); }
    int OnComment(const char* t) override { return Add("!", t); }
    int OnEndElement(const char* u, const char* l, const char* q, bool e) override
    {
        return Add("/", std::string(u) + "|" + l + "|" + q + (e ? "e" : ""));
    }
    int OnEndPrefixMapping(const char* p) override { return Add("-", p); }
    int OnError(int code, const char* t) override { return Add("E", std::to_string(code) + t); }
    int OnEntity(const char* n, const char*& r) override { return Add("&", std::string(n) + "=" + r); }
    int OnIgnorableWhitespace(const char* t) override { return Add("W", t); }
    int OnDeclaration(const char* t) override { return Add("D", t); }
    int OnProcessingInstruction(const char* t) override { return Add("?", t); }
    int OnSpecialSection(const char* n, const char* c) override { return Add("S", std::string(n) + "|" + c); }
    int OnStartElement(const char* u, const char* l, const char* q, bool e) override
    {
        return Add("<", std::string(u) + "|" + l + "|" + q + (e ? "e" : ""));
    }
    int OnStartPrefixMapping(const char* p, const char* u) override { return Add("+", std::string(p) + "=" + u); }
    int OnInputChar(char) override { return 0; }

private:
    int Add(const char* kind, const std::string& value)
    {
        text += kind;
        text += value;
        text += '\n';
        return 0;
    }
};

void Configure(XmlParser& parser, uint8_t options)
{
    parser.SetStrict(!(options & 1));
    parser.SetBuildDom(options & 2);
    parser.SetFlushAtLineEnd(options & 4);
    parser.SetPrefixTolerance(uint8_t((options >> 3) & 3));
    parser.SetCharsetMode((options & 32) ? 1 : 0);
    if (options & 64)
        (void)parser.SetExtraNameChars("[]");
    parser.SetInputCharHook(!(options & 128));
    parser.Reset();
}

void ReadCursor(const XmlParser& parser)
{
    const XmlDom& dom = parser.Dom();
    size_t total = std::strlen(dom.ElementQName()) + std::strlen(dom.ElementLocalName()) +
                   std::strlen(dom.ElementPrefix()) + std::strlen(dom.ElementNamespaceURI()) +
                   std::strlen(dom.ParentName()) + std::strlen(dom.ElementText());
    if (dom.ChildCount() < 0)
        std::abort();
    for (int i = -1; i <= parser.AttrCount(); ++i)
        total += std::strlen(parser.AttrName(i)) + std::strlen(parser.AttrPrefix(i)) +
                 std::strlen(parser.AttrNamespaceURI(i)) + std::strlen(parser.AttrValue(i));
    if (total == size_t(-1))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t options = data[0];
    const uint8_t pieces = data[1];
    const char* doc = reinterpret_cast<const char*>(data + 2);
    const size_t length = size - 2;

    XmlParser whole;
    XmlParser split;
    Log wholeLog;
    Log splitLog;
    Configure(whole, options);
    Configure(split, options);
    whole.SetCallback(&wholeLog);
    split.SetCallback(&splitLog);

    int rcWhole = whole.InputBytes(doc, length);
    if (rcWhole == 0)
        rcWhole = whole.EndOfInput();

    int rcSplit = 0;
    size_t pos = 0;
    size_t step = size_t(pieces % 7) + 1;
    while (rcSplit == 0 && pos < length) {
        const size_t n = step < length - pos ? step : length - pos;
        rcSplit = n == 1 ? split.InputChar(doc[pos]) : split.InputBytes(doc + pos, n);
        pos += n;
        step = size_t((step * 5 + pieces) % 13) + 1;
    }
    if (rcSplit == 0)
        rcSplit = split.EndOfInput();

    if (rcWhole != rcSplit || wholeLog.text != splitLog.text || whole.Column() != split.Column() ||
        whole.Dom().Size() != split.Dom().Size())
        std::abort();

    // Paths: the document's lines, each tried as a path, plus offsets.
    whole.SetCallback(nullptr);
    std::string text(doc, length);
    size_t start = 0;
    for (int tries = 0; tries < 16 && start <= text.size(); ++tries) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string path = text.substr(start, end - start);
        path = path.c_str(); // up to an embedded NUL
        (void)whole.SetXPath(path.c_str());
        ReadCursor(whole);
        start = end + 1;
    }
    for (uint32_t offset = 0; offset < whole.Dom().Size() + 2 && offset < 4096; offset += 1 + offset / 64) {
        const std::string path = "*" + std::to_string(offset);
        const int rc = whole.SetXPath(path.c_str());
        if (rc == 0 && offset < whole.Dom().Size() && whole.Dom().Cursor() != offset)
            std::abort();
        ReadCursor(whole);
    }
    return 0;
}
