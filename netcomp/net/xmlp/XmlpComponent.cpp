// The XMLp component's flat interface over the XML parser engine: its
// property and method tables.
#include "netcomp/core/framework/ComponentExports.h"
#include "netcomp/core/web/XmlpEngine.h"
#include "netcomp/include/netcomp_xmlp.h"

namespace {

// The engine with the component's starting values and the accessors its
// tables name; indexes count from 1.
class XmlpComponentEngine final : public XmlpEngine {
public:
    XmlpComponentEngine()
    {
        Parser().SetBuildDom(true);
        Parser().SetStrict(true);
        Parser().SetFlushAtLineEnd(true);
        (void)SetXPath("");
    }

    // The index checks of the flat interface: the engine's own code and text
    // tell the reason, the interface answers the range error.
    int AttrIndex(int i) { return CheckAttrIndex(i) == kResultOk ? kResultOk : kIndexOutOfRange; }
    int NamespaceIndex(int i) { return CheckNamespaceIndex(i) == kResultOk ? kResultOk : kIndexOutOfRange; }
    int ElementIndex(int i) { return CheckElementIndex(i) == kResultOk ? kResultOk : kIndexOutOfRange; }

    const char* AttrName(int i) const { return Parser().AttrName(i - 1); }
    const char* AttrNamespace(int i) const { return Parser().AttrNamespaceURI(i - 1); }
    const char* AttrPrefix(int i) const { return Parser().AttrPrefix(i - 1); }
    const char* AttrValue(int i) const { return Parser().AttrValue(i - 1); }
    const char* OpenElementName(int i) const { return Parser().OpenElements().Name(uint32_t(i - 1)); }
    int OpenElementCount() const { return int(Parser().OpenElements().Count()); }
    int NamespaceCount() const { return int(Parser().Namespaces().Count()); }
    const char* NamespaceURI(int i) const { return Parser().Namespaces().Value(uint32_t(i - 1)); }
    const char* NamespacePrefix(int i) const { return Parser().Namespaces().Name(uint32_t(i - 1)); }
    int InputOffset() const { return int(Parser().Column()); }

    bool BuildDom() const { return Parser().BuildDom(); }
    // The tree needs the strict reader, and the lenient one builds none.
    void SetBuildDom(bool on)
    {
        Parser().SetBuildDom(on);
        if (on)
            Parser().SetStrict(true);
    }
    bool Validate() const { return Parser().Strict(); }
    void SetValidate(bool on)
    {
        Parser().SetStrict(on);
        if (!on)
            Parser().SetBuildDom(false);
    }
    bool FlushOnNewLine() const { return Parser().FlushAtLineEnd(); }
    void SetFlushOnNewLine(bool on) { Parser().SetFlushAtLineEnd(on); }
    const char* ExtraNameChars() const { return Parser().ExtraNameChars(); }
    [[nodiscard]] int SetExtraNameChars(const char* t) { return CheckOutOfMemory(Parser().SetExtraNameChars(t)); }
    const char* ExtraWhitespace() const { return Parser().ExtraWhitespace(); }
    [[nodiscard]] int SetExtraWhitespace(const char* t) { return CheckOutOfMemory(Parser().SetExtraWhitespace(t)); }

    int PathChildCount() const { return Tree().ChildCount(); }
    const char* PathElement() const { return Tree().ElementQName(); }
    const char* PathNamespace() const { return Tree().ElementNamespaceURI(); }
    const char* PathParent() const { return Tree().ParentName(); }
    const char* PathPrefix() const { return Tree().ElementPrefix(); }
    const char* PathText() const { return Tree().ElementText(); }

    [[nodiscard]] int Attr(const char* name, const char** value) { return AttrValueByName(name, value); }
    [[nodiscard]] int Flush() { return FinishParse(true); }
    [[nodiscard]] int ResetAll() { return Reset(true); }
};

using E = XmlpComponentEngine;
using P = Properties<E>;
using M = Methods<E>;

constexpr PropertyDescriptor<E> kXmlpProperties[] = {
    P::Read<&E::AttrCount>(kXmlpAttrCount),
    P::ReadIndexed<&E::AttrName, &E::AttrIndex>(kXmlpAttrName),
    P::ReadIndexed<&E::AttrNamespace, &E::AttrIndex>(kXmlpAttrNamespace),
    P::ReadIndexed<&E::AttrPrefix, &E::AttrIndex>(kXmlpAttrPrefix),
    P::ReadIndexed<&E::AttrValue, &E::AttrIndex>(kXmlpAttrValue),
    P::ReadWrite<&E::BuildDom, &E::SetBuildDom>(kXmlpBuildDOM),
    P::Read<&E::OpenElementCount>(kXmlpOpenElementCount),
    P::ReadIndexed<&E::OpenElementName, &E::ElementIndex>(kXmlpOpenElementName),
    P::ReadWrite<&E::ExtraNameChars, &E::SetExtraNameChars>(kXmlpExtraNameChars),
    P::ReadWrite<&E::ExtraWhitespace, &E::SetExtraWhitespace>(kXmlpExtraWhitespaceChars),
    P::ReadWrite<&E::FlushOnNewLine, &E::SetFlushOnNewLine>(kXmlpFlushOnNewLine),
    P::Read<&E::NamespaceCount>(kXmlpNamespaceCount),
    P::ReadIndexed<&E::NamespaceURI, &E::NamespaceIndex>(kXmlpNamespaceURI),
    P::Read<&E::InputOffset>(kXmlpInputOffset),
    P::ReadIndexed<&E::NamespacePrefix, &E::NamespaceIndex>(kXmlpNamespacePrefix),
    P::ReadWrite<&E::Validate, &E::SetValidate>(kXmlpValidate),
    P::Read<&E::PathChildCount>(kXmlpPathChildCount),
    P::Read<&E::PathElement>(kXmlpPathElement),
    P::Read<&E::PathNamespace>(kXmlpPathNamespace),
    P::Read<&E::PathParent>(kXmlpPathParent),
    P::ReadWrite<&E::XPath, &E::SetXPath>(kXmlpXPath),
    P::Read<&E::PathPrefix>(kXmlpPathPrefix),
    P::Read<&E::PathText>(kXmlpPathText),
};

constexpr MethodDescriptor<E> kXmlpMethods[] = {
    M::Call<&E::Attr>(kXmlpMethodAttr).AnyTime(), M::Call<&E::Flush>(kXmlpMethodFlush),
    M::Call<&E::Input>(kXmlpMethodInput),         M::Call<&E::ParseFile>(kXmlpMethodParseFile),
    M::Call<&E::ResetAll>(kXmlpMethodReset),
};

struct XmlpComponent : ComponentDefaults {
    using Engine = E;
    static constexpr auto& kProperties = kXmlpProperties;
    static constexpr auto& kMethods = kXmlpMethods;
    // A read at a bad index of any list is null.
    static constexpr bool kBadIndexReadsNull = true;
};

} // namespace

NETCOMP_DEFINE_COMPONENT(XMLp, XmlpComponent)
