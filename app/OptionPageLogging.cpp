#include "app/OptionPageLogging.h"

#include "app/BrowseForFolder.h"
#include "common/MessageBoxHook.h"
#include "resources/resource.h"

OptionPageLogging::OptionPageLogging() : PropertyPage(IDD_OPTIONS_LOGGING)
{
    m_map.Command(IDC_LOG_ERRORS, this, &OptionPageLogging::OnLogErrorsClicked);
    m_map.Command(IDC_LOG_BROWSE, this, &OptionPageLogging::OnBrowse);
}

bool OptionPageLogging::OnInitDialog()
{
    PropertyPage::OnInitDialog();
    m_browse.Attach(m_hwnd, IDC_LOG_BROWSE);
    m_browse.SetIcon(IDI_BROWSE_FOLDER, OwnerDrawButton::kOutNone, 16);
    m_browse.SetTooltipText(IDS_TIP_BROWSE_LOG);
    ShowLogEnabled(m_logEnabled);
    // The check box lies over the group frame's top line.
    SetWindowPos(GetItem(IDC_LOG_ERRORS), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    SetFocus(GetItem(IDC_LOG_ERRORS));
    return false; // the focus is set
}

void OptionPageLogging::DoDataExchange(DataExchange& dx)
{
    dx.Check(IDC_LOG_ERRORS, m_logEnabled);
    dx.Text(IDC_LOG_PATH, m_logFolder);
    dx.Radio(IDC_LOG_USE_COMPUTER_NAME, IDC_LOG_USE_DEFAULT_NAME, m_nameOption);
}

void OptionPageLogging::ShowLogEnabled(bool enabled)
{
    for (int id : {IDC_LOG_PATH, IDC_LOG_BROWSE, IDC_LOG_USE_COMPUTER_NAME, IDC_LOG_USE_DEFAULT_NAME}) {
        EnableWindow(GetItem(id), enabled ? TRUE : FALSE);
    }
}

void OptionPageLogging::OnLogErrorsClicked()
{
    SetDlgItemTextA(m_hwnd, IDC_LOG_PATH, "");
    CheckRadioButton(m_hwnd, IDC_LOG_USE_COMPUTER_NAME, IDC_LOG_USE_DEFAULT_NAME, IDC_LOG_USE_COMPUTER_NAME);
    ShowLogEnabled(IsDlgButtonChecked(m_hwnd, IDC_LOG_ERRORS) == BST_CHECKED);
}

void OptionPageLogging::OnBrowse()
{
    std::string folder;
    if (BrowseForFolder("Select Log File Location", folder) == kBrowseChosen) {
        SetDlgItemTextA(m_hwnd, IDC_LOG_PATH, folder.c_str());
    }
}

bool OptionPageLogging::OnApply()
{
    if (m_logEnabled && m_logFolder.size() < 2) {
        ShowMessageBox(m_hwnd, "Path specified is invalid. Please enter a valid log file path.", "Kestrova",
                       MB_OK | MB_ICONINFORMATION);
        return false;
    }
    return true;
}
