// Opens every window of the program in turn, the way an operator reaches it,
// and the picture button's test dialog, and writes a picture of each as it
// is on the screen (<name>.bmp in the current folder), for a person to look
// at (tools/window-screenshots.sh). Not a test: the look is judged by eye.
#include "app/KestrovaApp.h"
#include "app/KestrovaDoc.h"
#include "app/KestrovaView.h"
#include "app/WaitDlg.h"
#include "app/tests/WindowDriver.h"
#include "asset/Exceptions.h"
#include "audit/AuditEngineFactory.h"
#include "audit/WmiAccess.h"
#include "common/AppState.h"
#include "resources/resource.h"
#include "winui/tests/PictureButtonProbe.h"

#include <comdef.h>
#include <commctrl.h>
#include <objbase.h>
#include <prsht.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

// The screen under the window (and under also, when given) into name.bmp.
void Shot(const char* name, HWND window, HWND also = nullptr)
{
    if (window == nullptr) {
        std::fprintf(stderr, "%s: no window\n", name);
        return;
    }
    Sleep(400); // painted
    RECT rect;
    GetWindowRect(window, &rect);
    if (also != nullptr) {
        RECT other;
        GetWindowRect(also, &other);
        UnionRect(&rect, &rect, &other);
    }
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateDIBSection(screen, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
    const DWORD size = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(format.bmiHeader);
    file.bfSize = file.bfOffBits + size;
    std::ofstream out(std::string(name) + ".bmp", std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&format.bmiHeader), sizeof(format.bmiHeader));
    out.write(static_cast<const char*>(bits), size);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    std::printf("%s.bmp\n", name);
}

// Holds the directory lookup (and its busy window) until released, then
// fails with a code the system has no text for.
class SlowUnreachableDirectory : public DirectorySource {
public:
    explicit SlowUnreachableDirectory(HANDLE release) : m_release(release) {}
    std::string GetDefaultNamingContext() override
    {
        WaitForSingleObject(m_release, 20000);
        throw _com_error(static_cast<HRESULT>(0x8007232BL));
    }
    bool FindFirst(const std::string&, const std::string&, const std::vector<std::string>&, DirectoryEntry&) override
    {
        return false;
    }

private:
    HANDLE m_release;
};

class ListedComputers : public ComputerSource {
public:
    bool Scan(HWND, const std::function<void()>&, std::vector<std::string>& names) override
    {
        names = {"pc01", "localhost", "server7", "printhost", "accounts-laptop"};
        return true;
    }
};

// The network audit from its menu: the set-up dialog with a folder chosen,
// the batch while the computer's WMI keeps it waiting, Stop's question.
// The exception report is left to tools/report-screenshots.sh: without the
// browser engine Wine shows an empty window.
void ShootNetworkAudit(CKestrovaApp& app, HWND frame)
{
    HANDLE probeRelease = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    NetworkAuditHooks& hooks = app.GetKestrovaDoc()->m_networkAuditHooks;
    hooks.m_makeSource = [](int) { return std::make_unique<ListedComputers>(); };
    hooks.m_browse = [](const std::string&, std::string& folder) {
        folder = "C:\\Audit Results";
        return kBrowseChosen;
    };
    // The computer's WMI keeps the batch waiting, then refuses: the probe's
    // own box comes after the batch.
    hooks.m_osTypeConnector = [probeRelease](const std::string&) -> IDispatchPtr {
        WaitForSingleObject(probeRelease, 20000);
        throw _com_error(static_cast<HRESULT>(0x800706BA));
    };
    PostMessageA(frame, WM_COMMAND, ID_NETWORK_AUDIT_WNET, 0);
    HWND setup = WaitFor([] { return VisibleDialog("Select Computers to Remotely Audit"); });
    HWND list = GetDlgItem(setup, IDC_COMPUTER_LIST);
    SendMessageA(list, LB_SETSEL, TRUE, 1);
    SendMessageA(setup, WM_COMMAND, MAKEWPARAM(IDC_COMPUTER_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    SendMessageA(GetDlgItem(setup, IDC_NET_UPLOAD), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(setup, IDC_NET_SAVE), BM_CLICK, 0, 0);
    Shot("network-audit-setup", setup);
    PostMessageA(setup, WM_COMMAND, MAKEWPARAM(IDC_START_NETWORK_AUDIT, BN_CLICKED), 0);
    HWND batch = WaitFor([] { return VisibleDialogHolding(IDC_SKIP_AUDIT); });
    Shot("network-audit-batch", batch);
    PostMessageA(batch, WM_COMMAND, MAKEWPARAM(IDC_STOP_BATCH, BN_CLICKED), 0);
    HWND question = WaitFor([] { return FindMessageBox("stop this network audit"); });
    Shot("network-audit-stop", question, batch);
    PostMessageA(question, WM_COMMAND, IDNO, 0);
    // The probe's answer comes after the batch stopped waiting for it.
    HWND report = WaitFor([] { return VisibleDialog("Kestrova Plus(tm) - Audit Exception Report"); }, 2000);
    SetEvent(probeRelease);
    static const std::string refused = t_exception(_com_error(static_cast<HRESULT>(0x800706BA))).what();
    HWND probeBox = WaitFor([] { return FindMessageBox(refused); });
    Shot("network-audit-probe-failed", probeBox);
    PostMessageA(probeBox, WM_COMMAND, IDOK, 0);
    PostMessageA(report, WM_COMMAND, IDCANCEL, 0);
    WaitFor([report] { return IsWindow(report) ? nullptr : report; });
    CloseHandle(probeRelease);
}

// Where tools/window-screenshots.sh starts a service that is no web server
// (tools/peers/banner_server.py): a port where the asset server is not.
const int kBannerPort = 20659;

// The options sheet's two pages, and the credential test against a port of
// this computer where nothing listens and one where a service that is no
// web server answers.
void ShootOptions(HWND frame)
{
    PostMessageA(frame, WM_COMMAND, ID_OPTIONS, 0);
    HWND sheet = WaitFor([] { return VisibleDialog("Kestrova Options"); });
    if (sheet == nullptr) {
        return;
    }
    HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    const std::pair<int, const char*> fields[] = {{IDC_OPT_SERVER, "127.0.0.1"},
                                                  {IDC_OPT_PORT, "9"},
                                                  {IDC_OPT_DATABASE, "assets"},
                                                  {IDC_OPT_USER_NAME, "admin"},
                                                  {IDC_OPT_PASSWORD, "secret"}};
    for (const auto& field : fields) {
        SendDlgItemMessageA(page, field.first, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(field.second));
    }
    Shot("options-ondelmark", sheet);
    PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_OPT_TEST_LOGIN, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_OPT_TEST_LOGIN)));
    HWND refused = WaitFor([] { return FindMessageBox("Could not connect"); });
    Shot("options-test-refused", refused, sheet);
    PostMessageA(refused, WM_COMMAND, IDOK, 0);
    WaitFor([refused] { return IsWindow(refused) ? nullptr : refused; });
    SendDlgItemMessageA(page, IDC_OPT_PORT, WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(std::to_string(kBannerPort).c_str()));
    PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_OPT_TEST_LOGIN, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_OPT_TEST_LOGIN)));
    HWND notSoap = WaitFor([] { return FindMessageBox("did not answer in SOAP"); });
    Shot("options-test-banner", notSoap, sheet);
    PostMessageA(notSoap, WM_COMMAND, IDOK, 0);
    WaitFor([notSoap] { return IsWindow(notSoap) ? nullptr : notSoap; });
    SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
    page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    SendDlgItemMessageA(page, IDC_LOG_ERRORS, BM_CLICK, 0, 0);
    SendDlgItemMessageA(page, IDC_LOG_PATH, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("C:\\Kestrova Logs\\"));
    Shot("options-error-log", sheet);
    SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    PostMessageA(sheet, WM_NULL, 0, 0);
    WaitFor([sheet] { return IsWindow(sheet) ? nullptr : sheet; });
}

// Puts the mouse over the button until the button, on its own thread,
// knows it (a late motion event may take the pointer back for a moment).
void HoverOver(OwnerDrawButton& button)
{
    RECT rect;
    GetWindowRect(button.GetHandle(), &rect);
    WaitFor([&]() -> HWND {
        SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        PostMessageA(button.GetHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
        return button.IsHovering() ? button.GetHandle() : nullptr;
    });
}

// The picture button's test dialog, on a thread of its own: the lamp off,
// then lit under the mouse; the colour buttons normal, with the focus and
// under the mouse; the transparent one over the stripes.
void ShootPictureButtons()
{
    PictureButtonProbe probe;
    probe.m_onShown = [](PictureButtonProbe& p) {
        SetForegroundWindow(p.GetHandle());
        SetFocus(p.GetItem(PictureButtonProbe::kColoursFocused));
    };
    std::thread shown([&probe] { probe.DoModal(nullptr); });
    HWND dialog = WaitFor([] { return VisibleDialog("Picture buttons"); });
    HoverOver(probe.Button(PictureButtonProbe::kColoursHovered));
    Shot("picture-buttons", dialog);
    PostMessageA(probe.GetItem(PictureButtonProbe::kColoursHovered), WM_MOUSELEAVE, 0, 0);
    HoverOver(probe.Button(PictureButtonProbe::kLamp));
    Shot("picture-buttons-lamp-lit", dialog);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    shown.join();
}

} // namespace

int main()
{
    (void)CoInitialize(nullptr);
    WaitDlg::s_readingPauseMs = 0;
    CKestrovaApp app;
    app.SetCommandLine("Kestrova.exe");
    if (!app.InitInstance()) {
        return 1;
    }
    app.AddRemoteAuditMenu();
    HWND frame = app.GetMainWindow();
    auto* view = dynamic_cast<CKestrovaView*>(app.GetView());
    CKestrovaDoc* doc = app.GetKestrovaDoc();
    HANDLE release = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    view->m_runAudit = [doc, release](AuditProgressSink* sink) {
        sink->SetRange(4);
        sink->Step();
        WaitForSingleObject(release, 20000);
        doc->Audit().m_engine = MakeAuditEngine(AuditEngineKind::Api);
        doc->Audit().m_outcome = AuditOutcome::Completed;
        doc->Audit().m_completed = true;
        sink->Step();
    };
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    view->m_askSavePath = [folder](HWND, std::string& path) {
        path = std::string(folder) + "\\shot.kes";
        return true;
    };
    view->m_makeDirectory = [release] { return std::make_unique<SlowUnreachableDirectory>(release); };

    std::thread driver([&] {
        WaitFor([frame] { return IsWindowVisible(frame) ? frame : nullptr; });
        Shot("form-without-configuration", frame);
        view->EnableLookupButtons(true);
        Shot("form", frame);

        PostMessageA(frame, WM_COMMAND, ID_COMMAND_ARGUMENTS, 0);
        HWND arguments = WaitFor([] { return VisibleDialog("Command Arguments"); });
        Shot("command-arguments", arguments);
        PostMessageA(arguments, WM_COMMAND, IDOK, 0);

        ShootOptions(frame);

        for (const char* mode : {"progress", "progress-minimal"}) {
            GetAppState().m_runMode = std::string(mode) == "progress" ? kRunInteractive : kRunMinimal;
            PostMessageA(frame, WM_COMMAND, ID_LOCAL_AUDIT, 0);
            HWND progress = WaitFor([] { return VisibleDialogHolding(IDC_AUDIT_PROGRESS); });
            Shot(mode, progress);
            GetAppState().m_runMode = kRunInteractive;
            SetEvent(release);
            HWND complete = WaitFor([] { return VisibleDialog("Audit Complete!"); });
            if (std::string(mode) == "progress") {
                Shot("audit-complete", complete);
                PostMessageA(complete, WM_COMMAND, MAKEWPARAM(IDC_SAVE_RESULTS, BN_CLICKED), 0);
                HWND saved = WaitFor([] { return FindMessageBox("saved successfully"); });
                Shot("saved-notice", saved, complete);
                PostMessageA(saved, WM_COMMAND, IDOK, 0);
                WaitFor([saved] { return IsWindow(saved) ? nullptr : saved; });
                // An upload to a service that is no asset server fails, and
                // the choices come back.
                GetAppState().m_config.m_server = "127.0.0.1";
                GetAppState().m_config.m_port = kBannerPort;
                PostMessageA(complete, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                HWND failed = WaitFor([] { return FindMessageBox("Unable to upload"); });
                Shot("upload-failed", failed, frame);
                PostMessageA(failed, WM_COMMAND, IDOK, 0);
                WaitFor([complete] { return IsWindow(complete) ? nullptr : complete; });
                complete = WaitFor([] { return VisibleDialog("Audit Complete!"); });
                Shot("audit-complete-after-failed-upload", complete, frame);
            }
            PostMessageA(complete, WM_COMMAND, IDCANCEL, 0);
            WaitFor([complete] { return IsWindow(complete) ? nullptr : complete; });
        }

        PostMessageA(view->GetHandle(), WM_COMMAND, MAKEWPARAM(IDC_DIRECTORY_LOOKUP, BN_CLICKED), 0);
        HWND wait = WaitFor([] { return VisibleDialogHolding(IDC_WAIT_TEXT); });
        Shot("wait", wait);
        SetEvent(release);
        HWND failed = WaitFor([] { return FindMessageBox("Active Directory"); });
        Shot("directory-error", failed, frame);
        PostMessageA(failed, WM_COMMAND, IDOK, 0);
        WaitFor([failed] { return IsWindow(failed) ? nullptr : failed; });

        ShootNetworkAudit(app, frame);
        ShootPictureButtons();
        PostMessageA(frame, WM_COMMAND, ID_APP_EXIT, 0);
    });
    int code = app.Run();
    driver.join();
    CloseHandle(release);
    return code;
}
