// The controls follow a few rules of their own. Start needs a selected
// computer and something to do with its result: upload, view, or save to a
// folder. Save needs a folder, so checking it opens the folder browser, and
// a path typed or chosen checks it. The path edit is enabled only once a
// folder was chosen.
#include "app/NetworkAuditDlg.h"

#include "app/KestrovaApp.h"
#include "app/KestrovaDoc.h"
#include "app/NetworkAuditProgressDlg.h"
#include "common/AppState.h"
#include "common/MessageBoxHook.h"
#include "common/TextHelpers.h"
#include "resources/resource.h"

#include <algorithm>

namespace {

const char kBrowseTitle[] = "Select directory to save audit results";
const char kBadTimeoutText[] = "The ping timeout value must be between 1 and 10 seconds.";

const char* ScanText(int method)
{
    switch (method) {
    case kMethodMachineAccounts:
        return "Scanning network using NetQueryDisplayInformation functionality...";
    case kMethodNetworkBrowsing:
        return "Scanning network using WNet* functionality...";
    case kMethodObjectPicker:
        return "Scanning network using Directory Services Object Picker functionality...";
    default:
        return nullptr;
    }
}

} // namespace

bool ParsePingTimeout(const std::string& text, int& seconds)
{
    if (text.empty() || text.size() > 2 || !IsAllDigits(text)) {
        return false;
    }
    const int value = std::stoi(text);
    if (value < 1 || value > 10) {
        return false;
    }
    seconds = value;
    return true;
}

NetworkAuditDlg::NetworkAuditDlg(CKestrovaDoc& document, HWND parent, int method, NetworkAuditHooks hooks)
    : Dialog(IDD_NETWORK_AUDIT), m_document(document), m_parent(parent), m_method(method), m_hooks(std::move(hooks))
{
    m_map.Command(IDC_SELECT_ALL, this, &NetworkAuditDlg::OnSelectAll);
    m_map.OnNotify(IDC_COMPUTER_LIST, LBN_SELCHANGE, [this] { OnSelectionChange(); });
    m_map.Command(IDC_NET_VIEW, this, &NetworkAuditDlg::ApplyStartRule);
    m_map.Command(IDC_NET_UPLOAD, this, &NetworkAuditDlg::OnUpload);
    m_map.Command(IDC_NET_SAVE, this, &NetworkAuditDlg::OnSave);
    m_map.OnNotify(IDC_NET_SAVE_PATH, EN_CHANGE, [this] { OnPathChange(); });
    m_map.Command(IDC_NET_BROWSE, this, &NetworkAuditDlg::OnBrowse);
    m_map.Command(IDC_START_NETWORK_AUDIT, this, &NetworkAuditDlg::OnStart);
}

void NetworkAuditDlg::DoDataExchange(DataExchange& dx)
{
    dx.Text(IDC_PING_TIMEOUT, m_pingTimeout);
    dx.Check(IDC_NET_UPLOAD, m_upload);
    dx.Check(IDC_NET_VIEW, m_view);
    dx.Check(IDC_NET_SAVE, m_save);
    dx.Text(IDC_NET_SAVE_PATH, m_path);
}

bool NetworkAuditDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    m_start.Attach(m_hwnd, IDC_START_NETWORK_AUDIT);
    m_start.SetIcon(IDI_NETWORK_AUDIT);
    m_start.SetAlign(OwnerDrawButton::kAlignTop);
    m_start.SetTooltipText(IDS_TIP_NETWORK_AUDIT);
    m_browse.Attach(m_hwnd, IDC_NET_BROWSE);
    m_browse.SetIcon(IDI_BROWSE_FOLDER, OwnerDrawButton::kOutNone, 16);
    m_browse.SetAlign(OwnerDrawButton::kAlignTop);
    m_browse.EnableBalloonTooltip();
    m_browse.SetTooltipText(IDS_TIP_BROWSE_SAVE);

    const bool scanned = FillList();
    if (SendDlgItemMessageA(m_hwnd, IDC_COMPUTER_LIST, LB_GETCOUNT, 0, 0) <= 0) {
        ShowMessageBox(m_hwnd, LoadResourceString(IDS_NO_COMPUTERS_FOUND, nullptr), "Kestrova",
                       MB_OK | MB_ICONINFORMATION);
        EndDialog(IDCANCEL);
        return true;
    }
    if (!scanned) {
        EndDialog(IDCANCEL);
        return true;
    }
    EnableStart(false);
    EnableWindow(GetItem(IDC_NET_SAVE_PATH), FALSE);
    return true;
}

// The busy window tells what is scanned, and goes before the scan turns to
// the operator (a message, the picker): it stays on top of everything.
bool NetworkAuditDlg::FillList()
{
    CKestrovaApp* app = CKestrovaApp::Get();
    const char* busyText = ScanText(m_method);
    std::unique_ptr<ComputerSource> source;
    if (busyText != nullptr) {
        source = m_hooks.m_makeSource ? m_hooks.m_makeSource(m_method)
                                      : MakeComputerSource(m_method, GetAppState().m_config.m_pickerScopeTypes,
                                                           GetAppState().m_config.m_pickerScopeFlags);
    }
    auto hideBusy = [app] {
        if (app != nullptr) {
            app->HideWaitDlg();
        }
    };
    if (!source) {
        hideBusy();
        return false;
    }
    if (app != nullptr) {
        app->ShowWaitDlg(busyText);
    }
    std::vector<std::string> names;
    HWND list = GetItem(IDC_COMPUTER_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    const bool scanned = source->Scan(m_hwnd, hideBusy, names);
    hideBusy();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (const std::string& name : names) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    return scanned;
}

int NetworkAuditDlg::SelectedCount() const
{
    const LRESULT count = SendDlgItemMessageA(m_hwnd, IDC_COMPUTER_LIST, LB_GETSELCOUNT, 0, 0);
    return count > 0 ? static_cast<int>(count) : 0;
}

bool NetworkAuditDlg::IsChecked(int id) const
{
    return IsDlgButtonChecked(m_hwnd, id) == BST_CHECKED;
}

void NetworkAuditDlg::SetCheck(int id, bool checked)
{
    CheckDlgButton(m_hwnd, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void NetworkAuditDlg::EnableStart(bool enable)
{
    EnableWindow(GetItem(IDC_START_NETWORK_AUDIT), enable ? TRUE : FALSE);
}

void NetworkAuditDlg::ApplyStartRule()
{
    if (SelectedCount() > 0 && (IsChecked(IDC_NET_UPLOAD) || IsChecked(IDC_NET_VIEW) || IsChecked(IDC_NET_SAVE))) {
        EnableStart(true);
    }
}

void NetworkAuditDlg::OnSelectAll()
{
    const bool all = IsChecked(IDC_SELECT_ALL);
    SendDlgItemMessageA(m_hwnd, IDC_COMPUTER_LIST, LB_SETSEL, all ? TRUE : FALSE, -1);
    if (all) {
        ApplyStartRule();
    } else {
        EnableStart(false);
    }
}

void NetworkAuditDlg::OnSelectionChange()
{
    SetCheck(IDC_SELECT_ALL, false);
    ApplyStartRule();
}

// Unchecking one choice leaves start alone while another can still run.
void NetworkAuditDlg::OnUpload()
{
    if (IsChecked(IDC_NET_UPLOAD)) {
        EnableStart(SelectedCount() > 0);
    } else if (!IsChecked(IDC_NET_SAVE) && !IsChecked(IDC_NET_VIEW)) {
        EnableStart(false);
    }
}

void NetworkAuditDlg::OnSave()
{
    if (IsChecked(IDC_NET_SAVE)) {
        OnBrowse();
        return;
    }
    EnableWindow(GetItem(IDC_NET_SAVE_PATH), FALSE);
    SetDlgItemTextA(m_hwnd, IDC_NET_SAVE_PATH, "");
}

void NetworkAuditDlg::OnPathChange()
{
    char text[2] = {};
    GetDlgItemTextA(m_hwnd, IDC_NET_SAVE_PATH, text, sizeof(text));
    if (text[0] != '\0') {
        SetCheck(IDC_NET_SAVE, true);
        EnableStart(SelectedCount() > 0);
        return;
    }
    SetCheck(IDC_NET_SAVE, false);
    if (!IsChecked(IDC_NET_UPLOAD) && !IsChecked(IDC_NET_VIEW)) {
        EnableStart(false);
    }
}

void NetworkAuditDlg::OnBrowse()
{
    std::string folder;
    const BrowseResult result =
        m_hooks.m_browse ? m_hooks.m_browse(kBrowseTitle, folder) : BrowseForFolder(kBrowseTitle, folder);
    if (result == kBrowseChosen && !folder.empty()) {
        EnableWindow(GetItem(IDC_NET_SAVE_PATH), TRUE);
        SetDlgItemTextA(m_hwnd, IDC_NET_SAVE_PATH, folder.c_str());
        SetCheck(IDC_NET_SAVE, true);
    } else if (result == kBrowseCancelled) {
        SetCheck(IDC_NET_SAVE, false);
    }
}

void NetworkAuditDlg::OnStart()
{
    if (!UpdateData(true)) {
        return;
    }
    int timeout = 0;
    if (!ParsePingTimeout(m_pingTimeout, timeout)) {
        ShowMessageBox(m_hwnd, kBadTimeoutText, "Kestrova", MB_OK | MB_ICONEXCLAMATION);
        SetFocus(GetItem(IDC_PING_TIMEOUT));
        return;
    }
    HWND list = GetItem(IDC_COMPUTER_LIST);
    std::vector<std::string> names;
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        if (SendMessageA(list, LB_GETSEL, static_cast<WPARAM>(i), 0) <= 0) {
            continue;
        }
        const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::string name(length > 0 ? static_cast<size_t>(length) + 1 : 1, '\0');
        SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&name[0]));
        name.resize(strlen(name.c_str()));
        names.push_back(name);
    }
    if (names.empty()) {
        return;
    }
    NetworkAuditProgressDlg batch(m_document, names, m_hwnd);
    batch.m_upload = m_upload;
    batch.m_save = m_save;
    batch.m_view = m_view;
    batch.m_folder = m_path;
    batch.m_pingTimeout = timeout;
    batch.m_osTypeConnector = m_hooks.m_osTypeConnector;
    batch.m_osTypeWait = m_hooks.m_osTypeWait;
    batch.DoModal();
    EndDialog(IDOK);
}
