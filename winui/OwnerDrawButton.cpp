// Drawing happens on the reflected WM_DRAWITEM, clicks on the reflected
// BN_CLICKED, so the button behaves the same in every dialog. Hover tracking
// asks for one WM_MOUSELEAVE per entry. The tooltip relays the button's
// mouse messages itself (TTF_SUBCLASS).
#include "winui/OwnerDrawButton.h"

#include "asset/TextHelpers.h"

#include <commctrl.h>
#include <shellapi.h>
#include <uxtheme.h>

#include <vector>

OwnerDrawButton::OwnerDrawButton() : m_background(GetSysColor(COLOR_BTNFACE)), m_foreground(GetSysColor(COLOR_BTNTEXT))
{
}

OwnerDrawButton::~OwnerDrawButton()
{
    FreeIcons();
    if (m_menu != nullptr) {
        DestroyMenu(m_menu);
    }
}

void OwnerDrawButton::FreeIcons()
{
    if (m_iconDisabled != nullptr) {
        DestroyIcon(m_iconDisabled);
        m_iconDisabled = nullptr;
    }
    if (m_iconOut != nullptr && m_iconOut != m_iconIn) {
        DestroyIcon(m_iconOut);
    }
    if (m_iconIn != nullptr) {
        DestroyIcon(m_iconIn);
    }
    m_iconIn = m_iconOut = nullptr;
}

BYTE OwnerDrawButton::GreyValue(BYTE red, BYTE green, BYTE blue)
{
    double grey = 0.299 * red + 0.587 * green + 0.114 * blue;
    return static_cast<BYTE>(grey > 255.0 ? 255 : grey);
}

COLORREF OwnerDrawButton::DarkerColor(COLORREF color, double factor)
{
    if (!(factor > 0.0 && factor <= 1.0)) {
        return color;
    }
    auto darker = [factor](BYTE c) { return static_cast<BYTE>(c - c * factor); };
    return RGB(darker(GetRValue(color)), darker(GetGValue(color)), darker(GetBValue(color)));
}

void OwnerDrawButton::PreSubclassWindow()
{
    LONG_PTR style = GetWindowLongPtrA(m_hwnd, GWL_STYLE);
    LONG_PTR kind = style & BS_TYPEMASK;
    m_isDefault = kind == BS_DEFPUSHBUTTON;
    m_isCheckBox = kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX;
    SetWindowLongPtrA(m_hwnd, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
}

HICON OwnerDrawButton::MakeIconCopy(HICON source, bool darker)
{
    ICONINFO info = {};
    if (!GetIconInfo(source, &info) || info.hbmColor == nullptr) {
        return nullptr;
    }
    BITMAP bitmap = {};
    GetObjectA(info.hbmColor, sizeof(bitmap), &bitmap);
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = bitmap.bmWidth;
    format.bmiHeader.biHeight = bitmap.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<RGBQUAD> pixels(static_cast<size_t>(bitmap.bmWidth) * bitmap.bmHeight);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, info.hbmColor, 0, bitmap.bmHeight, pixels.data(), &format, DIB_RGB_COLORS);
    for (RGBQUAD& pixel : pixels) {
        if (darker) {
            COLORREF c = DarkerColor(RGB(pixel.rgbRed, pixel.rgbGreen, pixel.rgbBlue), 0.25);
            pixel.rgbRed = GetRValue(c);
            pixel.rgbGreen = GetGValue(c);
            pixel.rgbBlue = GetBValue(c);
        } else {
            BYTE grey = GreyValue(pixel.rgbRed, pixel.rgbGreen, pixel.rgbBlue);
            pixel.rgbRed = pixel.rgbGreen = pixel.rgbBlue = grey; // black stays black
        }
    }
    SetDIBits(dc, info.hbmColor, 0, bitmap.bmHeight, pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    HICON copy = CreateIconIndirect(&info); // the mask is kept as it was
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return copy;
}

// The standard icon size at the screen's dpi: 32 pixels at 96 dpi, 48 at 144.
int OwnerDrawButton::ScreenIconSize()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    ReleaseDC(nullptr, screen);
    return MulDiv(32, dpi, 96);
}

int OwnerDrawButton::SetIcon(int inIcon, int outIcon, int size)
{
    FreeIcons();
    if (size == 0) {
        size = ScreenIconSize();
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    auto load = [&](int id) {
        return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
    };
    m_iconIn = load(inIcon);
    if (m_iconIn == nullptr) {
        return kBadParameter;
    }
    if (outIcon == kOutGrey || outIcon == kOutDarker) {
        m_iconOut = MakeIconCopy(m_iconIn, outIcon == kOutDarker);
    } else if (outIcon != kOutNone) {
        m_iconOut = load(outIcon);
    } else {
        // One icon: a disabled button shows it in grey.
        m_iconDisabled = MakeIconCopy(m_iconIn, false);
    }
    ICONINFO info = {};
    if (GetIconInfo(m_iconIn, &info)) {
        BITMAP bitmap = {};
        GetObjectA(info.hbmMask, sizeof(bitmap), &bitmap);
        m_iconSize = bitmap.bmWidth;
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    InvalidateRect(m_hwnd, nullptr, TRUE);
    return 0;
}

int OwnerDrawButton::SetAlign(int align, bool redraw)
{
    if (align < kAlignLeft || align > kAlignOver) {
        return kBadParameter;
    }
    m_align = align;
    if (redraw && m_hwnd != nullptr) {
        InvalidateRect(m_hwnd, nullptr, TRUE);
    }
    return 0;
}

int OwnerDrawButton::SetFlat(bool flat, bool redraw)
{
    m_flat = flat;
    if (redraw && m_hwnd != nullptr) {
        InvalidateRect(m_hwnd, nullptr, TRUE);
    }
    return 0;
}

int OwnerDrawButton::SetTooltipText(UINT stringId, bool activate)
{
    m_tooltipText = LoadResourceString(stringId, nullptr);
    if (m_tooltip == nullptr) {
        m_tooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | m_tooltipStyle,
                                    0, 0, 0, 0, m_hwnd, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (m_tooltip == nullptr) {
            return kBadParameter;
        }
        SendMessageA(m_tooltip, TTM_SETMAXTIPWIDTH, 0, 400);
        TOOLINFOA tool = {};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = GetParent(m_hwnd);
        tool.uId = reinterpret_cast<UINT_PTR>(m_hwnd);
        tool.lpszText = const_cast<char*>("");
        SendMessageA(m_tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    TOOLINFOA tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = GetParent(m_hwnd);
    tool.uId = reinterpret_cast<UINT_PTR>(m_hwnd);
    tool.lpszText = const_cast<char*>(m_tooltipText.c_str());
    SendMessageA(m_tooltip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(m_tooltip, TTM_ACTIVATE, activate ? TRUE : FALSE, 0);
    return 0;
}

int OwnerDrawButton::SetUrl(const std::string& url)
{
    if (url.size() > MAX_PATH) {
        return kBadParameter;
    }
    m_url = url;
    return 0;
}

int OwnerDrawButton::SetMenu(UINT menuId, HWND owner)
{
    if (m_menu != nullptr) {
        DestroyMenu(m_menu);
    }
    m_menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(menuId));
    m_menuOwner = owner;
    return m_menu != nullptr ? 0 : kBadParameter;
}

void OwnerDrawButton::SetHovering(bool hovering)
{
    if (m_hovering != hovering) {
        m_hovering = hovering;
        InvalidateRect(m_hwnd, nullptr, TRUE);
    }
}

void OwnerDrawButton::OnMouseMove()
{
    if (!m_flat) {
        return;
    }
    POINT cursor;
    GetCursorPos(&cursor);
    bool over = WindowFromPoint(cursor) == m_hwnd && (m_trackWhileInactive || GetActiveWindow() != nullptr);
    if (over && !m_hovering) {
        SetHovering(true);
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, m_hwnd, 0};
        TrackMouseEvent(&track);
    } else if (!over) {
        SetHovering(false);
    }
}

void OwnerDrawButton::OnClicked()
{
    if (m_isCheckBox) {
        m_checked = !m_checked;
        InvalidateRect(m_hwnd, nullptr, TRUE);
        return;
    }
    if (m_menu != nullptr) {
        m_pressed = true;
        InvalidateRect(m_hwnd, nullptr, TRUE);
        UpdateWindow(m_hwnd);
        if (m_menuCallback) {
            m_menuCallback();
        }
        RECT rect;
        GetWindowRect(m_hwnd, &rect);
        UINT command = TrackPopupMenu(GetSubMenu(m_menu, 0), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, rect.left,
                                      rect.bottom, 0, m_hwnd, nullptr);
        m_pressed = false;
        InvalidateRect(m_hwnd, nullptr, TRUE);
        if (command != 0 && m_menuOwner != nullptr) {
            PostMessageA(m_menuOwner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
        }
    } else if (!m_url.empty()) {
        SHELLEXECUTEINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = SEE_MASK_FLAG_NO_UI;
        info.lpVerb = "open";
        info.lpFile = m_url.c_str();
        info.nShow = SW_SHOWMAXIMIZED;
        ShellExecuteExA(&info);
    }
}

RECT OwnerDrawButton::PictureRect(const RECT& client, bool hasText) const
{
    const int size = m_iconSize;
    RECT rect;
    rect.left = (client.right - size) / 2;
    rect.top = (client.bottom - size) / 2;
    if (hasText) {
        if (m_align == kAlignLeft) {
            rect.left = 3;
        } else if (m_align == kAlignTop) {
            rect.top = 3;
        } else if (m_align == kAlignRight) {
            rect.left = client.right - size - 3;
        }
    }
    rect.right = rect.left + size;
    rect.bottom = rect.top + size;
    return rect;
}

// The parent paints what lies under the button: a themed tab page is not
// the button face's grey, and a square of that grey would stand out on it.
// Under the mouse the raised edge shows the button.
void OwnerDrawButton::DrawBackground(HDC dc, const RECT& rect)
{
    RECT area = rect; // the call takes a writable rectangle
    if (SUCCEEDED(DrawThemeParentBackground(m_hwnd, dc, &area))) {
        return;
    }
    HBRUSH brush = CreateSolidBrush(m_background);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

void OwnerDrawButton::DrawBorder(HDC dc, const RECT& rect, bool pressed)
{
    RECT edge = rect;
    if (pressed || (m_isCheckBox && m_checked)) {
        DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
    } else if (!m_flat || m_hovering) {
        DrawEdge(dc, &edge, m_flat ? BDR_RAISEDINNER : EDGE_RAISED, BF_RECT);
    }
}

void OwnerDrawButton::DrawIcon(HDC dc, const RECT& rect, bool pressed, bool disabled)
{
    HICON icon = m_iconIn;
    if (disabled && m_iconDisabled != nullptr) {
        icon = m_iconDisabled;
    } else if ((disabled || !m_hovering) && m_iconOut != nullptr) {
        icon = m_iconOut;
    }
    if (icon == nullptr) {
        return;
    }
    int length = GetWindowTextLengthA(m_hwnd);
    RECT picture = PictureRect(rect, length > 0);
    if (pressed && !m_isCheckBox) {
        OffsetRect(&picture, 1, 1);
    }
    DrawIconEx(dc, picture.left, picture.top, icon, m_iconSize, m_iconSize, 0, nullptr, DI_NORMAL);
}

void OwnerDrawButton::DrawText(HDC dc, const RECT& rect, bool disabled)
{
    char text[256] = {};
    GetWindowTextA(m_hwnd, text, sizeof(text));
    if (text[0] == '\0') {
        return;
    }
    RECT area = rect;
    if (m_iconIn != nullptr) {
        if (m_align == kAlignLeft) {
            area.left += m_iconSize + 6;
        } else if (m_align == kAlignTop) {
            area.top += m_iconSize + 6;
        } else if (m_align == kAlignRight) {
            area.right -= m_iconSize + 6;
        }
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, disabled ? GetSysColor(COLOR_GRAYTEXT) : m_foreground);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(m_hwnd, WM_GETFONT, 0, 0));
    HGDIOBJ old = font != nullptr ? SelectObject(dc, font) : nullptr;
    ::DrawTextA(dc, text, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (old != nullptr) {
        SelectObject(dc, old);
    }
}

void OwnerDrawButton::Draw(const DRAWITEMSTRUCT& item)
{
    bool pressed = (item.itemState & ODS_SELECTED) != 0 || m_pressed;
    bool disabled = (item.itemState & ODS_DISABLED) != 0;
    DrawBackground(item.hDC, item.rcItem);
    DrawBorder(item.hDC, item.rcItem, pressed);
    DrawIcon(item.hDC, item.rcItem, pressed, disabled);
    DrawText(item.hDC, item.rcItem, disabled);
    if ((item.itemState & ODS_FOCUS) != 0) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(item.hDC, &focus);
    }
}

LRESULT OwnerDrawButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kReflectBase + WM_DRAWITEM:
        Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case kReflectBase + WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            OnClicked();
        }
        return 0; // the parent sees the click as well
    case kReflectBase + WM_CTLCOLORBTN:
        return reinterpret_cast<LRESULT>(GetStockObject(HOLLOW_BRUSH));
    case BM_SETSTYLE:
        m_isDefault = (wParam & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        return Default(message, (wParam & ~BS_TYPEMASK) | BS_OWNERDRAW, lParam);
    case BM_GETCHECK:
        return m_checked ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
        if (m_isCheckBox) {
            m_checked = wParam == BST_CHECKED || wParam == BST_INDETERMINATE;
            InvalidateRect(m_hwnd, nullptr, TRUE);
        }
        return 0;
    case WM_GETDLGCODE:
        return Default(message, wParam, lParam) | (m_isDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case WM_SETCURSOR:
        if (m_cursor != nullptr) {
            ::SetCursor(m_cursor);
            return TRUE;
        }
        break;
    case WM_MOUSEMOVE:
        OnMouseMove();
        break;
    case WM_MOUSELEAVE:
        SetHovering(false);
        return 0;
    case WM_LBUTTONDBLCLK:
        message = WM_LBUTTONDOWN; // a quick second click is a click
        break;
    case WM_SYSCOLORCHANGE:
        m_background = GetSysColor(COLOR_BTNFACE);
        m_foreground = GetSysColor(COLOR_BTNTEXT);
        InvalidateRect(m_hwnd, nullptr, TRUE);
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_CANCELMODE:
    case WM_ACTIVATE:
        InvalidateRect(m_hwnd, nullptr, TRUE);
        break;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}
