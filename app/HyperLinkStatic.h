// A dialog's static text as a web link: blue, red and underlined under the
// mouse, purple once visited, a hand cursor and a tooltip with the address;
// a click opens the address.
#pragma once

#include "winui/Window.h"

#include <string>

class HyperLinkStatic : public Window {
public:
    enum : int { kUnderlineHover = -1, kUnderlineAlways = 1 };

    HyperLinkStatic() = default;
    ~HyperLinkStatic() override;

    bool Attach(HWND dialog, int id) { return Subclass(GetDlgItem(dialog, id)); }
    void SetURL(const std::string& address);
    std::string GetURL() const { return m_address; }
    void SetUnderline(int mode);
    void SetAutoSize(bool fit) { m_adjustToFit = fit; }

    bool IsVisited() const { return m_visited; }
    bool IsHovering() const { return m_hovering; }
    COLORREF TextColor() const;

    // Opens the address with the shell, or failing that with the command the
    // system opens web pages with; the shell's or that command's result.
    static int GotoURL(const std::string& address, int showCommand);
    // The web page command with the address in place of its "%1".
    static std::string CommandWithAddress(const std::string& command, const std::string& address);
    // What the user is told when an address cannot be opened.
    static std::string ErrorText(int code);

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnMouseMove();
    void OnTimer();
    void OnClicked();
    void Paint();
    void FitToText();
    void SelectFont(bool underlined);
    void UpdateTooltip();
    static HCURSOR LoadHandCursor();

    static constexpr UINT_PTR kHoverTimer = 100;

    COLORREF m_linkColor = RGB(0, 0, 238);
    COLORREF m_visitedColor = RGB(85, 26, 139);
    COLORREF m_hoverColor = RGB(255, 0, 0);
    bool m_hovering = false;
    bool m_visited = false;
    int m_underline = kUnderlineHover;
    bool m_adjustToFit = true;
    std::string m_address;
    HFONT m_underlinedFont = nullptr;
    HFONT m_plainFont = nullptr;
    HFONT m_currentFont = nullptr;
    HCURSOR m_cursor = nullptr;
    HWND m_tooltip = nullptr;
};
