// A dialog template built in memory (the DLGTEMPLATE layout), for dialogs
// that have no resource: the empty view, and probe dialogs in tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class DialogTemplate {
public:
    // Dialog units; the font is 8-point "MS Shell Dlg".
    DialogTemplate(DWORD style, short x, short y, short cx, short cy, const std::string& title);

    // className: "BUTTON", "EDIT", "STATIC", "COMBOBOX" or any registered
    // class name.
    void AddItem(const std::string& className, WORD id, DWORD style, short x, short y, short cx, short cy,
                 const std::string& text);
    // Words, DWORD-aligned as the dialog manager wants them.
    std::vector<WORD> Build() const;

private:
    struct Item {
        std::string m_className;
        WORD m_id;
        DWORD m_style;
        short m_x, m_y, m_cx, m_cy;
        std::string m_text;
    };
    DWORD m_style;
    short m_x, m_y, m_cx, m_cy;
    std::string m_title;
    std::vector<Item> m_items;
};
