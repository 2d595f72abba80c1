#include "winui/DialogTemplate.h"

namespace {

void PutDword(std::vector<WORD>& out, DWORD value)
{
    out.push_back(LOWORD(value));
    out.push_back(HIWORD(value));
}

void PutText(std::vector<WORD>& out, const std::string& text)
{
    for (unsigned char c : text) {
        out.push_back(c);
    }
    out.push_back(0);
}

void AlignDword(std::vector<WORD>& out)
{
    if (out.size() % 2 != 0) {
        out.push_back(0);
    }
}

} // namespace

DialogTemplate::DialogTemplate(DWORD style, short x, short y, short cx, short cy, const std::string& title)
    : m_style(style | DS_SETFONT), m_x(x), m_y(y), m_cx(cx), m_cy(cy), m_title(title)
{
}

void DialogTemplate::AddItem(const std::string& className, WORD id, DWORD style, short x, short y, short cx, short cy,
                             const std::string& text)
{
    m_items.push_back({className, id, style | WS_CHILD | WS_VISIBLE, x, y, cx, cy, text});
}

std::vector<WORD> DialogTemplate::Build() const
{
    std::vector<WORD> out;
    PutDword(out, m_style);
    PutDword(out, 0); // extended style
    out.push_back(static_cast<WORD>(m_items.size()));
    out.push_back(static_cast<WORD>(m_x));
    out.push_back(static_cast<WORD>(m_y));
    out.push_back(static_cast<WORD>(m_cx));
    out.push_back(static_cast<WORD>(m_cy));
    out.push_back(0); // no menu
    out.push_back(0); // the dialog class
    PutText(out, m_title);
    out.push_back(8);
    PutText(out, "MS Shell Dlg");
    for (const Item& item : m_items) {
        AlignDword(out);
        PutDword(out, item.m_style);
        PutDword(out, 0);
        out.push_back(static_cast<WORD>(item.m_x));
        out.push_back(static_cast<WORD>(item.m_y));
        out.push_back(static_cast<WORD>(item.m_cx));
        out.push_back(static_cast<WORD>(item.m_cy));
        out.push_back(item.m_id);
        PutText(out, item.m_className);
        PutText(out, item.m_text);
        out.push_back(0); // no creation data
    }
    return out;
}
