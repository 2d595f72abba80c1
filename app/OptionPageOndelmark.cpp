#include "app/OptionPageOndelmark.h"

#include "app/KestrovaApp.h"
#include "app/ServerExchange.h"
#include "common/MessageBoxHook.h"
#include "common/TextHelpers.h"
#include "resources/resource.h"

#include <comdef.h>

namespace {

const char kRequiredHeading[] = "The following fields are required:\r\n\r\n";
const char kVerifyingText[] = "Verifying Ondelmark account credentials...";

void ShowBusy(const char* text)
{
    if (CKestrovaApp* app = CKestrovaApp::Get()) {
        app->ShowWaitDlg(text);
    }
}

void HideBusy()
{
    if (CKestrovaApp* app = CKestrovaApp::Get()) {
        app->HideWaitDlg();
    }
}

} // namespace

OptionPageOndelmark::OptionPageOndelmark() : PropertyPage(IDD_OPTIONS_ONDELMARK)
{
    m_map.Command(IDC_OPT_TEST_LOGIN, this, &OptionPageOndelmark::OnTestLogin);
}

bool OptionPageOndelmark::OnInitDialog()
{
    PropertyPage::OnInitDialog();
    m_test.Attach(m_hwnd, IDC_OPT_TEST_LOGIN);
    m_test.SetIcon(IDI_TEST_LOGIN);
    m_test.SetTooltipText(IDS_TIP_TEST_LOGIN);
    return true;
}

void OptionPageOndelmark::DoDataExchange(DataExchange& dx)
{
    dx.Text(IDC_OPT_SERVER, m_server);
    dx.Required(m_server, "Ondelmark Server");
    dx.Int(IDC_OPT_PORT, m_port, 1, 65535);
    dx.Text(IDC_OPT_DATABASE, m_database);
    dx.Required(m_database, "Ondelmark Database");
    dx.Text(IDC_OPT_USER_NAME, m_userName);
    dx.Required(m_userName, "Username");
    dx.Text(IDC_OPT_PASSWORD, m_password);
    dx.Required(m_password, "Password");
    if (dx.IsSaving()) {
        // Every exchange decides anew: a field filled in since the last one
        // is not reported again.
        m_pendingMessage = dx.TakeMissingMessage(kRequiredHeading);
    }
}

bool OptionPageOndelmark::OnApply()
{
    if (m_pendingMessage.empty()) {
        return true;
    }
    const std::string message = m_pendingMessage;
    m_pendingMessage.clear();
    ShowMessageBox(m_hwnd, message, "Kestrova", MB_OK);
    return false;
}

void OptionPageOndelmark::OnTestLogin()
{
    // The page is read before the busy window shows: the range message of a
    // bad port must not open underneath that topmost window. Empty required
    // fields go as empty texts; applying the sheet reports them.
    if (!UpdateData(true)) {
        return;
    }
    ShowBusy(kVerifyingText);
    ServerLogin login;
    login.m_server = m_server;
    login.m_port = m_port;
    login.m_user = m_userName;
    login.m_password = m_password;
    login.m_database = m_database;
    std::string message;
    bool passed = false;
    try {
        passed = TestServerLogin(login, message);
    } catch (const _com_error& error) {
        // The password could not be enciphered: nothing was sent.
        message = LoadResourceString(IDS_LOGIN_FAILED, nullptr) + error.ErrorMessage();
    }
    HideBusy();
    ShowMessageBox(m_hwnd, message, "Kestrova", MB_OK | (passed ? MB_ICONINFORMATION : MB_ICONERROR));
}
