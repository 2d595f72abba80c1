// The picture button's looks, drawn on the test dialog's buttons into a
// bitmap of the test's own (the drawing the dialog asks for, with the
// state given) and read pixel by pixel: bitmaps with their transparent
// colour left out, the lamp that lights up under the mouse and goes grey
// when disabled, the colours of each state and the transparent button.
#include "winui/tests/PictureButtonProbe.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

struct Painting {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;

    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // Pixels inside area (all when it is empty) for which test holds.
    int Count(const std::function<bool(COLORREF)>& test, RECT area = RECT()) const
    {
        if (IsRectEmpty(&area)) {
            area = {0, 0, width, height};
        }
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                count += test(At(x, y)) ? 1 : 0;
            }
        }
        return count;
    }
};

// What the button draws for the dialog in this state.
Painting Paint(HWND button, UINT state)
{
    RECT rect;
    GetClientRect(button, &rect);
    Painting painting;
    painting.width = rect.right;
    painting.height = rect.bottom;
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = rect.right;
    format.bmiHeader.biHeight = -rect.bottom; // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_BUTTON;
    item.CtlID = static_cast<UINT>(GetDlgCtrlID(button));
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = state;
    item.hwndItem = button;
    item.hDC = memory;
    item.rcItem = rect;
    SendMessageA(button, kReflectBase + WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
    GdiFlush();
    const auto* quads = static_cast<const RGBQUAD*>(bits);
    for (int i = 0; i < rect.right * rect.bottom; ++i) {
        painting.pixels.push_back(RGB(quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return painting;
}

// Puts the mouse over the button until the button knows it. Another window
// on the shared display, or a late motion event, may take the pointer for
// a moment: the move is made again at each step, as a real mouse keeps
// telling where it is. The bound only ends a test that already failed.
bool HoverOver(OwnerDrawButton& button)
{
    RECT rect;
    GetWindowRect(button.GetHandle(), &rect);
    for (int i = 0; i < 3000 && !button.IsHovering(); ++i) {
        SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        SendMessageA(button.GetHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
        if (button.IsHovering()) {
            break;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return button.IsHovering();
}

// Where the button's left edge lies in the dialog's client area.
int LeftInDialog(HWND dialog, HWND button)
{
    RECT rect;
    GetWindowRect(button, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect.left;
}

bool Orange(COLORREF c)
{
    return GetRValue(c) > 200 && GetGValue(c) > 100 && GetBValue(c) < 80;
}
bool Blue(COLORREF c)
{
    return GetBValue(c) > 150 && GetRValue(c) < 130;
}
bool Magenta(COLORREF c)
{
    return c == PictureButtonProbe::kLampTransparent;
}
bool Grey(COLORREF c)
{
    return GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c);
}

} // namespace

TEST(PictureButton, LampBitmapsLeaveOutTheirTransparentColourLightUpAndGoGrey)
{
    PictureButtonProbe probe;
    Painting away;
    Painting over;
    Painting disabled;
    bool hovered = false;
    int lampLeft = 0;
    probe.m_onShown = [&](PictureButtonProbe& p) {
        HWND lamp = p.GetItem(PictureButtonProbe::kLamp);
        lampLeft = LeftInDialog(p.GetHandle(), lamp);
        away = Paint(lamp, 0);
        hovered = HoverOver(p.Button(PictureButtonProbe::kLamp));
        over = Paint(lamp, 0);
        disabled = Paint(p.GetItem(PictureButtonProbe::kLampDisabled), ODS_DISABLED);
        SendMessageA(lamp, WM_MOUSELEAVE, 0, 0);
        p.EndDialog(IDOK);
    };
    ASSERT_EQ(IDOK, probe.DoModal(nullptr));
    ASSERT_TRUE(hovered);

    // The 32-pixel lamp stands centred at the top, 3 pixels down.
    const int left = (away.width - 32) / 2;
    const RECT lamp = {left, 3, left + 32, 35};
    EXPECT_EQ(0, away.Count(Orange, lamp));
    EXPECT_GT(away.Count(Blue, lamp), 200);
    EXPECT_GT(over.Count(Orange, lamp), 200);
    EXPECT_EQ(0, over.Count(Blue, lamp));
    for (const Painting* painting : {&away, &over, &disabled}) {
        EXPECT_EQ(0, painting->Count(Magenta));
        // The lamp's corner is transparent: the dialog's stripe shows there.
        EXPECT_EQ(PictureButtonProbe::StripeAt(lampLeft + left), painting->At(left, 3));
    }
    EXPECT_EQ(0, disabled.Count(Orange, lamp) + disabled.Count(Blue, lamp));
    EXPECT_GT(disabled.Count(Grey, lamp), 300);
}

TEST(PictureButton, ColoursFollowTheStateAndTheTransparentButtonShowsWhatLiesUnderIt)
{
    using P = PictureButtonProbe;
    PictureButtonProbe probe;
    Painting normal;
    Painting focused;
    Painting hoveredAndFocused;
    Painting transparent[2];
    bool hovered = false;
    int transparentLeft = 0;
    probe.m_onShown = [&](PictureButtonProbe& p) {
        HWND colours = p.GetItem(P::kColours);
        normal = Paint(colours, 0);
        focused = Paint(colours, ODS_FOCUS);
        hovered = HoverOver(p.Button(P::kColours));
        hoveredAndFocused = Paint(colours, ODS_FOCUS);
        SendMessageA(colours, WM_MOUSELEAVE, 0, 0);
        HWND clear = p.GetItem(P::kTransparent);
        transparentLeft = LeftInDialog(p.GetHandle(), clear);
        transparent[0] = Paint(clear, 0);
        transparent[1] = Paint(clear, ODS_FOCUS);
        p.EndDialog(IDOK);
    };
    ASSERT_EQ(IDOK, probe.DoModal(nullptr));
    ASSERT_TRUE(hovered);

    auto count = [](const Painting& painting, COLORREF colour) {
        return painting.Count([colour](COLORREF c) { return c == colour; });
    };
    // Inside the edge and outside the focus rectangle.
    EXPECT_EQ(P::kNormalBackground, normal.At(2, 2));
    EXPECT_GT(count(normal, P::kNormalText), 0);
    EXPECT_EQ(0, count(normal, P::kFocusText) + count(normal, P::kHoverText));
    EXPECT_EQ(P::kFocusBackground, focused.At(2, 2));
    EXPECT_GT(count(focused, P::kFocusText), 0);
    EXPECT_EQ(0, count(focused, P::kNormalText) + count(focused, P::kHoverText));
    EXPECT_EQ(P::kHoverBackground, hoveredAndFocused.At(2, 2)); // the mouse wins over the focus
    EXPECT_GT(count(hoveredAndFocused, P::kHoverText), 0);
    EXPECT_EQ(0, count(hoveredAndFocused, P::kNormalText) + count(hoveredAndFocused, P::kFocusText));

    for (const Painting& painting : transparent) {
        int stripes = 0;
        for (int x = 0; x < painting.width; ++x) {
            stripes += painting.At(x, 2) == P::StripeAt(transparentLeft + x) ? 1 : 0;
        }
        EXPECT_EQ(painting.width, stripes);
        EXPECT_EQ(0, count(painting, P::kNormalBackground) + count(painting, P::kFocusBackground));
    }
    EXPECT_GT(count(transparent[0], P::kNormalText), 0);
}
