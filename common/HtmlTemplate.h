// The report template language: literal text with {{Name}} value tags and
// {{if Name}} {{else}} {{endif}} and {{while Name}} {{endwhile}} blocks.
#pragma once

#include "common/TagReplacer.h"
#include "common/TemplateOutputStream.h"

#include <string>
#include <vector>

class HtmlTemplate {
public:
    // Blocks nest at most this deep; deeper templates are refused.
    static const int kMaxDepth = 64;

    // Parses text against the replacer's tag names. On failure the template
    // is empty and Error() says why.
    bool Parse(const std::string& text, const TagReplacer& replacer);
    // Renders the parsed template. Fails when the stream refuses a write or
    // when a while block runs more than maxPasses passes in one render.
    bool Render(TagReplacer& replacer, TemplateOutputStream& out);

    const std::string& Error() const { return m_error; }
    void SetMaxPasses(unsigned long passes) { m_maxPasses = passes; }

private:
    enum class NodeKind { Text, Value, If, While };
    struct Node {
        NodeKind kind = NodeKind::Text;
        size_t offset = 0; // Text: the slice of m_text
        size_t length = 0;
        int handler = -1;
        std::vector<Node> body;     // If: the taken block; While: the loop body
        std::vector<Node> elseBody; // If: the block after {{else}}
    };
    enum class Closer { End, Else, EndIf, EndWhile };

    bool ParseBlock(const TagReplacer& replacer, size_t& pos, int depth, std::vector<Node>& nodes, Closer& closer);
    bool Fail(const std::string& error, size_t pos);
    bool RenderNodes(const std::vector<Node>& nodes, TagReplacer& replacer, TemplateOutputStream& out);

    std::string m_text;
    std::vector<Node> m_nodes;
    std::string m_error;
    unsigned long m_maxPasses = 1000000;
    unsigned long m_passes = 0;
};
