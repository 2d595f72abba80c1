#pragma once
// Reads the HTML of an HTML mail: writes it back with the references to
// local files (IMG SRC, BODY BACKGROUND, LINK HREF) turned into "cid:"
// addresses, lists those files, and extracts the plain text that goes beside
// the HTML as its alternative.
//
//   HtmlScanner scan;
//   rc = scan.Scan(html, n, &AcceptFile, context); // AcceptFile: may this value be mailed?
//   scan.Html(), scan.Text(), scan.References()
//
// The scanner decides nothing about files: a value that IsLocalReference
// allows is offered to the accept callback, which checks that the file is
// there; values it refuses stay as they were.
#include <cstdint>
#include <vector>

#include "netcomp/core/text/NetString.h"

struct HtmlReference {
    NetString value;     // as written in the HTML
    NetString contentId; // without angle brackets
    bool image;          // IMG SRC; else a linked file (BODY BACKGROUND, LINK HREF)
};

// A reference that names a file relative to the HTML: not empty, no scheme or
// drive (nothing before a ":"), not absolute ("/" or "\" first), no ".."
// step, no "://".
bool IsLocalReference(const char* value);

// The content id of a file named by value: its letters and digits, every
// other character written as its decimal code ("a.gif" gives "a46gif").
[[nodiscard]] int AppendContentId(const char* value, uint32_t n, NetStringBase& out);

class HtmlScanner {
public:
    using Accept = bool (*)(void* context, const char* value, bool image);

    // 0, or 200 when memory runs out.
    [[nodiscard]] int Scan(const char* html, uint32_t n, Accept accept, void* context);

    const NetString& Html() const { return m_html; }
    const NetString& Text() const { return m_text; }
    const std::vector<HtmlReference>& References() const { return m_references; }

private:
    struct Attribute {
        const char* name;
        uint32_t nameLength;
        const char* value; // null: an attribute without a value
        uint32_t valueLength;
    };

    [[nodiscard]] int Tag(const char* p, const char* end, const char** next);
    [[nodiscard]] int Characters(const char* p, uint32_t n);
    [[nodiscard]] int Reference(const char* value, uint32_t n, bool image, NetStringBase& rewritten);
    [[nodiscard]] int LineBreaks(int count);

    Accept m_accept = nullptr;
    void* m_context = nullptr;
    NetString m_html;
    NetString m_text;
    std::vector<HtmlReference> m_references;
    std::vector<Attribute> m_attributes;
    int m_pre = 0;        // open PRE elements
    int m_skip = 0;       // open SCRIPT, STYLE and TITLE elements: no text
    bool m_space = false; // a blank is owed before the next word
    int m_breaks = 0;     // line ends at the end of the text so far
};
