#include "app/WaitDlg.h"

#include "resources/resource.h"

int WaitDlg::s_readingPauseMs = 300;

WaitDlg::WaitDlg(WaitDlg** ownerSlot) : Dialog(IDD_WAIT), m_ownerSlot(ownerSlot) {}

bool WaitDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    m_picture.Attach(m_hwnd, IDC_WAIT_PICTURE);
    m_picture.SetIcon(IDI_WAIT_ANIMATION);
    m_picture.SetAlign(OwnerDrawButton::kAlignTop, false);
    m_picture.SetFlat(true, true);
    return false; // nothing here takes keys: no focus, no focus frame on the picture
}

void WaitDlg::DoDataExchange(DataExchange& dx)
{
    dx.Text(IDC_WAIT_TEXT, m_status);
}

void WaitDlg::SetText(const std::string& text)
{
    m_status = text;
    UpdateData(false);
    InvalidateRect(m_hwnd, nullptr, TRUE);
    UpdateWindow(m_hwnd);
    // The caller blocks next: a look at the queue hands what was painted to
    // the display now (without it Wine shows the window only at the next
    // message).
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    Sleep(static_cast<DWORD>(s_readingPauseMs));
}

void WaitDlg::PostNcDestroy()
{
    if (m_ownerSlot != nullptr && *m_ownerSlot == this) {
        *m_ownerSlot = nullptr;
    }
    delete this;
}
