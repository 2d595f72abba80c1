// Parsing resolves every tag name to its handler once, so rendering is a walk
// over a small tree: text slices, value tags, and if/while blocks. Text
// outside tags is copied byte for byte, HTML comment brackets included, so a
// control tag written as <!--{{if X}}--> leaves an empty comment behind.

#include "common/HtmlTemplate.h"

#include <cstring>

namespace {

const char kOpen[] = "{{";
const char kClose[] = "}}";

std::string Trim(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return std::string();
    }
    size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// "if Name" gives Name for keyword "if"; "" when contents is not that form.
std::string KeywordArgument(const std::string& contents, const std::string& keyword)
{
    if (contents.size() <= keyword.size() || contents.compare(0, keyword.size(), keyword) != 0) {
        return std::string();
    }
    char separator = contents[keyword.size()];
    if (separator != ' ' && separator != '\t') {
        return std::string();
    }
    return Trim(contents.substr(keyword.size()));
}

// Passes writes on and remembers a refused one, also one made by a handler.
class CheckedStream : public TemplateOutputStream {
public:
    explicit CheckedStream(TemplateOutputStream& out) : m_out(out) {}
    int32_t WriteText(const char* text, size_t length, size_t* written) override
    {
        int32_t result = m_out.WriteText(text, length, written);
        m_failed = m_failed || result != kStreamOk;
        return result;
    }
    int32_t Flush() override { return m_out.Flush(); }
    bool Failed() const { return m_failed; }

private:
    TemplateOutputStream& m_out;
    bool m_failed = false;
};

} // namespace

bool HtmlTemplate::Parse(const std::string& text, const TagReplacer& replacer)
{
    m_text = text;
    m_nodes.clear();
    m_error.clear();
    size_t pos = 0;
    Closer closer = Closer::End;
    std::vector<Node> nodes;
    if (!ParseBlock(replacer, pos, 0, nodes, closer)) {
        return false;
    }
    if (closer != Closer::End) {
        return Fail(closer == Closer::Else    ? "{{else}} without {{if}}"
                    : closer == Closer::EndIf ? "{{endif}} without {{if}}"
                                              : "{{endwhile}} without {{while}}",
                    pos);
    }
    m_nodes.swap(nodes);
    return true;
}

bool HtmlTemplate::Fail(const std::string& error, size_t pos)
{
    m_error = error + " at offset " + std::to_string(pos);
    m_nodes.clear();
    return false;
}

// Parses nodes from pos until the end of the text or a closing tag (else,
// endif, endwhile), which is consumed and reported in closer; the caller
// checks that it is the one it expects.
bool HtmlTemplate::ParseBlock(const TagReplacer& replacer, size_t& pos, int depth, std::vector<Node>& nodes,
                              Closer& closer)
{
    closer = Closer::End;
    while (pos < m_text.size()) {
        size_t open = m_text.find(kOpen, pos);
        if (open == std::string::npos) {
            open = m_text.size();
        }
        if (open > pos) {
            Node literal;
            literal.kind = NodeKind::Text;
            literal.offset = pos;
            literal.length = open - pos;
            nodes.push_back(literal);
        }
        if (open == m_text.size()) {
            pos = open;
            break;
        }
        size_t close = m_text.find(kClose, open + 2);
        if (close == std::string::npos) {
            return Fail("unterminated tag", open);
        }
        std::string contents = Trim(m_text.substr(open + 2, close - open - 2));
        pos = close + 2;

        if (contents == "else") {
            closer = Closer::Else;
            return true;
        }
        if (contents == "endif") {
            closer = Closer::EndIf;
            return true;
        }
        if (contents == "endwhile") {
            closer = Closer::EndWhile;
            return true;
        }

        std::string condition = KeywordArgument(contents, "if");
        bool isIf = !condition.empty();
        if (!isIf) {
            condition = KeywordArgument(contents, "while");
        }
        std::string name = condition.empty() ? contents : condition;
        if (name.empty()) {
            return Fail("empty tag", open);
        }
        int handler = replacer.FindHandler(name);
        if (handler < 0) {
            return Fail("unknown tag '" + name + "'", open);
        }
        if (condition.empty()) {
            Node value;
            value.kind = NodeKind::Value;
            value.handler = handler;
            nodes.push_back(value);
            continue;
        }

        if (depth + 1 > kMaxDepth) {
            return Fail("blocks nested too deeply", open);
        }
        Node block;
        block.kind = isIf ? NodeKind::If : NodeKind::While;
        block.handler = handler;
        Closer inner;
        if (!ParseBlock(replacer, pos, depth + 1, block.body, inner)) {
            return false;
        }
        if (isIf && inner == Closer::Else) {
            if (!ParseBlock(replacer, pos, depth + 1, block.elseBody, inner)) {
                return false;
            }
            if (inner == Closer::Else) {
                return Fail("second {{else}} in one {{if}}", pos);
            }
        }
        Closer wanted = isIf ? Closer::EndIf : Closer::EndWhile;
        if (inner != wanted) {
            return Fail(std::string(isIf ? "{{if " : "{{while ") + name + "}} not closed by " +
                            (isIf ? "{{endif}}" : "{{endwhile}}"),
                        open);
        }
        nodes.push_back(std::move(block));
    }
    return true;
}

bool HtmlTemplate::Render(TagReplacer& replacer, TemplateOutputStream& out)
{
    m_error.clear();
    m_passes = 0;
    CheckedStream checked(out);
    bool rendered = RenderNodes(m_nodes, replacer, checked);
    if (checked.Failed()) {
        m_error = "writing the output failed";
        return false;
    }
    return rendered;
}

bool HtmlTemplate::RenderNodes(const std::vector<Node>& nodes, TagReplacer& replacer, TemplateOutputStream& out)
{
    for (const Node& node : nodes) {
        switch (node.kind) {
        case NodeKind::Text:
            if (!out.Write(m_text.data() + node.offset, node.length)) {
                return false;
            }
            break;
        case NodeKind::Value:
            replacer.CallHandler(node.handler, out);
            break;
        case NodeKind::If:
            if (!RenderNodes(replacer.CallHandler(node.handler, out) ? node.body : node.elseBody, replacer, out)) {
                return false;
            }
            break;
        case NodeKind::While:
            while (replacer.CallHandler(node.handler, out)) {
                // A condition that never turns false would otherwise fill the
                // disk; real lists end long before this.
                if (++m_passes > m_maxPasses) {
                    m_error = "a {{while}} block did not end";
                    return false;
                }
                if (!RenderNodes(node.body, replacer, out)) {
                    return false;
                }
            }
            break;
        }
    }
    return true;
}

bool TagReplacer::WriteHtmlText(TemplateOutputStream& out, const std::string& text)
{
    static const char kMarkup[] = "<>\"";
    static const char* const kEntities[] = {"&lt;", "&gt;", "&quot;"};
    size_t start = 0;
    for (size_t at = text.find_first_of(kMarkup); at != std::string::npos; at = text.find_first_of(kMarkup, start)) {
        const char* entity = kEntities[std::strchr(kMarkup, text[at]) - kMarkup];
        if ((at > start && !out.Write(text.data() + start, at - start)) || !out.Write(entity, std::strlen(entity))) {
            return false;
        }
        start = at + 1;
    }
    return start == text.size() || out.Write(text.data() + start, text.size() - start);
}
