#include "app/HyperLinkStatic.h"

#include "common/MessageBoxHook.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <vector>

namespace {

// The default value of a key below HKEY_CLASSES_ROOT, at most MAX_PATH
// characters; "" when there is none.
std::string ClassesRootValue(const std::string& key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) {
        return std::string();
    }
    char value[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    DWORD type = 0;
    const LONG result = RegQueryValueExA(handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(handle);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::string();
    }
    value[MAX_PATH] = '\0';
    return std::string(value);
}

} // namespace

HyperLinkStatic::~HyperLinkStatic()
{
    if (m_underlinedFont != nullptr) {
        DeleteObject(m_underlinedFont);
    }
    if (m_plainFont != nullptr) {
        DeleteObject(m_plainFont);
    }
    if (m_cursor != nullptr) {
        DestroyCursor(m_cursor);
    }
}

std::string HyperLinkStatic::ErrorText(int code)
{
    const char* text = nullptr;
    switch (code) {
    case 0:
        text = "The operating system is out\nof memory or resources.";
        break;
    case SE_ERR_FNF:
        text = "The specified file was not found.";
        break;
    case SE_ERR_PNF:
        text = "The specified path was not found.";
        break;
    case SE_ERR_ACCESSDENIED:
        text = "The operating system denied\naccess to the specified file.";
        break;
    case SE_ERR_OOM:
        text = "There was not enough memory to complete the operation.";
        break;
    case ERROR_BAD_FORMAT:
        text = "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
        break;
    case SE_ERR_SHARE:
        text = "A sharing violation occurred. ";
        break;
    case SE_ERR_ASSOCINCOMPLETE:
        text = "The filename association is\nincomplete or invalid.";
        break;
    case SE_ERR_DDETIMEOUT:
        text = "The DDE transaction could not\nbe completed because the request timed out.";
        break;
    case SE_ERR_DDEFAIL:
        text = "The DDE transaction failed.";
        break;
    case SE_ERR_DDEBUSY:
        text = "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
        break;
    case SE_ERR_NOASSOC:
        text = "There is no application associated\nwith the given filename extension.";
        break;
    case SE_ERR_DLLNOTFOUND:
        text = "The specified dynamic-link library was not found.";
        break;
    default: {
        char unknown[64];
        snprintf(unknown, sizeof(unknown), "Unknown Error (%d) occurred.", code);
        return std::string("Unable to open hyperlink:\n\n") + unknown;
    }
    }
    return std::string("Unable to open hyperlink:\n\n") + text;
}

// The command's "%1" is where the page goes: a quoted "%1" is cut at its
// opening quote, else a bare one; a command without it is kept whole.
std::string HyperLinkStatic::CommandWithAddress(const std::string& command, const std::string& address)
{
    std::string cut = command;
    auto at = cut.find("\"%1\"");
    if (at == std::string::npos) {
        at = cut.find("%1");
    }
    if (at != std::string::npos) {
        cut.erase(at);
    }
    return cut + " " + address;
}

int HyperLinkStatic::GotoURL(const std::string& address, int showCommand)
{
    const auto shell =
        reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, showCommand));
    if (shell > 32) {
        return static_cast<int>(shell);
    }
    const std::string pageClass = ClassesRootValue(".htm");
    const std::string command = ClassesRootValue(pageClass + "\\shell\\open\\command");
    if (pageClass.empty() || command.empty()) {
        return static_cast<int>(shell);
    }
    return static_cast<int>(WinExec(CommandWithAddress(command, address).c_str(), static_cast<UINT>(showCommand)));
}

COLORREF HyperLinkStatic::TextColor() const
{
    if (m_hovering) {
        return m_hoverColor;
    }
    return m_visited ? m_visitedColor : m_linkColor;
}

void HyperLinkStatic::SetURL(const std::string& address)
{
    m_address = address;
    if (m_hwnd != nullptr) {
        FitToText();
        UpdateTooltip();
    }
}

void HyperLinkStatic::SetUnderline(int mode)
{
    m_underline = mode;
    if (m_hwnd != nullptr) {
        SelectFont(m_underline == kUnderlineAlways || (m_underline == kUnderlineHover && m_hovering));
    }
}

void HyperLinkStatic::PreSubclassWindow()
{
    SetWindowLongPtrA(m_hwnd, GWL_STYLE, GetWindowLongPtrA(m_hwnd, GWL_STYLE) | SS_NOTIFY);

    char text[1024] = {};
    GetWindowTextA(m_hwnd, text, sizeof(text));
    if (m_address.empty()) {
        m_address = text;
    }
    if (text[0] == '\0') {
        SetWindowTextA(m_hwnd, m_address.c_str());
    }

    HFONT font = reinterpret_cast<HFONT>(SendMessageA(m_hwnd, WM_GETFONT, 0, 0));
    if (font == nullptr) {
        font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }
    LOGFONTA logFont = {};
    GetObjectA(font, sizeof(logFont), &logFont);
    logFont.lfUnderline = FALSE;
    m_plainFont = CreateFontIndirectA(&logFont);
    logFont.lfUnderline = TRUE;
    m_underlinedFont = CreateFontIndirectA(&logFont);

    FitToText();
    m_cursor = LoadHandCursor();
    UpdateTooltip();
    SelectFont(m_underline == kUnderlineAlways);
}

void HyperLinkStatic::SelectFont(bool underlined)
{
    m_currentFont = underlined ? m_underlinedFont : m_plainFont;
    InvalidateRect(m_hwnd, nullptr, TRUE);
}

// The control takes the size of its text, keeping the alignment of its
// static style; the z-order stays.
void HyperLinkStatic::FitToText()
{
    if (!m_adjustToFit || m_hwnd == nullptr) {
        return;
    }
    RECT rect = {};
    GetWindowRect(m_hwnd, &rect);
    HWND parent = GetParent(m_hwnd);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);

    char text[1024] = {};
    GetWindowTextA(m_hwnd, text, sizeof(text));
    HDC dc = GetDC(m_hwnd);
    HGDIOBJ old = SelectObject(dc, m_plainFont != nullptr ? m_plainFont : GetStockObject(DEFAULT_GUI_FONT));
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
    SelectObject(dc, old);
    ReleaseDC(m_hwnd, dc);

    const LONG style = static_cast<LONG>(GetWindowLongPtrA(m_hwnd, GWL_STYLE)) & SS_TYPEMASK;
    const LONG width = rect.right - rect.left;
    LONG left = rect.left;
    if (style == SS_CENTER) {
        left = rect.left + (width - extent.cx) / 2;
    } else if (style == SS_RIGHT) {
        left = rect.right - extent.cx;
    }
    SetWindowPos(m_hwnd, nullptr, left, rect.top, extent.cx, extent.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

void HyperLinkStatic::UpdateTooltip()
{
    if (m_tooltip == nullptr) {
        m_tooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                    m_hwnd, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (m_tooltip == nullptr) {
            return;
        }
        TOOLINFOA tool = {};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = GetParent(m_hwnd);
        tool.uId = reinterpret_cast<UINT_PTR>(m_hwnd);
        tool.lpszText = const_cast<char*>(m_address.c_str());
        SendMessageA(m_tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        return;
    }
    TOOLINFOA tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = GetParent(m_hwnd);
    tool.uId = reinterpret_cast<UINT_PTR>(m_hwnd);
    tool.lpszText = const_cast<char*>(m_address.c_str());
    SendMessageA(m_tooltip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

// The help viewer's hand, copied so it outlives the library.
HCURSOR HyperLinkStatic::LoadHandCursor()
{
    char folder[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    const std::string path = std::string(folder) + "\\winhlp32.exe";
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        return nullptr;
    }
    HCURSOR copy = nullptr;
    HCURSOR hand = LoadCursorA(module, MAKEINTRESOURCEA(106));
    if (hand != nullptr) {
        copy = CopyCursor(hand);
    }
    FreeLibrary(module);
    return copy;
}

void HyperLinkStatic::OnMouseMove()
{
    if (m_hovering) {
        return;
    }
    m_hovering = true;
    if (m_underline == kUnderlineHover) {
        SelectFont(true);
    }
    InvalidateRect(m_hwnd, nullptr, TRUE);
    SetTimer(m_hwnd, kHoverTimer, 100, nullptr);
}

void HyperLinkStatic::OnTimer()
{
    const DWORD position = GetMessagePos();
    POINT point = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    ScreenToClient(m_hwnd, &point);
    RECT client = {};
    GetClientRect(m_hwnd, &client);
    if (PtInRect(&client, point)) {
        return;
    }
    m_hovering = false;
    KillTimer(m_hwnd, kHoverTimer);
    if (m_underline != kUnderlineAlways) {
        SelectFont(false);
    }
    client.bottom += 10;
    InvalidateRect(m_hwnd, &client, TRUE);
}

void HyperLinkStatic::OnClicked()
{
    m_hovering = false;
    const int result = GotoURL(m_address, SW_SHOW);
    if (result > 32) {
        m_visited = true;
        InvalidateRect(m_hwnd, nullptr, TRUE);
        return;
    }
    MessageBeep(MB_ICONEXCLAMATION);
    ShowMessageBox(GetParent(m_hwnd), ErrorText(result), "Kestrova", MB_OK | MB_ICONEXCLAMATION);
}

// Drawn here rather than through the parent's colour message, so the
// control needs nothing of the dialog that holds it.
void HyperLinkStatic::Paint()
{
    PAINTSTRUCT paint = {};
    HDC dc = BeginPaint(m_hwnd, &paint);
    RECT client = {};
    GetClientRect(m_hwnd, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_3DFACE));
    char text[1024] = {};
    GetWindowTextA(m_hwnd, text, sizeof(text));
    HGDIOBJ old = SelectObject(dc, m_currentFont != nullptr ? m_currentFont : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, TextColor());
    const LONG style = static_cast<LONG>(GetWindowLongPtrA(m_hwnd, GWL_STYLE)) & SS_TYPEMASK;
    const UINT align = style == SS_CENTER ? DT_CENTER : (style == SS_RIGHT ? DT_RIGHT : DT_LEFT);
    ::DrawTextA(dc, text, -1, &client, align | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    EndPaint(m_hwnd, &paint);
}

LRESULT HyperLinkStatic::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND: {
        RECT client = {};
        GetClientRect(m_hwnd, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_3DFACE));
        return TRUE;
    }
    case WM_SETCURSOR:
        if (m_cursor != nullptr) {
            ::SetCursor(m_cursor);
            return TRUE;
        }
        break;
    case WM_MOUSEMOVE:
        OnMouseMove();
        break;
    case WM_TIMER:
        if (wParam == kHoverTimer) {
            OnTimer();
            return 0;
        }
        break;
    case kReflectBase + WM_COMMAND:
        if (HIWORD(wParam) == STN_CLICKED) {
            OnClicked();
        }
        return 0;
    default:
        break;
    }
    return Window::WindowProc(message, wParam, lParam);
}
