#include "winui/tests/PictureButtonProbe.h"

#include "resources/resource.h"
#include "winui/DialogTemplate.h"

namespace {

constexpr UINT kMsgShown = WM_APP + 7;

std::vector<WORD> ProbeTemplate()
{
    DialogTemplate t(WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 300, 62, "Picture buttons");
    const char* labels[] = {"Lamp", "Disabled", "Colours", "Focused", "Hovered", "Transparent"};
    for (WORD i = 0; i < PictureButtonProbe::kButtonCount; ++i) {
        t.AddItem("BUTTON", static_cast<WORD>(PictureButtonProbe::kLamp + i), BS_PUSHBUTTON | WS_TABSTOP,
                  static_cast<short>(6 + i * 48), 8, 44, 46, labels[i]);
    }
    return t.Build();
}

} // namespace

PictureButtonProbe::PictureButtonProbe() : Dialog(static_cast<const DLGTEMPLATE*>(nullptr)), m_template(ProbeTemplate())
{
    m_memoryTemplate = reinterpret_cast<const DLGTEMPLATE*>(m_template.data());
    m_map.Message(WM_ERASEBKGND, this, &PictureButtonProbe::OnEraseBackground);
    m_map.OnMessage(kMsgShown, [this](WPARAM, LPARAM) {
        if (m_onShown) {
            m_onShown(*this);
        }
        return 0;
    });
}

bool PictureButtonProbe::OnInitDialog()
{
    Dialog::OnInitDialog();
    for (WORD id = kLamp; id < kLamp + kButtonCount; ++id) {
        Button(id).Attach(m_hwnd, id);
        Button(id).SetAlign(OwnerDrawButton::kAlignTop, false);
    }
    Button(kLamp).SetBitmaps(IDB_PROBE_LAMP_ON, kLampTransparent, IDB_PROBE_LAMP_OFF, kLampTransparent);
    Button(kLampDisabled).SetBitmaps(IDB_PROBE_LAMP_ON, kLampTransparent);
    EnableWindow(GetItem(kLampDisabled), FALSE);
    for (WORD id : {kColours, kColoursFocused, kColoursHovered, kTransparent}) {
        OwnerDrawButton& button = Button(id);
        button.SetIcon(IDI_LOCAL_AUDIT);
        button.SetColor(OwnerDrawButton::kColorBackgroundNormal, kNormalBackground, false);
        button.SetColor(OwnerDrawButton::kColorTextNormal, kNormalText, false);
        button.SetColor(OwnerDrawButton::kColorBackgroundHover, kHoverBackground, false);
        button.SetColor(OwnerDrawButton::kColorTextHover, kHoverText, false);
        button.SetColor(OwnerDrawButton::kColorBackgroundFocus, kFocusBackground, false);
        button.SetColor(OwnerDrawButton::kColorTextFocus, kFocusText, false);
    }
    Button(kTransparent).SetTransparent(true, false);
    // Above other windows on a shared display, where the mouse finds it.
    SetWindowPos(m_hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    PostMessageA(m_hwnd, kMsgShown, 0, 0);
    return true;
}

// Stripes by the logical x, so that a button asking the dialog to paint
// under it (with the origin moved) gets the stripes at its own place.
LRESULT PictureButtonProbe::OnEraseBackground(WPARAM wParam, LPARAM)
{
    HDC dc = reinterpret_cast<HDC>(wParam);
    RECT client;
    GetClientRect(m_hwnd, &client);
    HBRUSH dark = CreateSolidBrush(kStripeDark);
    HBRUSH light = CreateSolidBrush(kStripeLight);
    for (int x = 0; x < client.right; x += 8) {
        RECT stripe = {x, 0, x + 8, client.bottom};
        FillRect(dc, &stripe, (x / 8) % 2 == 0 ? dark : light);
    }
    DeleteObject(dark);
    DeleteObject(light);
    return 1;
}
