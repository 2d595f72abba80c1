// A test dialog that shows the picture button's looks side by side, for the
// tests to draw and read and for a picture to look at (window_shots): a
// lamp in bitmaps that lights up under the mouse, the same lamp disabled,
// three buttons with colours for their three states, and a transparent
// button, all over the dialog's striped background.
#pragma once

#include "winui/Dialog.h"
#include "winui/OwnerDrawButton.h"

#include <functional>
#include <vector>

class PictureButtonProbe : public Dialog {
public:
    enum : WORD {
        kLamp = 200,
        kLampDisabled = 201,
        kColours = 202,
        kColoursFocused = 203,
        kColoursHovered = 204,
        kTransparent = 205,
        kButtonCount = 6
    };

    // The lamps' transparent colour, and the background stripes, 8 pixels
    // wide, by the x of the dialog's client area.
    static constexpr COLORREF kLampTransparent = RGB(255, 0, 255);
    static constexpr COLORREF kStripeDark = RGB(0, 112, 112);
    static constexpr COLORREF kStripeLight = RGB(160, 208, 144);
    static COLORREF StripeAt(int x) { return (x / 8) % 2 == 0 ? kStripeDark : kStripeLight; }

    // The colour buttons' background and text in each state.
    static constexpr COLORREF kNormalBackground = RGB(214, 228, 255);
    static constexpr COLORREF kNormalText = RGB(0, 0, 160);
    static constexpr COLORREF kHoverBackground = RGB(255, 236, 140);
    static constexpr COLORREF kHoverText = RGB(176, 0, 0);
    static constexpr COLORREF kFocusBackground = RGB(196, 250, 196);
    static constexpr COLORREF kFocusText = RGB(0, 104, 0);

    PictureButtonProbe();

    OwnerDrawButton& Button(WORD id) { return m_buttons[id - kLamp]; }
    // Runs once the dialog is on the screen, on its thread.
    std::function<void(PictureButtonProbe&)> m_onShown;

protected:
    bool OnInitDialog() override;

private:
    LRESULT OnEraseBackground(WPARAM wParam, LPARAM lParam);

    std::vector<WORD> m_template;
    OwnerDrawButton m_buttons[kButtonCount];
};
