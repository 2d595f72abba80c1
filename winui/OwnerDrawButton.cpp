// Drawing happens on the reflected WM_DRAWITEM, clicks on the reflected
// BN_CLICKED, so the button behaves the same in every dialog. Hover tracking
// asks for one WM_MOUSELEAVE per entry. The tooltip relays the button's
// mouse messages itself (TTF_SUBCLASS). A bitmap is drawn through its mask:
// the mask clears the picture's pixels out of what is there (AND), then the
// picture, black where it is transparent, is laid in (OR).
#include "winui/OwnerDrawButton.h"

#include "asset/TextHelpers.h"

#include <commctrl.h>
#include <shellapi.h>
#include <uxtheme.h>

#include <vector>

OwnerDrawButton::OwnerDrawButton()
{
    SetDefaultColors(false);
}

OwnerDrawButton::~OwnerDrawButton()
{
    FreeIcons();
    FreeBitmaps();
    FreeParentBackground();
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

void OwnerDrawButton::FreeBitmap(MaskedBitmap& bitmap)
{
    if (bitmap.image != nullptr) {
        DeleteObject(bitmap.image);
    }
    if (bitmap.mask != nullptr) {
        DeleteObject(bitmap.mask);
    }
    bitmap = MaskedBitmap();
}

void OwnerDrawButton::FreeBitmaps()
{
    FreeBitmap(m_bitmapIn);
    FreeBitmap(m_bitmapOut);
    FreeBitmap(m_bitmapDisabled);
}

void OwnerDrawButton::FreeParentBackground()
{
    if (m_parentBackground != nullptr) {
        DeleteObject(m_parentBackground);
        m_parentBackground = nullptr;
    }
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

// Every pixel to its grey, or a quarter darker; black stays black.
void OwnerDrawButton::GreyOrDarken(HBITMAP bitmap, bool darker)
{
    BITMAP info = {};
    GetObjectA(bitmap, sizeof(info), &info);
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = info.bmWidth;
    format.bmiHeader.biHeight = info.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<RGBQUAD> pixels(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bitmap, 0, info.bmHeight, pixels.data(), &format, DIB_RGB_COLORS);
    for (RGBQUAD& pixel : pixels) {
        if (darker) {
            COLORREF c = DarkerColor(RGB(pixel.rgbRed, pixel.rgbGreen, pixel.rgbBlue), 0.25);
            pixel.rgbRed = GetRValue(c);
            pixel.rgbGreen = GetGValue(c);
            pixel.rgbBlue = GetBValue(c);
        } else {
            pixel.rgbRed = pixel.rgbGreen = pixel.rgbBlue = GreyValue(pixel.rgbRed, pixel.rgbGreen, pixel.rgbBlue);
        }
    }
    SetDIBits(dc, bitmap, 0, info.bmHeight, pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
}

HICON OwnerDrawButton::MakeIconCopy(HICON source, bool darker)
{
    ICONINFO info = {};
    if (!GetIconInfo(source, &info) || info.hbmColor == nullptr) {
        return nullptr;
    }
    GreyOrDarken(info.hbmColor, darker);
    HICON copy = CreateIconIndirect(&info); // the mask is kept as it was
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return copy;
}

// The mask is made by the system's colour-to-monochrome copy: pixels of the
// source's background colour become 1, all others 0. Copied back onto the
// picture with AND, 1 bits come in as black and 0 bits as white.
bool OwnerDrawButton::LoadMaskedBitmap(int id, COLORREF transparent, MaskedBitmap& loaded)
{
    HBITMAP image = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (image == nullptr) {
        return false;
    }
    BITMAP info = {};
    GetObjectA(image, sizeof(info), &info);
    HBITMAP mask = CreateBitmap(info.bmWidth, info.bmHeight, 1, 1, nullptr);
    HDC imageDc = CreateCompatibleDC(nullptr);
    HDC maskDc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldImage = SelectObject(imageDc, image);
    HGDIOBJ oldMask = SelectObject(maskDc, mask);
    SetBkColor(imageDc, transparent);
    BitBlt(maskDc, 0, 0, info.bmWidth, info.bmHeight, imageDc, 0, 0, SRCCOPY);
    SetBkColor(imageDc, RGB(0, 0, 0));
    SetTextColor(imageDc, RGB(255, 255, 255));
    BitBlt(imageDc, 0, 0, info.bmWidth, info.bmHeight, maskDc, 0, 0, SRCAND);
    SelectObject(imageDc, oldImage);
    SelectObject(maskDc, oldMask);
    DeleteDC(imageDc);
    DeleteDC(maskDc);
    loaded.image = image;
    loaded.mask = mask;
    loaded.width = info.bmWidth;
    loaded.height = info.bmHeight;
    return true;
}

OwnerDrawButton::MaskedBitmap OwnerDrawButton::MakeBitmapCopy(const MaskedBitmap& source, bool darker)
{
    MaskedBitmap copy = source;
    copy.image = static_cast<HBITMAP>(CopyImage(source.image, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    copy.mask = static_cast<HBITMAP>(CopyImage(source.mask, IMAGE_BITMAP, 0, 0, 0));
    if (copy.image == nullptr || copy.mask == nullptr) {
        FreeBitmap(copy);
        return copy;
    }
    GreyOrDarken(copy.image, darker); // the transparent pixels stay black
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
    FreeBitmaps();
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

int OwnerDrawButton::SetBitmaps(int inBitmap, COLORREF inTransparent, int outBitmap, COLORREF outTransparent)
{
    FreeIcons();
    FreeBitmaps();
    if (!LoadMaskedBitmap(inBitmap, inTransparent, m_bitmapIn)) {
        return kBadParameter;
    }
    if (outBitmap == kOutGrey || outBitmap == kOutDarker) {
        m_bitmapOut = MakeBitmapCopy(m_bitmapIn, outBitmap == kOutDarker);
    } else if (outBitmap != kOutNone) {
        if (!LoadMaskedBitmap(outBitmap, outTransparent, m_bitmapOut)) {
            FreeBitmaps();
            return kBadParameter;
        }
    } else {
        // One bitmap: a disabled button shows it in grey.
        m_bitmapDisabled = MakeBitmapCopy(m_bitmapIn, false);
    }
    InvalidateRect(m_hwnd, nullptr, TRUE);
    return 0;
}

int OwnerDrawButton::SetColor(int which, COLORREF color, bool redraw)
{
    if (which < 0 || which >= kColorCount) {
        return kBadParameter;
    }
    m_colors[which] = color;
    m_colorSet[which] = true;
    if (redraw && m_hwnd != nullptr) {
        InvalidateRect(m_hwnd, nullptr, TRUE);
    }
    return 0;
}

COLORREF OwnerDrawButton::GetColor(int which) const
{
    return which >= 0 && which < kColorCount ? m_colors[which] : CLR_INVALID;
}

void OwnerDrawButton::SetDefaultColors(bool redraw)
{
    for (int which = 0; which < kColorCount; which += 2) {
        m_colors[which] = GetSysColor(COLOR_BTNFACE);
        m_colors[which + 1] = GetSysColor(COLOR_BTNTEXT);
        m_colorSet[which] = m_colorSet[which + 1] = false;
    }
    if (redraw && m_hwnd != nullptr) {
        InvalidateRect(m_hwnd, nullptr, TRUE);
    }
}

void OwnerDrawButton::SetTransparent(bool transparent, bool redraw)
{
    m_transparent = transparent;
    FreeParentBackground(); // taken afresh at the next paint
    if (redraw && m_hwnd != nullptr) {
        InvalidateRect(m_hwnd, nullptr, TRUE);
    }
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

SIZE OwnerDrawButton::PictureSize() const
{
    if (m_bitmapIn.image != nullptr) {
        return {m_bitmapIn.width, m_bitmapIn.height};
    }
    if (m_iconIn != nullptr) {
        return {m_iconSize, m_iconSize};
    }
    return {0, 0};
}

RECT OwnerDrawButton::PictureRect(const RECT& client, bool hasText) const
{
    const SIZE size = PictureSize();
    RECT rect;
    rect.left = (client.right - size.cx) / 2;
    rect.top = (client.bottom - size.cy) / 2;
    if (hasText) {
        if (m_align == kAlignLeft) {
            rect.left = 3;
        } else if (m_align == kAlignTop) {
            rect.top = 3;
        } else if (m_align == kAlignRight) {
            rect.left = client.right - size.cx - 3;
        }
    }
    rect.right = rect.left + size.cx;
    rect.bottom = rect.top + size.cy;
    return rect;
}

int OwnerDrawButton::StateBackground() const
{
    return m_hovering ? kColorBackgroundHover : (m_focused ? kColorBackgroundFocus : kColorBackgroundNormal);
}

// A background colour never set lets the parent paint what lies under the
// button: a themed tab page is not the button face's grey, and a square of
// that grey would stand out on it. Under the mouse the raised edge shows the
// button.
void OwnerDrawButton::DrawBackground(HDC dc, const RECT& rect)
{
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (m_transparent) {
        if (m_parentBackground == nullptr) {
            HDC memory = CreateCompatibleDC(dc);
            m_parentBackground = CreateCompatibleBitmap(dc, width, height);
            HGDIOBJ old = SelectObject(memory, m_parentBackground);
            RECT area = {0, 0, width, height};
            HBRUSH brush = CreateSolidBrush(m_colors[kColorBackgroundNormal]); // if the parent paints nothing
            FillRect(memory, &area, brush);
            DeleteObject(brush);
            DrawThemeParentBackground(m_hwnd, memory, &area);
            SelectObject(memory, old);
            DeleteDC(memory);
        }
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, m_parentBackground);
        BitBlt(dc, rect.left, rect.top, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
        return;
    }
    const int which = StateBackground();
    RECT area = rect; // the call takes a writable rectangle
    if (!m_colorSet[which] && SUCCEEDED(DrawThemeParentBackground(m_hwnd, dc, &area))) {
        return;
    }
    HBRUSH brush = CreateSolidBrush(m_colors[which]);
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

void OwnerDrawButton::DrawBitmap(HDC dc, const RECT& rect, bool pressed, bool disabled)
{
    const MaskedBitmap* bitmap = &m_bitmapIn;
    if (disabled && m_bitmapDisabled.image != nullptr) {
        bitmap = &m_bitmapDisabled;
    } else if ((disabled || !m_hovering) && m_bitmapOut.image != nullptr) {
        bitmap = &m_bitmapOut;
    }
    if (bitmap->image == nullptr) {
        return;
    }
    RECT picture = PictureRect(rect, GetWindowTextLengthA(m_hwnd) > 0);
    if (pressed && !m_isCheckBox) {
        OffsetRect(&picture, 1, 1);
    }
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, bitmap->mask);
    const COLORREF oldBackground = SetBkColor(dc, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    BitBlt(dc, picture.left, picture.top, bitmap->width, bitmap->height, memory, 0, 0, SRCAND);
    SelectObject(memory, bitmap->image);
    BitBlt(dc, picture.left, picture.top, bitmap->width, bitmap->height, memory, 0, 0, SRCPAINT);
    SetBkColor(dc, oldBackground);
    SetTextColor(dc, oldText);
    SelectObject(memory, old);
    DeleteDC(memory);
}

void OwnerDrawButton::DrawText(HDC dc, const RECT& rect, bool disabled)
{
    char text[256] = {};
    GetWindowTextA(m_hwnd, text, sizeof(text));
    if (text[0] == '\0') {
        return;
    }
    RECT area = rect;
    const SIZE picture = PictureSize();
    if (picture.cx > 0) {
        if (m_align == kAlignLeft) {
            area.left += picture.cx + 6;
        } else if (m_align == kAlignTop) {
            area.top += picture.cy + 6;
        } else if (m_align == kAlignRight) {
            area.right -= picture.cx + 6;
        }
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, disabled ? GetSysColor(COLOR_GRAYTEXT) : m_colors[StateBackground() + 1]);
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
    m_focused = (item.itemState & ODS_FOCUS) != 0;
    DrawBackground(item.hDC, item.rcItem);
    DrawBorder(item.hDC, item.rcItem, pressed);
    DrawIcon(item.hDC, item.rcItem, pressed, disabled);
    DrawBitmap(item.hDC, item.rcItem, pressed, disabled);
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
        SetDefaultColors(true);
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
