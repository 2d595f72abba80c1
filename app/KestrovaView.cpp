#include "app/KestrovaView.h"

#include "app/AuditCompleteDlg.h"
#include "app/AdsiDirectorySource.h"
#include "app/AuditProgressDlg.h"
#include "app/DirectoryLookup.h"
#include "app/KestrovaApp.h"
#include "app/KestrovaDoc.h"
#include "app/ServerExchange.h"
#include "asset/AssetPropertyIndex.h"
#include "audit/SanitizeText.h"
#include "common/AppHelpers.h"
#include "common/AppState.h"
#include "common/MessageBoxHook.h"
#include "common/TextHelpers.h"
#include "resources/resource.h"
#include "winui/FrameWindow.h"

#include <comdef.h>
#include <lmcons.h>

namespace {

const char kUploadingText[] = "Uploading saved audit to Ondelmark...";
const char kUploadedText[] = "Upload successful.";
const char kDirectoryText[] = "Retrieving user account information from Active Directory...";
const char kLookingUpText[] = "Retrieving user account information from Ondelmark...";

bool IsNameField(int id)
{
    return id == IDC_FIRST_NAME || id == IDC_MIDDLE_INITIAL || id == IDC_LAST_NAME;
}

} // namespace

CKestrovaView::CKestrovaView() : View(IDD_FORM)
{
    m_map.Command(ID_LOCAL_AUDIT, this, &CKestrovaView::OnLocalAudit);
    m_map.Command(IDC_SERVER_LOOKUP, this, &CKestrovaView::OnGetUserFromServer);
    m_map.Command(IDC_DIRECTORY_LOOKUP, this, &CKestrovaView::OnGetUserFromDirectory);
}

CKestrovaView::~CKestrovaView()
{
    if (m_windowBrush != nullptr) {
        DeleteObject(m_windowBrush);
    }
}

std::string CKestrovaView::LoggedOnUserName()
{
    char name[UNLEN + 5] = {}; // 261 characters
    DWORD size = sizeof(name);
    if (!GetUserNameA(name, &size)) {
        return std::string();
    }
    return name;
}

void CKestrovaView::FitFrameToForm()
{
    HWND frame = Frame();
    if (frame == nullptr) {
        return;
    }
    RECT form = {0, 0, kFormWidth, kFormHeight}; // the template's size in dialog units
    MapDialogRect(m_hwnd, &form);
    AdjustWindowRectEx(&form, static_cast<DWORD>(GetWindowLongPtrA(frame, GWL_STYLE)), GetMenu(frame) != nullptr,
                       static_cast<DWORD>(GetWindowLongPtrA(frame, GWL_EXSTYLE)));
    SetWindowPos(frame, nullptr, 0, 0, form.right - form.left, form.bottom - form.top, SWP_NOMOVE | SWP_NOZORDER);
}

void CKestrovaView::OnInitialUpdate()
{
    FitFrameToForm();
    m_namesFilled = false;
    const struct {
        OwnerDrawButton& button;
        int id;
        int icon;
        UINT tip;
    } buttons[] = {{m_serverLookup, IDC_SERVER_LOOKUP, IDI_SERVER_LOOKUP, IDS_TIP_SERVER_LOOKUP},
                   {m_directoryLookup, IDC_DIRECTORY_LOOKUP, IDI_DIRECTORY_LOOKUP, IDS_TIP_DIRECTORY_LOOKUP},
                   {m_localAudit, IDC_LOCAL_AUDIT_BUTTON, IDI_LOCAL_AUDIT, IDS_TIP_LOCAL_AUDIT}};
    for (const auto& b : buttons) {
        if (b.button.GetHandle() == nullptr) {
            b.button.Attach(m_hwnd, b.id);
        }
        b.button.SetIcon(b.icon);
        b.button.SetTooltipText(b.tip);
    }
    EnableLookupButtons(GetAppState().m_config.m_loaded);

    m_userName = LoggedOnUserName();
    if (CKestrovaApp* app = CKestrovaApp::Get()) {
        m_assetTag = app->m_assetTag;
    }
    UpdateData(false);
    SetFocus(GetItem(IDC_USER_NAME));
}

void CKestrovaView::EnableLookupButtons(bool enable)
{
    EnableWindow(GetItem(IDC_SERVER_LOOKUP), enable ? TRUE : FALSE);
    // Windows 95/98/Me has no directory to ask: once the lookups are
    // offered, its button goes and the operator types the names instead.
    const bool typedNames = enable && IsWindows9x();
    EnableWindow(GetItem(IDC_DIRECTORY_LOOKUP), enable && !typedNames ? TRUE : FALSE);
    if (typedNames) {
        ShowWindow(GetItem(IDC_DIRECTORY_LOOKUP), SW_HIDE);
        for (int id : {IDC_FIRST_NAME, IDC_MIDDLE_INITIAL, IDC_LAST_NAME}) {
            SendMessageA(GetItem(id), EM_SETREADONLY, FALSE, 0);
        }
    }
}

void CKestrovaView::DoDataExchange(DataExchange& dx)
{
    dx.Text(IDC_USER_NAME, m_userName, 20);
    dx.Text(IDC_FIRST_NAME, m_firstName, 50);
    dx.Text(IDC_MIDDLE_INITIAL, m_middleInitial, 1);
    dx.Text(IDC_LAST_NAME, m_lastName, 100);
    dx.Text(IDC_LOCATION, m_location);
    dx.Text(IDC_DEPARTMENT, m_department);
    dx.Text(IDC_OFFICE, m_office, 50);
    dx.Text(IDC_ASSET_TAG, m_assetTag, 50);
    dx.Text(IDC_OEM_ID, m_oemId, 50);
    dx.Text(IDC_KEYBOARD_SN, m_keyboardSerialNo, 20);
    dx.Text(IDC_MOUSE_SN, m_mouseSerialNo, 20);
}

INT_PTR CKestrovaView::DialogProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Read-only edits ask with WM_CTLCOLORSTATIC; once a lookup filled the
    // names they look like the editable fields around them.
    if ((message == WM_CTLCOLORSTATIC || message == WM_CTLCOLOREDIT) && m_namesFilled &&
        IsNameField(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)))) {
        if (m_windowBrush == nullptr) {
            m_windowBrush = CreateSolidBrush(GetSysColor(COLOR_WINDOW));
        }
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<INT_PTR>(m_windowBrush);
    }
    return View::DialogProc(message, wParam, lParam);
}

CKestrovaDoc* CKestrovaView::GetKestrovaDocument() const
{
    auto* frame = dynamic_cast<FrameWindow*>(Window::FromHandle(Frame()));
    return frame != nullptr ? static_cast<CKestrovaDoc*>(frame->GetActiveDocument()) : nullptr;
}

void CKestrovaView::OnLocalAudit()
{
    CKestrovaDoc* document = GetKestrovaDocument();
    if (document == nullptr) {
        return;
    }
    document->SetRemote(false);
    UpdateData(true); // a refused value has shown its message; the audit runs anyway

    AuditProgressDlg progress(*document, Frame());
    if (m_runAudit) {
        progress.m_runAudit = m_runAudit;
    }
    if (progress.DoModal() != IDOK) {
        return; // cancelled: form and result stay as they are
    }
    // Only a result of this run is labelled with the form: without an
    // engine (the signature file stopped the audit) there is nothing to
    // label, and after a failed run the engine still holds the previous
    // computer's result.
    AuditDocument& audit = document->Audit();
    if (!audit.m_engine || audit.m_outcome != AuditOutcome::Completed) {
        return;
    }
    CopyFormToResult(*audit.m_engine);

    // A failed upload brings the choices back: the result exists only here
    // until it is saved or sent, and closing the choices throws it away.
    for (;;) {
        AuditCompleteDlg complete(*document, Frame());
        if (m_askSavePath) {
            complete.m_askSavePath = m_askSavePath;
        }
        if (complete.DoModal() != IDOK || UploadResult(*document)) {
            return;
        }
    }
}

void CKestrovaView::CopyFormToResult(Audit& engine)
{
    using namespace AssetIMPL;
    engine.SetUserFirstName(SanitizeText(m_firstName));
    engine.SetUserMiddleInitial(SanitizeText(m_middleInitial));
    engine.SetUserLastName(SanitizeText(m_lastName));
    AssetComputerImpl& result = engine.Result();
    result.Property(kDepartment).SetString(SanitizeText(m_department));
    result.Property(kLocation).SetString(SanitizeText(m_location));
    result.Property(kOffice).SetString(SanitizeText(m_office));
    result.Property(kAssetTag).SetString(SanitizeText(m_assetTag));
    result.Property(kOemId).SetString(SanitizeText(m_oemId));
    result.Property(kKeyboardSerialNo).SetString(SanitizeText(m_keyboardSerialNo));
    result.Property(kMouseSerialNo).SetString(SanitizeText(m_mouseSerialNo));
}

bool CKestrovaView::UploadResult(CKestrovaDoc& document)
{
    std::string xml = document.WriteResultXml();
    CKestrovaApp* app = CKestrovaApp::Get();
    if (app != nullptr) {
        app->ShowWaitDlg(kUploadingText);
    }
    std::string error;
    bool uploaded = false;
    try {
        uploaded = document.UploadAuditResults(xml, error);
    } catch (const _com_error& failure) {
        error = failure.ErrorMessage(); // the password could not be enciphered
    }
    if (app != nullptr) {
        app->HideWaitDlg();
    }
    if (uploaded) {
        ShowMessageBox(Frame(), kUploadedText, "Kestrova", MB_OK | MB_ICONINFORMATION);
    } else {
        ShowMessageBox(Frame(), LoadResourceString(IDS_UPLOAD_FAILED, nullptr) + error, "Kestrova",
                       MB_OK | MB_ICONERROR);
    }
    return uploaded;
}

void CKestrovaView::OnGetUserFromServer()
{
    CKestrovaApp* app = CKestrovaApp::Get();
    if (app != nullptr) {
        app->ShowWaitDlg(kLookingUpText);
    }
    RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    std::string errorText;
    GetAssetUserFromServer(errorText);
    // Asked to close during the first call: the second is not started.
    if (app == nullptr || !app->IsClosePending()) {
        GetLookupValuesFromServer(errorText);
    }
    if (app != nullptr) {
        app->HideWaitDlg();
    }
    if (!errorText.empty()) {
        ShowMessageBox(Frame(), LoadResourceString(IDS_VERIFY_SERVER, nullptr) + errorText, "Kestrova",
                       MB_OK | MB_ICONERROR);
    }
}

void CKestrovaView::GetAssetUserFromServer(std::string& errorText)
{
    // The name the form last took, not one typed since.
    AssetUserNames names;
    if (!GetAssetUser(ConfiguredServerLogin(), m_userName, names, errorText)) {
        return;
    }
    if (names.m_found) {
        m_firstName = names.m_first;
        m_middleInitial = names.m_middle;
        m_lastName = names.m_last;
    }
    m_namesFilled = true;
    UpdateData(false);
    for (int id : {IDC_FIRST_NAME, IDC_MIDDLE_INITIAL, IDC_LAST_NAME}) {
        InvalidateRect(GetItem(id), nullptr, TRUE);
    }
}

void CKestrovaView::GetLookupValuesFromServer(std::string& errorText)
{
    std::vector<std::string> locations;
    std::vector<std::string> departments;
    if (!GetLookupValues(ConfiguredServerLogin(), locations, departments, errorText)) {
        return;
    }
    FillList(IDC_LOCATION, locations);
    FillList(IDC_DEPARTMENT, departments);
    UpdateData(false);
}

void CKestrovaView::FillList(int id, const std::vector<std::string>& items)
{
    HWND box = GetItem(id);
    SendMessageA(box, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items) {
        SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
}

void CKestrovaView::OnGetUserFromDirectory()
{
    // The form is read before the busy window shows, so that a refused
    // value's message does not open underneath that topmost window. Only
    // the name the field shows is looked up.
    if (!UpdateData(true)) {
        return;
    }
    CKestrovaApp* app = CKestrovaApp::Get();
    if (app != nullptr) {
        app->ShowWaitDlg(kDirectoryText);
    }
    std::unique_ptr<DirectorySource> source =
        m_makeDirectory ? m_makeDirectory() : std::make_unique<AdsiDirectorySource>();
    DirectoryLookup lookup(*source, Frame());
    lookup.SetBeforeMessage([app] {
        if (app != nullptr) {
            app->HideWaitDlg();
        }
    });
    DirectoryUserFields fields{m_userName, m_firstName,  m_middleInitial, m_lastName,
                               m_location, m_department, m_office};
    DirectoryLookupResult result = lookup.Run(fields, LoggedOnUserName());
    m_userName = fields.userName;
    m_firstName = fields.firstName;
    m_middleInitial = fields.middleInitial;
    m_lastName = fields.lastName;
    m_location = fields.location;
    m_department = fields.department;
    m_office = fields.office;
    if (DirectoryLookup::SetsNamesFilled(result)) {
        m_namesFilled = true;
    }
    UpdateData(false);
    if (app != nullptr) {
        app->HideWaitDlg();
    }
}
