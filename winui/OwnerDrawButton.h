// A picture button: an owner-drawn push button or check box that shows an
// icon or a bitmap (another one, or a grey or darker copy, while the mouse
// is away), can draw itself flat and light up under the mouse, takes its
// colours by state or the look of what lies under it, shows a tooltip, and
// opens a popup menu or a web address when clicked.
#pragma once

#include "winui/Window.h"

#include <functional>
#include <string>

class OwnerDrawButton : public Window {
public:
    enum : int { kAlignLeft = 0, kAlignTop = 1, kAlignRight = 2, kAlignOver = 3 };
    enum : int { kOutNone = 0, kOutGrey = -2, kOutDarker = -3 };
    // The colours of the three states: under the mouse, neither, and with
    // the focus (the mouse wins over the focus).
    enum : int {
        kColorBackgroundHover = 0,
        kColorTextHover = 1,
        kColorBackgroundNormal = 2,
        kColorTextNormal = 3,
        kColorBackgroundFocus = 4,
        kColorTextFocus = 5,
        kColorCount = 6
    };
    static constexpr int kBadParameter = 4;

    OwnerDrawButton();
    ~OwnerDrawButton() override;

    // Takes over the dialog's control id.
    bool Attach(HWND dialog, int id) { return Subclass(GetDlgItem(dialog, id)); }

    // The "in" icon (hover, or the only one) and the "out" icon: a resource
    // id, kOutNone, or kOutGrey / kOutDarker for a copy of the "in" icon.
    // Size 0 takes the standard icon size at the screen's dpi.
    int SetIcon(int inIcon, int outIcon = kOutNone, int size = 0);
    // Two bitmap resources instead of icons, each drawn without the pixels
    // of its transparent colour; outBitmap as outIcon above.
    int SetBitmaps(int inBitmap, COLORREF inTransparent, int outBitmap = kOutNone, COLORREF outTransparent = 0);
    int SetColor(int which, COLORREF color, bool redraw = true);
    COLORREF GetColor(int which) const;
    // The system's button colours again, in every state.
    void SetDefaultColors(bool redraw = true);
    // Transparent: every state shows what the parent draws under the
    // button, taken once at the next paint, instead of a background colour.
    void SetTransparent(bool transparent, bool redraw = true);
    int SetAlign(int align, bool redraw = true);
    int SetFlat(bool flat, bool redraw = true);
    int SetTooltipText(UINT stringId, bool activate = true);
    void EnableBalloonTooltip() { m_tooltipStyle |= 0x40; }
    int SetUrl(const std::string& url);
    // The first submenu of menuId pops up on a click; the chosen command is
    // posted to owner.
    int SetMenu(UINT menuId, HWND owner);
    void SetMenuCallback(std::function<void()> callback) { m_menuCallback = std::move(callback); }
    void SetTrackWhileInactive(bool track) { m_trackWhileInactive = track; }
    void SetCursor(HCURSOR cursor) { m_cursor = cursor; }

    bool IsChecked() const { return m_checked; }
    bool IsHovering() const { return m_hovering; }
    int GetAlign() const { return m_align; }
    std::string GetTooltipText() const { return m_tooltipText; }

    // The grey of one pixel: 0.299 R + 0.587 G + 0.114 B.
    static BYTE GreyValue(BYTE red, BYTE green, BYTE blue);
    // Each channel less its share factor (0 < factor <= 1; others: as is).
    static COLORREF DarkerColor(COLORREF color, double factor);

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    virtual void DrawBackground(HDC dc, const RECT& rect);
    virtual void DrawBorder(HDC dc, const RECT& rect, bool pressed);
    virtual void DrawIcon(HDC dc, const RECT& rect, bool pressed, bool disabled);
    virtual void DrawBitmap(HDC dc, const RECT& rect, bool pressed, bool disabled);
    virtual void DrawText(HDC dc, const RECT& rect, bool disabled);

private:
    // A bitmap whose transparent pixels are black, and its mask: 1 where
    // the picture is transparent.
    struct MaskedBitmap {
        HBITMAP image = nullptr;
        HBITMAP mask = nullptr;
        int width = 0;
        int height = 0;
    };

    void Draw(const DRAWITEMSTRUCT& item);
    // The background colour of the state being drawn; its text colour
    // follows it.
    int StateBackground() const;
    void OnClicked();
    void OnMouseMove();
    void SetHovering(bool hovering);
    SIZE PictureSize() const;
    RECT PictureRect(const RECT& client, bool hasText) const;
    static void GreyOrDarken(HBITMAP bitmap, bool darker);
    static HICON MakeIconCopy(HICON source, bool darker);
    static bool LoadMaskedBitmap(int id, COLORREF transparent, MaskedBitmap& loaded);
    static MaskedBitmap MakeBitmapCopy(const MaskedBitmap& source, bool darker);
    static void FreeBitmap(MaskedBitmap& bitmap);
    static int ScreenIconSize();
    void FreeIcons();
    void FreeBitmaps();
    void FreeParentBackground();

    bool m_flat = true;
    bool m_hovering = false;
    int m_align = kAlignLeft;
    bool m_isDefault = false;
    bool m_isCheckBox = false;
    bool m_checked = false;
    bool m_pressed = false;
    bool m_trackWhileInactive = true;
    HICON m_iconIn = nullptr;
    HICON m_iconOut = nullptr;
    HICON m_iconDisabled = nullptr;
    int m_iconSize = 0;
    MaskedBitmap m_bitmapIn;
    MaskedBitmap m_bitmapOut;
    MaskedBitmap m_bitmapDisabled;
    HMENU m_menu = nullptr;
    HWND m_menuOwner = nullptr;
    std::function<void()> m_menuCallback;
    std::string m_url;
    HCURSOR m_cursor = nullptr;
    HWND m_tooltip = nullptr;
    DWORD m_tooltipStyle = 0;
    std::string m_tooltipText;
    COLORREF m_colors[kColorCount];
    // Set by SetColor. A background never set shows the parent's
    // background: the button face on a plain dialog, the page on a themed
    // tab page.
    bool m_colorSet[kColorCount] = {};
    bool m_focused = false; // of the paint under way
    bool m_transparent = false;
    HBITMAP m_parentBackground = nullptr;
};
