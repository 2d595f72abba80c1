#include "app/AboutDlg.h"

#include "app/FileVersionInfo.h"
#include "resources/resource.h"

const char AboutDlg::kMakerAddress[] = "http://www.pardovel.example/";
const char AboutDlg::kProductAddress[] = "http://www.pardovel.example/kestrova/";

AboutDlg::AboutDlg() : Dialog(IDD_ABOUT) {}

bool AboutDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    SetDlgItemTextA(m_hwnd, IDC_ABOUT_VERSION, FileVersionInfo::VersionLine(program).c_str());

    m_makerLink.Attach(m_hwnd, IDC_ABOUT_MAKER_LINK);
    m_makerLink.SetURL(kMakerAddress);
    m_productLink.Attach(m_hwnd, IDC_ABOUT_PRODUCT_LINK);
    m_productLink.SetURL(kProductAddress);

    m_productButton.Attach(m_hwnd, IDC_ABOUT_PRODUCT_BUTTON);
    m_productButton.SetIcon(IDR_MAINFRAME);
    m_productButton.SetUrl(kProductAddress);
    m_productButton.SetAlign(OwnerDrawButton::kAlignTop, false);
    m_productButton.SetTrackWhileInactive(false);
    m_productButton.SetFlat(true, true);
    SetFocus(GetItem(IDOK));
    return false; // the focus is set
}
