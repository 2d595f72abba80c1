#include "common/FileWriteStream.h"
#include "common/HtmlTemplate.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace {

class StringStream : public TemplateOutputStream {
public:
    int32_t WriteText(const char* text, size_t length, size_t* written) override
    {
        if (m_failAfter-- == 0) {
            return kStreamFail;
        }
        m_text.append(text, length);
        *written = length;
        return kStreamOk;
    }
    int32_t Flush() override { return kStreamOk; }
    std::string m_text;
    int m_failAfter = -1;
};

// Values write their text; "Yes"/"No" are fixed conditions; "HasItem" is true
// while items remain and "NextItem" moves on, as a list cursor does.
class MapReplacer : public TagReplacer {
public:
    MapReplacer() : m_names{"Name", "Item", "Yes", "No", "HasItem", "NextItem"} {}
    int FindHandler(const std::string& name) const override
    {
        for (size_t i = 0; i < m_names.size(); ++i) {
            if (m_names[i] == name) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    bool CallHandler(int handler, TemplateOutputStream& out) override
    {
        switch (handler) {
        case 0:
            return out.Write("jsmith", 6);
        case 1:
            return out.Write(m_items[m_index].data(), m_items[m_index].size());
        case 2:
            return true;
        case 3:
            return false;
        case 4:
            return m_index < m_items.size();
        default:
            ++m_index;
            return true;
        }
    }
    std::vector<std::string> m_names;
    std::vector<std::string> m_items{"a", "b", "c"};
    size_t m_index = 0;
};

std::string Render(const std::string& text, MapReplacer& replacer)
{
    HtmlTemplate stencil;
    EXPECT_TRUE(stencil.Parse(text, replacer)) << stencil.Error();
    StringStream out;
    EXPECT_TRUE(stencil.Render(replacer, out)) << stencil.Error();
    return out.m_text;
}

std::string Render(const std::string& text)
{
    MapReplacer replacer;
    return Render(text, replacer);
}

} // namespace

TEST(HtmlTemplate, CopiesTextAndReplacesTagsAnywhere)
{
    std::string binary("<p>\xe9\0\x01}} { {x}</p>", 17);
    EXPECT_EQ(binary, Render(binary));
    EXPECT_EQ("", Render(""));
    EXPECT_EQ("<a href=\"/u?n=jsmith\">jsmith</a>", Render("<a href=\"/u?n={{Name}}\">{{ Name }}</a>"));
    EXPECT_EQ("<!---->jsmith<!---->", Render("<!--{{if Yes}}-->{{Name}}<!--{{endif}}-->"));
}

TEST(HtmlTemplate, ConditionsLoopsAndNesting)
{
    EXPECT_EQ("yes", Render("{{if Yes}}yes{{else}}no{{endif}}"));
    EXPECT_EQ("no", Render("{{if No}}yes{{else}}no{{endif}}"));
    EXPECT_EQ("", Render("{{if No}}yes{{endif}}"));
    EXPECT_EQ("[a][b][c]", Render("{{while HasItem}}[{{Item}}]{{NextItem}}{{endwhile}}"));

    // The shape of the hotfix list: a condition inside a loop inside a condition.
    const char* list = "{{if HasItem}}<ul>{{while HasItem}}<li>{{if Yes}}{{Item}}{{if No}}!{{else}}.{{endif}}{{endif}}"
                       "</li>{{NextItem}}{{endwhile}}</ul>{{else}}none{{endif}}";
    EXPECT_EQ("<ul><li>a.</li><li>b.</li><li>c.</li></ul>", Render(list));
    MapReplacer empty;
    empty.m_items.clear();
    EXPECT_EQ("none", Render(list, empty));
}

TEST(HtmlTemplate, RefusesMalformedTemplates)
{
    MapReplacer replacer;
    const char* bad[] = {
        "{{if Yes}}x",      "{{while HasItem}}x{{endif}}",
        "x{{endif}}",       "{{else}}",
        "{{endwhile}}",     "{{if Yes}}a{{else}}b{{else}}c{{endif}}",
        "{{Name",           "{{Unknown}}",
        "{{name}}",         "{{}}",
        "{{if }}{{endif}}", "{{if Yes}}{{while HasItem}}{{endif}}{{endwhile}}",
    };
    for (const char* text : bad) {
        HtmlTemplate stencil;
        EXPECT_FALSE(stencil.Parse(text, replacer)) << text;
        EXPECT_FALSE(stencil.Error().empty()) << text;
        StringStream out;
        EXPECT_TRUE(stencil.Render(replacer, out));
        EXPECT_EQ("", out.m_text) << text;
    }
    std::string deep;
    for (int i = 0; i <= HtmlTemplate::kMaxDepth; ++i) {
        deep = "{{if Yes}}" + deep + "{{endif}}";
    }
    HtmlTemplate stencil;
    EXPECT_FALSE(stencil.Parse(deep, replacer));
}

TEST(HtmlTemplate, RenderFailures)
{
    MapReplacer replacer;
    HtmlTemplate stencil;
    ASSERT_TRUE(stencil.Parse("a{{Name}}b", replacer));
    StringStream refusing;
    refusing.m_failAfter = 1;
    EXPECT_FALSE(stencil.Render(replacer, refusing));

    // A loop whose condition never turns false is stopped.
    ASSERT_TRUE(stencil.Parse("{{while Yes}}x{{endwhile}}", replacer));
    stencil.SetMaxPasses(5);
    StringStream out;
    EXPECT_FALSE(stencil.Render(replacer, out));
    EXPECT_EQ("xxxxx", out.m_text);
}

TEST(FileWriteStream, WritesBytesUntilANul)
{
    const std::string path = "file-write-stream.out";
    {
        FileWriteStream closed("no-such-folder/x.htm");
        size_t written = 7;
        EXPECT_FALSE(closed.Open());
        EXPECT_EQ(kStreamFail, closed.WriteText("abc", 3, &written));
        EXPECT_EQ(7u, written);

        FileWriteStream stream(path);
        ASSERT_TRUE(stream.Open());
        EXPECT_EQ(kStreamOk, stream.WriteText("a\r\nb", 4, &written));
        EXPECT_EQ(kStreamOk, stream.WriteText("c\0d", 3, &written));
        EXPECT_EQ(3u, written);
    }
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ("a\r\nbc", content.str());
    std::remove(path.c_str());
}
