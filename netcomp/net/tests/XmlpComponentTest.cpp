// XMLp through its exported functions: events of documents given as texts
// and as files, the attribute and list properties, and the path walk.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_xmlp.h"
#include "netcomp/testing/EventRecorder.h"

namespace {

INT_PTR T(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

struct Xmlp {
    void* obj = nullptr;
    EventRecorder events;

    Xmlp()
    {
        for (int e : {kXmlpEventCharacters, kXmlpEventComment, kXmlpEventEndPrefixMapping, kXmlpEventWhitespace,
                      kXmlpEventDeclaration, kXmlpEventProcessingInstruction})
            events.TextsAt(e, {0});
        for (int e : {kXmlpEventSpecialSection, kXmlpEventStartPrefixMapping, kXmlpEventEntity})
            events.TextsAt(e, {0, 1});
        events.TextsAt(kXmlpEventError, {1});
        events.TextsAt(kXmlpEventStartElement, {0, 1, 2});
        events.TextsAt(kXmlpEventEndElement, {0, 1, 2});
        obj = XMLp_Create(EventRecorder::Callback, events.User(), nullptr);
    }
    ~Xmlp() { XMLp_Destroy(obj); }

    int Input(const std::string& text)
    {
        INT_PTR args[1] = {T(text.c_str())};
        return XMLp_Do(obj, kXmlpMethodInput, 1, args, nullptr);
    }
    int Do(int method, const char* arg = nullptr)
    {
        INT_PTR args[1] = {T(arg)};
        return XMLp_Do(obj, method, arg ? 1 : 0, args, nullptr);
    }
    int Set(int property, INT_PTR value) { return XMLp_Set(obj, property, 0, value, 0); }
    INT_PTR Get(int property, int index = 0) { return XMLp_Get(obj, property, index, nullptr); }
    std::string Text(int property, int index = 0)
    {
        const char* text = reinterpret_cast<const char*>(Get(property, index));
        return text ? text : "(null)";
    }
    std::string Error() { return XMLp_GetLastError(obj); }

    // One line per event: its number and its texts (or numbers).
    std::string Log() const
    {
        std::string log;
        for (const RecordedEvent& e : events.events) {
            log += std::to_string(e.event);
            for (size_t i = 0; i < e.values.size(); ++i)
                log += " " + (e.event == kXmlpEventError && i == 0 ? std::to_string(e.values[i])
                              : (e.event == kXmlpEventStartElement || e.event == kXmlpEventEndElement) && i == 3
                                  ? std::to_string(e.values[i])
                                  : e.texts[i]);
            log += "\n";
        }
        return log;
    }
};

TEST(XmlpComponent, EventsOfADocumentInPieces)
{
    Xmlp x;
    // Attributes are readable during StartElement; the handler's entity value is used.
    std::string attrs;
    x.events.OnEvent(kXmlpEventStartElement, [&](const RecordedEvent&) {
        for (int i = 1; i <= int(x.Get(kXmlpAttrCount)); ++i)
            attrs += x.Text(kXmlpAttrPrefix, i) + "|" + x.Text(kXmlpAttrName, i) + "|" + x.Text(kXmlpAttrNamespace, i) +
                     "=" + x.Text(kXmlpAttrValue, i) + ";";
        attrs += "/";
    });
    static const char kOwn[] = "[E]";
    x.events.AnswerWith(kXmlpEventEntity, 1, T(kOwn));
    const std::string doc = "<?xml version=\"1.0\"?>\n<!DOCTYPE r>\n<r xmlns=\"u:d\" xmlns:p=\"u:p\" p:k='1' k=\"2\">"
                            "one &x; two<!-- c --><p:e/><![CDATA[<raw>]]></r>";
    // Any split of the input gives the same events.
    for (size_t at = 0; at < doc.size(); at += 7)
        ASSERT_EQ(x.Input(doc.substr(at, 7)), 0) << at;
    ASSERT_EQ(x.Do(kXmlpMethodFlush), 0);
    EXPECT_EQ(x.Log(), "9 xml version=\"1.0\"\n7 \n\n8 DOCTYPE r\n7 \n\n"
                       "12  u:d\n12 p u:p\n11 u:d r r 0\n1 one \n6 x &x;\n1 [E] two\n2  c \n"
                       "11 u:p e p:e 1\n3 u:p e p:e 1\n10 CDATA <raw>\n3 u:d r r 0\n4 p\n4 \n");
    EXPECT_EQ(attrs, "p|k|u:p=1;|k|=2;//");
    EXPECT_EQ(x.Get(kXmlpInputOffset), INT_PTR(doc.size()));

    // A non-zero answer stops the parse with that code.
    x.events.Clear();
    x.events.ReturnWith(kXmlpEventStartElement, 4711);
    ASSERT_EQ(x.Do(kXmlpMethodReset), 0);
    EXPECT_EQ(x.Get(kXmlpInputOffset), 0);
    EXPECT_EQ(x.Input("<a><b/></a>"), 4711);
    EXPECT_EQ(x.events.events.size(), 1u);
    EXPECT_EQ(x.Input("<c/>"), 4711); // until the next reset

    // An action from inside an event is refused; the parse goes on.
    x.events.ReturnWith(kXmlpEventStartElement, 0);
    int nested = -1;
    x.events.OnEvent(kXmlpEventStartElement, [&](const RecordedEvent&) { nested = x.Do(kXmlpMethodReset); });
    ASSERT_EQ(x.Do(kXmlpMethodReset), 0);
    EXPECT_EQ(x.Input("<a/>"), 0);
    EXPECT_EQ(nested, 143);
}

TEST(XmlpComponent, ListsAttributesAndOptions)
{
    Xmlp x;
    EXPECT_EQ(x.Get(kXmlpBuildDOM), 1);
    EXPECT_EQ(x.Get(kXmlpValidate), 1);
    EXPECT_EQ(x.Get(kXmlpFlushOnNewLine), 1);

    // Open elements and namespaces in scope, with checked indexes.
    ASSERT_EQ(x.Input("<a xmlns:q='u:q'><q:b xmlns='u:d'><c>"), 0);
    EXPECT_EQ(x.Get(kXmlpOpenElementCount), 3);
    EXPECT_EQ(x.Text(kXmlpOpenElementName, 2), "q:b");
    EXPECT_EQ(x.Get(kXmlpNamespaceCount), 2);
    EXPECT_EQ(x.Text(kXmlpNamespacePrefix, 1) + "=" + x.Text(kXmlpNamespaceURI, 1), "q=u:q");
    EXPECT_EQ(x.Text(kXmlpNamespaceURI, 2), "u:d");
    EXPECT_EQ(XMLp_CheckIndex(x.obj, kXmlpNamespaceURI, 3), 280);
    EXPECT_EQ(x.Error(), "Invalid namespace index.");
    EXPECT_EQ(XMLp_CheckIndex(x.obj, kXmlpOpenElementName, 0), 280);
    EXPECT_EQ(x.Error(), "Invalid element index.");
    // A read at a bad index is null, with the index text as the last error.
    EXPECT_EQ(XMLp_Get(x.obj, kXmlpOpenElementName, 4, nullptr), 0);
    EXPECT_EQ(XMLp_GetLastErrorCode(x.obj), 280);
    EXPECT_EQ(x.Error(), "Invalid element index.");
    EXPECT_EQ(x.Do(kXmlpMethodFlush), 206);
    EXPECT_EQ(x.Error(), "Document contains unbalanced elements.");

    // 128 attributes and 128 namespace declarations on one element.
    auto attributes = [](int from, int to) {
        std::string out;
        for (int i = from; i < to; ++i)
            out += " a" + std::to_string(i) + "='" + std::to_string(i) + "'";
        return out;
    };
    auto declarations = [](int from, int to) {
        std::string out;
        for (int i = from; i < to; ++i)
            out += " xmlns:n" + std::to_string(i) + "='u:" + std::to_string(i) + "'";
        return out;
    };
    int seen = 0;
    x.events.OnEvent(kXmlpEventStartElement, [&](const RecordedEvent&) { seen = int(x.Get(kXmlpAttrCount)); });
    ASSERT_EQ(x.Do(kXmlpMethodReset), 0);
    ASSERT_EQ(x.Input("<m" + attributes(0, 128) + declarations(0, 128) + "><n127:x/></m>"), 0);
    EXPECT_EQ(seen, 0); // the last start tag, n127:x, has none
    ASSERT_EQ(x.Do(kXmlpMethodFlush), 0);
    ASSERT_EQ(x.Set(kXmlpXPath, T("/m")), 0);
    EXPECT_EQ(x.Get(kXmlpAttrCount), 128);
    EXPECT_EQ(x.Text(kXmlpAttrValue, 128), "127");

    // Attr compares names without case; the tree element at the cursor answers.
    INT_PTR args[2] = {T("A17"), 0};
    EXPECT_EQ(XMLp_Do(x.obj, kXmlpMethodAttr, 2, args, nullptr), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(args[1]), "17");
    args[0] = T("none");
    EXPECT_EQ(XMLp_Do(x.obj, kXmlpMethodAttr, 2, args, nullptr), 107);
    EXPECT_STREQ(reinterpret_cast<const char*>(args[1]), "");
    EXPECT_EQ(x.Error(), "Attribute does not exist.");
    ASSERT_EQ(x.Set(kXmlpXPath, T("/m/[1]")), 0);
    EXPECT_EQ(XMLp_CheckIndex(x.obj, kXmlpAttrName, 1), 280);
    EXPECT_EQ(x.Error(), "No attributes available.");
    x.events.OnEvent(kXmlpEventStartElement, nullptr);

    // The 129th attribute, namespace declaration in scope or open element
    // stops the parse with 200.
    ASSERT_EQ(x.Do(kXmlpMethodReset), 0);
    EXPECT_EQ(x.Input("<m" + attributes(0, 129) + "/>"), 200);
    EXPECT_EQ(x.Error(), "Out of memory.");
    ASSERT_EQ(x.Do(kXmlpMethodReset), 0);
    EXPECT_EQ(x.Input("<m" + declarations(0, 100) + "><n" + declarations(100, 128) + ">"), 0);
    EXPECT_EQ(x.Input("<o" + declarations(128, 129) + "/>"), 200);
    std::string deep;
    for (int i = 0; i < 128; ++i)
        deep += "<d>";
    ASSERT_EQ(x.Do(kXmlpMethodReset), 0);
    ASSERT_EQ(x.Input(deep), 0);
    EXPECT_EQ(x.Get(kXmlpOpenElementCount), 128);
    EXPECT_EQ(x.Input("<d>"), 200);

    // Validate and BuildDOM go together; the lenient reader keeps a stray "<" as text.
    EXPECT_EQ(x.Set(kXmlpValidate, 0), 0);
    EXPECT_EQ(x.Get(kXmlpBuildDOM), 0);
    ASSERT_EQ(x.Do(kXmlpMethodReset), 0);
    x.events.Clear();
    EXPECT_EQ(x.Input("a < b"), 0);
    EXPECT_EQ(x.Do(kXmlpMethodFlush), 0);
    EXPECT_EQ(x.Log(), "1 a\n7  \n1 < b\n");
    EXPECT_EQ(x.Set(kXmlpBuildDOM, 1), 0);
    EXPECT_EQ(x.Get(kXmlpValidate), 1);
    ASSERT_EQ(x.Do(kXmlpMethodReset), 0);
    EXPECT_EQ(x.Input("a < b"), 204);
    EXPECT_EQ(x.Error(), "Invalid XML markup.");

    // Unknown prefixes stop the parse, or are reported and parsing goes on.
    ASSERT_EQ(x.Do(kXmlpMethodReset), 0);
    EXPECT_EQ(x.Input("<z:a/>"), 202);
    INT_PTR config[2] = {T("IgnoreBadElementPrefixes=true"), 0};
    EXPECT_EQ(XMLp_Do(x.obj, kXmlpMethodConfig, 2, config, nullptr), 0);
    config[0] = T("ignorebadelementprefixes");
    EXPECT_EQ(XMLp_Do(x.obj, kXmlpMethodConfig, 2, config, nullptr), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(config[1]), "True");
    ASSERT_EQ(x.Do(kXmlpMethodReset), 0);
    x.events.Clear();
    EXPECT_EQ(x.Input("<z:a y:b='1'/>"), 203);
    ASSERT_EQ(x.events.Of(kXmlpEventError).size(), 1u);
    EXPECT_EQ(x.events.Of(kXmlpEventError)[0].values[0], 202);
    EXPECT_EQ(x.events.Of(kXmlpEventError)[0].texts[1], "Unknown element prefix (can't find namespace).");
}

TEST(XmlpComponent, PathsOverTheTree)
{
    Xmlp x;
    ASSERT_EQ(x.Input("<D:prop xmlns:D='DAV:'><D:lockdiscovery><D:activelock><D:locktype><D:write/></D:locktype>"
                      "<D:owner><D:href>me &amp; you</D:href></D:owner></D:activelock></D:lockdiscovery>"
                      "<x>1</x></D:prop>"),
              0);
    ASSERT_EQ(x.Do(kXmlpMethodFlush), 0);
    EXPECT_EQ(x.Set(kXmlpXPath, T("/DAV:prop/DAV:lockdiscovery/DAV:activelock/DAV:locktype/[1]")), 0);
    EXPECT_EQ(x.Text(kXmlpPathElement), "D:write");
    EXPECT_EQ(x.Text(kXmlpPathPrefix), "D");
    EXPECT_EQ(x.Text(kXmlpPathNamespace), "DAV:");
    EXPECT_EQ(x.Text(kXmlpPathParent), "locktype");
    EXPECT_EQ(x.Set(kXmlpXPath, T("/D:prop/lockdiscovery/activelock/owner/DAV:href")), 0);
    EXPECT_EQ(x.Text(kXmlpPathText), "me & you");
    EXPECT_EQ(x.Text(kXmlpXPath), "/D:prop/lockdiscovery/activelock/owner/DAV:href");
    EXPECT_EQ(x.Set(kXmlpXPath, T("/prop")), 0);
    EXPECT_EQ(x.Get(kXmlpPathChildCount), 2);

    // A failing step leaves the cursor where the last good one put it.
    EXPECT_EQ(x.Set(kXmlpXPath, T("/prop/[3]")), 207);
    EXPECT_EQ(x.Error(), "Invalid XPath.");
    EXPECT_EQ(x.Text(kXmlpPathElement), "D:prop");
    EXPECT_EQ(x.Set(kXmlpXPath, T("/prop/x/y")), 208);
    EXPECT_EQ(x.Text(kXmlpPathElement), "x");
    EXPECT_EQ(x.Set(kXmlpXPath, T("/other")), 209);

    // No tree without BuildDOM.
    EXPECT_EQ(x.Set(kXmlpBuildDOM, 0), 0);
    ASSERT_EQ(x.Do(kXmlpMethodReset), 0);
    ASSERT_EQ(x.Input("<a><b/></a>"), 0);
    EXPECT_EQ(x.Set(kXmlpXPath, T("/a")), 210);
    EXPECT_EQ(x.Error(), "DOM tree unavailable (set BuildDOM to true and reparse).");
}

TEST(XmlpComponent, Files)
{
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(sizeof temp, temp), 0u);
    const std::string path = std::string(temp) + "xmlp-test.xml";
    // Larger than one read block, with NUL bytes that are skipped but counted.
    std::string doc = "<list>";
    for (int i = 0; i < 500; ++i)
        doc += "<item n='" + std::to_string(i) + "'>text " + std::to_string(i) + "</item>";
    doc += std::string("\0\0", 2) + "</list>";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(doc.data(), 1, doc.size(), f);
    std::fclose(f);

    Xmlp x;
    ASSERT_EQ(x.Input("<left-over>"), 0); // ParseFile starts a new document
    EXPECT_EQ(x.Do(kXmlpMethodParseFile, path.c_str()), 0);
    EXPECT_EQ(x.Get(kXmlpInputOffset), INT_PTR(doc.size()));
    EXPECT_EQ(x.events.Of(kXmlpEventStartElement).size(), 502u);
    ASSERT_EQ(x.Set(kXmlpXPath, T("/list/[500]")), 0);
    EXPECT_EQ(x.Text(kXmlpPathText), "text 499");

    EXPECT_EQ(x.Do(kXmlpMethodParseFile, (path + ".missing").c_str()), 302);
    EXPECT_EQ(x.Error(), "Can't open file for reading.");

    f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("<a><b></a>", f);
    std::fclose(f);
    EXPECT_EQ(x.Do(kXmlpMethodParseFile, path.c_str()), 201);
    EXPECT_EQ(x.Error(), "Unbalanced element tag.");
    DeleteFileA(path.c_str());
}

} // namespace
