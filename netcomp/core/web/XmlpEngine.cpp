#include "netcomp/core/web/XmlpEngine.h"

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/web/WinXmlFileSource.h"
#include "netcomp/core/web/XmlFileInput.h"
#include "netcomp/include/netcomp_xmlp.h"

namespace {

// Marks the parser as running for as long as a feed lasts.
class Running {
public:
    explicit Running(bool& flag) : m_flag(flag) { m_flag = true; }
    ~Running() { m_flag = false; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

private:
    bool& m_flag;
};

const char* OrEmpty(const char* text)
{
    return text ? text : "";
}

} // namespace

XmlpEngine::XmlpEngine()
{
    // Nothing here reads the input byte by byte; readers that do turn it on.
    m_parser.SetInputCharHook(false);
    (void)Init();
}

XmlpEngine::~XmlpEngine() = default;

int XmlpEngine::Init()
{
    ComponentBase::Reset();
    m_parser.SetCharsetMode(CharsetMode());
    m_parser.SetCallback(this);
    return kResultOk;
}

int XmlpEngine::Refused()
{
    SetLastErrorText("Busy performing current action.");
    return kBusy;
}

int XmlpEngine::Reset(bool resetParser)
{
    if (m_running)
        return Refused();
    m_parser.SetCharsetMode(CharsetMode());
    if (resetParser)
        m_parser.Reset();
    m_path.Clear();
    return kResultOk;
}

int XmlpEngine::KeepCode(int code)
{
    if (code != kResultOk)
        SetLastErrorText(XmlParser::ErrorText(code));
    return code;
}

int XmlpEngine::SetXPath(const char* path)
{
    int rc = m_path.AssignText(OrEmpty(path));
    if (rc != kResultOk)
        return rc;
    return KeepCode(m_parser.SetXPath(m_path.CStr()));
}

int XmlpEngine::Input(const char* text)
{
    if (m_running)
        return Refused();
    Running running(m_running);
    return KeepCode(m_parser.InputText(text));
}

int XmlpEngine::InputBytes(const char* data, uint32_t length)
{
    if (m_running)
        return Refused();
    Running running(m_running);
    return KeepCode(m_parser.InputBytes(data, length));
}

int XmlpEngine::FinishParse(bool endOfInput)
{
    if (!endOfInput)
        return kResultOk;
    if (m_running)
        return Refused();
    Running running(m_running);
    return KeepCode(m_parser.EndOfInput());
}

int XmlpEngine::ParseFile(const char* name)
{
    int rc = Reset(true);
    if (rc != kResultOk)
        return rc;
    Running running(m_running);
    WinXmlFileSource file;
    const char* text = nullptr;
    rc = ParseXmlFile(m_parser, file, name, &text);
    if (rc != kResultOk)
        SetLastErrorText(text ? text : XmlParser::ErrorText(rc));
    return rc;
}

int XmlpEngine::AttrValueByName(const char* name, const char** value)
{
    *value = "";
    const int count = m_parser.AttrCount();
    for (int i = 0; i < count; ++i) {
        if (StrICmp(m_parser.AttrName(i), OrEmpty(name)) == 0) {
            *value = m_parser.AttrValue(i);
            return kResultOk;
        }
    }
    SetLastErrorText("Attribute does not exist.");
    return kXmlpNoSuchAttribute;
}

int XmlpEngine::CheckIndex(int index, int count, int bad, const char* badText, int none, const char* noneText)
{
    if (count == 0) {
        SetLastErrorText(noneText);
        return none;
    }
    if (index < 1 || index > count) {
        SetLastErrorText(badText);
        return bad;
    }
    return kResultOk;
}

int XmlpEngine::CheckAttrIndex(int index)
{
    return CheckIndex(index, m_parser.AttrCount(), kXmlpBadAttrIndex, "Invalid attribute index.", kXmlpNoAttributes,
                      "No attributes available.");
}

int XmlpEngine::CheckNamespaceIndex(int index)
{
    return CheckIndex(index, int(m_parser.Namespaces().Count()), kXmlpBadNamespaceIndex, "Invalid namespace index.",
                      kXmlpNoNamespaces, "No namespaces available.");
}

int XmlpEngine::CheckElementIndex(int index)
{
    return CheckIndex(index, int(m_parser.OpenElements().Count()), kXmlpBadElementIndex, "Invalid element index.",
                      kXmlpNoElements, "No elements available.");
}

int XmlpEngine::Config(const ConfigArg& arg, const char** answer)
{
    uint8_t bit = 0;
    if (arg.KeyIs("IgnoreBadAttributePrefixes"))
        bit = XmlParser::kTolerateAttributePrefixes;
    else if (arg.KeyIs("IgnoreBadElementPrefixes"))
        bit = XmlParser::kTolerateElementPrefixes;
    if (bit == 0)
        return ComponentBase::Config(arg, answer);
    const uint8_t bits = m_parser.PrefixTolerance();
    if (arg.query)
        return AnswerBool((bits & bit) != 0, answer);
    m_parser.SetPrefixTolerance(ParseConfigBool(arg.value.CStr()) ? uint8_t(bits | bit) : uint8_t(bits & ~bit));
    return kResultOk;
}

// The callback slots: each fires the XMLp event of the same meaning; what the
// owner answers stops the parse when it is not 0. A null text goes out empty.

int XmlpEngine::OnCharacters(char* text, int length)
{
    // The event's bytes are readable as text: Fire puts a NUL behind them for
    // the time of the call and restores the byte.
    return FireForAnswer(kXmlpEventCharacters, {EventParam::Binary(&text, length)});
}

int XmlpEngine::OnComment(const char* text)
{
    text = OrEmpty(text);
    return FireForAnswer(kXmlpEventComment, {EventParam::Text(&text)});
}

int XmlpEngine::OnEndElement(const char* uri, const char* localName, const char* qualifiedName, bool empty)
{
    uri = OrEmpty(uri);
    localName = OrEmpty(localName);
    qualifiedName = OrEmpty(qualifiedName);
    int flag = empty ? 1 : 0;
    return FireForAnswer(kXmlpEventEndElement, {EventParam::Text(&uri), EventParam::Text(&localName),
                                                EventParam::Text(&qualifiedName), EventParam::Int(&flag)});
}

int XmlpEngine::OnEndPrefixMapping(const char* prefix)
{
    prefix = OrEmpty(prefix);
    return FireForAnswer(kXmlpEventEndPrefixMapping, {EventParam::Text(&prefix)});
}

int XmlpEngine::OnError(int code, const char* text)
{
    text = OrEmpty(text);
    return FireForAnswer(kXmlpEventError, {EventParam::Int(&code), EventParam::Text(&text)});
}

int XmlpEngine::OnEntity(const char* name, const char*& replacement)
{
    name = OrEmpty(name);
    replacement = OrEmpty(replacement);
    return FireForAnswer(kXmlpEventEntity, {EventParam::Text(&name), EventParam::Text(&replacement, true)});
}

int XmlpEngine::OnIgnorableWhitespace(const char* text)
{
    text = OrEmpty(text);
    return FireForAnswer(kXmlpEventWhitespace, {EventParam::Text(&text)});
}

int XmlpEngine::OnDeclaration(const char* text)
{
    text = OrEmpty(text);
    return FireForAnswer(kXmlpEventDeclaration, {EventParam::Text(&text)});
}

int XmlpEngine::OnProcessingInstruction(const char* text)
{
    text = OrEmpty(text);
    return FireForAnswer(kXmlpEventProcessingInstruction, {EventParam::Text(&text)});
}

int XmlpEngine::OnSpecialSection(const char* name, const char* content)
{
    name = OrEmpty(name);
    content = OrEmpty(content);
    return FireForAnswer(kXmlpEventSpecialSection, {EventParam::Text(&name), EventParam::Text(&content)});
}

int XmlpEngine::OnStartElement(const char* uri, const char* localName, const char* qualifiedName, bool empty)
{
    uri = OrEmpty(uri);
    localName = OrEmpty(localName);
    qualifiedName = OrEmpty(qualifiedName);
    int flag = empty ? 1 : 0;
    return FireForAnswer(kXmlpEventStartElement, {EventParam::Text(&uri), EventParam::Text(&localName),
                                                  EventParam::Text(&qualifiedName), EventParam::Int(&flag)});
}

int XmlpEngine::OnStartPrefixMapping(const char* prefix, const char* uri)
{
    prefix = OrEmpty(prefix);
    uri = OrEmpty(uri);
    return FireForAnswer(kXmlpEventStartPrefixMapping, {EventParam::Text(&prefix), EventParam::Text(&uri)});
}

int XmlpEngine::OnInputChar(char)
{
    return kResultOk;
}
