// The network audit on a display, driven from a second thread: the set-up
// dialog's control rules, a batch from the Remote Audit menu to the
// exception report (a real remote audit of localhost, saved and uploaded; a
// name that does not resolve; a probe that answers late), Skip and Stop, and
// the three real computer sources, which find nothing under Wine.
#include "app/KestrovaDoc.h"
#include "app/NetworkAuditDlg.h"
#include "app/NetworkAuditProgressDlg.h"
#include "app/WaitDlg.h"
#include "app/tests/AppDriver.h"
#include "app/tests/KestrovaRun.h"
#include "app/tests/WindowShot.h"
#include "asset/AssetPropertyIndex.h"
#include "asset/Exceptions.h"
#include "audit/Audit.h"
#include "audit/AuditEngineFactory.h"
#include "audit/WmiAccess.h"
#include "common/AppState.h"
#include "common/TextHelpers.h"
#include "common/tests/RecordedNotices.h"
#include "resources/resource.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <memory>
#include <thread>

namespace {

// A name whose over-long label the resolver refuses itself: no query
// leaves the machine.
const std::string kUnresolvable = std::string(70, 'x') + ".invalid";

// The probe of a computer whose WMI answers is waited for as long as a loaded
// machine takes; only a probe meant to come too late meets the batch's own
// bound.
DWORD PatientProbeWait(const std::string&)
{
    return 120000;
}
// Likewise for the answer to a ping of the loopback, in seconds.
const int kPatientPingTimeout = 60;

class ListedComputers : public ComputerSource {
public:
    explicit ListedComputers(std::vector<std::string> names) : m_names(std::move(names)) {}
    bool Scan(HWND, const std::function<void()>&, std::vector<std::string>& names) override
    {
        names = m_names;
        return true;
    }

private:
    std::vector<std::string> m_names;
};

IDispatchPtr ConnectWmi(const std::string& computer)
{
    return ConnectWmiServer(CreateWmiLocator(), _bstr_t(computer.c_str()), 0x80);
}

void Click(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// A click whose handler runs a modal loop of its own: the driver goes on.
void PostClick(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool Checked(HWND dialog, int id)
{
    return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// The operator clicks one computer of the list.
void SelectComputer(HWND dialog, int index)
{
    HWND list = GetDlgItem(dialog, IDC_COMPUTER_LIST);
    SendMessageA(list, LB_SETSEL, TRUE, index);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_COMPUTER_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void SetPath(HWND dialog, const char* path)
{
    SendMessageA(GetDlgItem(dialog, IDC_NET_SAVE_PATH), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path));
}

std::string ControlText(HWND control)
{
    char text[1024] = {};
    SendMessageA(control, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
}

// An engine that stops between its two steps until the test lets it go.
class GatedEngine : public AuditEngine {
public:
    explicit GatedEngine(std::function<void()> gate) : m_gate(std::move(gate)) {}
    void Run(const _bstr_t& computer) override
    {
        BeginRun(2);
        try {
            EndStep();
            m_gate();
            EndStep();
            Result().Property(AssetIMPL::kAssetName).SetString(BstrToStdString(computer));
            EndRun(AuditOutcome::Completed);
        } catch (const audit_canceled&) {
            EndRun(AuditOutcome::Cancelled);
        }
    }
    void SetRemote(bool) override {}

private:
    std::function<void()> m_gate;
};

class NetworkAudit : public AppDriverTest {
protected:
    void SetUp() override
    {
        AppDriverTest::SetUp();
        m_app.AddRemoteAuditMenu();
        m_results = MakeFolder("results");
        WriteConfig(m_folder, kServerPort);
        ASSERT_TRUE(GetAppState().m_config.Load());
    }
    void TearDown() override
    {
        SetAuditEngineFactory(m_previousFactory);
        AppDriverTest::TearDown();
    }
    CKestrovaDoc& Doc() { return *m_app.GetKestrovaDoc(); }
    void UseGatedEngine(const std::function<void()>& gate)
    {
        m_previousFactory =
            SetAuditEngineFactory([gate](AuditEngineKind) { return boost::shared_ptr<Audit>(new GatedEngine(gate)); });
    }
    std::string m_results;
    AuditEngineFactory m_previousFactory;
};

} // namespace

TEST_F(NetworkAudit, SetUpDialogControlRules)
{
    std::deque<std::string> folders; // what the browser hands back; "" cancels
    NetworkAuditHooks hooks;
    hooks.m_makeSource = [](int) {
        return std::make_unique<ListedComputers>(std::vector<std::string>{"pc02", "pc01", "pc03"});
    };
    hooks.m_browse = [&](const std::string&, std::string& folder) {
        folder = folders.empty() ? "" : folders.front();
        if (!folders.empty()) {
            folders.pop_front();
        }
        return folder.empty() ? kBrowseCancelled : kBrowseChosen;
    };
    NetworkAuditDlg setup(Doc(), m_app.GetMainWindow(), kMethodMachineAccounts, hooks);

    using Step = std::function<void(HWND)>;
    const Step selectAll = [](HWND d) { Click(d, IDC_SELECT_ALL); };
    const Step select = [](HWND d) { SelectComputer(d, 1); };
    const Step view = [](HWND d) { Click(d, IDC_NET_VIEW); };
    const Step upload = [](HWND d) { Click(d, IDC_NET_UPLOAD); };
    const Step save = [](HWND d) { Click(d, IDC_NET_SAVE); };
    const Step browse = [](HWND d) { Click(d, IDC_NET_BROWSE); };
    const Step emptyPath = [](HWND d) { SetPath(d, ""); };
    const Step chooseFolder = [&](HWND) { folders.push_back("C:\\Results"); };
    struct Row {
        const char* what;
        std::vector<Step> steps;
        bool start, save, pathEnabled, selectAll;
        const char* path;
    };
    const char* results = "C:\\Results";
    const Row rows[] = {
        {"a computer, then View", {select, view}, true, false, false, false, ""},
        {"View, then a computer", {view, select}, true, false, false, false, ""},
        {"Upload with no computer", {upload}, false, false, false, false, ""},
        {"Select All, then Upload", {selectAll, upload}, true, false, false, true, ""},
        {"Select All off again", {selectAll, view, selectAll}, false, false, false, false, ""},
        {"a click in the list ends Select All", {selectAll, view, select}, true, false, false, false, ""},
        {"Upload off while View stays", {select, view, upload, upload}, true, false, false, false, ""},
        {"Upload off, nothing else", {select, upload, upload}, false, false, false, false, ""},
        {"Save opens the browser", {select, chooseFolder, save}, true, true, true, false, results},
        {"Save, browser cancelled", {select, save}, false, false, false, false, ""},
        {"Save off empties the path", {select, chooseFolder, save, save}, false, false, false, false, ""},
        {"the path emptied while View stays",
         {select, view, chooseFolder, save, emptyPath},
         true,
         false,
         true,
         false,
         ""},
        {"the path emptied while Upload stays",
         {select, upload, chooseFolder, browse, emptyPath},
         true,
         false,
         true,
         false,
         ""},
        // The folder stays in its box; only Save goes.
        {"Browse, cancelled", {select, chooseFolder, browse, browse}, true, false, true, false, results},
    };
    struct Seen {
        bool start, save, pathEnabled, selectAll;
        std::string path;
    };
    std::vector<Seen> seen;
    std::vector<std::string> boxesAfterStart;
    bool stayedOpen = false;
    std::thread driver([&] {
        HWND dialog = WaitFor([] { return VisibleDialog("Select Computers to Remotely Audit"); });
        if (dialog == nullptr) {
            return;
        }
        HWND start = GetDlgItem(dialog, IDC_START_NETWORK_AUDIT);
        HWND path = GetDlgItem(dialog, IDC_NET_SAVE_PATH);
        for (const Row& row : rows) {
            // Back to the opening state, through the controls.
            for (int id : {IDC_NET_SAVE, IDC_NET_UPLOAD, IDC_NET_VIEW}) {
                if (Checked(dialog, id)) {
                    Click(dialog, id);
                }
            }
            if (!Checked(dialog, IDC_SELECT_ALL)) {
                Click(dialog, IDC_SELECT_ALL);
            }
            Click(dialog, IDC_SELECT_ALL);
            for (const Step& step : row.steps) {
                step(dialog);
            }
            seen.push_back({IsWindowEnabled(start) != FALSE, Checked(dialog, IDC_NET_SAVE),
                            IsWindowEnabled(path) != FALSE, Checked(dialog, IDC_SELECT_ALL), ControlText(path)});
            if (row.steps.size() == 3 && row.pathEnabled) {
                SaveWindowShot(dialog, "network-audit-setup");
            }
        }
        // Start: a time-out outside 1 to 10 keeps the dialog open, and so
        // does a start with no computer selected.
        HWND timeout = GetDlgItem(dialog, IDC_PING_TIMEOUT);
        for (const char* bad : {"0", "11"}) {
            SendMessageA(timeout, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(bad));
            Click(dialog, IDC_START_NETWORK_AUDIT);
        }
        SendMessageA(timeout, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("3"));
        SendMessageA(GetDlgItem(dialog, IDC_COMPUTER_LIST), LB_SETSEL, FALSE, -1);
        EnableWindow(start, TRUE);
        Click(dialog, IDC_START_NETWORK_AUDIT);
        stayedOpen = IsWindowVisible(dialog) != FALSE;
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    const INT_PTR result = setup.DoModal();
    driver.join();
    EXPECT_EQ(IDCANCEL, result);
    ASSERT_EQ(std::size(rows), seen.size());
    for (size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(rows[i].what);
        EXPECT_EQ(rows[i].start, seen[i].start);
        EXPECT_EQ(rows[i].save, seen[i].save);
        EXPECT_EQ(rows[i].pathEnabled, seen[i].pathEnabled);
        EXPECT_EQ(rows[i].selectAll, seen[i].selectAll);
        EXPECT_EQ(rows[i].path, seen[i].path);
    }
    const std::vector<Box> boxes = Boxes();
    ASSERT_EQ(2u, boxes.size());
    for (const Box& box : boxes) {
        EXPECT_EQ("The ping timeout value must be between 1 and 10 seconds.", box.text);
        EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), box.type & MB_ICONMASK);
    }
    EXPECT_TRUE(stayedOpen);
}

// From the menu to the exception report: localhost is audited through its
// WMI, viewed, saved in the chosen folder and uploaded; the name that does
// not resolve is unresponsive, and its markup shows in the report as text;
// the probe that answers too late leaves its computer unaudited.
TEST_F(NetworkAudit, BatchFromTheMenuToTheExceptionReport)
{
    // Its first label is still too long to be asked of a name server.
    static const std::string kMarkedUp = "<b>&" + kUnresolvable;
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE lateDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    NetworkAuditHooks& hooks = Doc().m_networkAuditHooks;
    hooks.m_makeSource = [](int) {
        return std::make_unique<ListedComputers>(std::vector<std::string>{"localhost", kMarkedUp, "127.0.0.1"});
    };
    hooks.m_browse = [this](const std::string&, std::string& folder) {
        folder = m_results;
        return kBrowseChosen;
    };
    hooks.m_osTypeWait = [](const std::string& computer) {
        return computer == "127.0.0.1" ? kOsTypeProbeWaitMs : PatientProbeWait(computer);
    };
    hooks.m_osTypeConnector = [release, lateDone](const std::string& computer) {
        if (computer != "127.0.0.1") {
            return ConnectWmi(computer);
        }
        // This computer's WMI answers, but only once the batch is over.
        WaitForSingleObject(release, 60000);
        IDispatchPtr services = ConnectWmi("localhost");
        SetEvent(lateDone);
        return services;
    };

    std::string title;
    std::string reportPath;
    std::string report;
    bool batchShown = false;
    bool resultsShown = false;
    bool busyOverReport = true;
    DWORD busyThread = 0; // the upload's busy window belongs to the main thread
    RunWithDriver(ID_NETWORK_AUDIT_WNET, [&] {
        HWND setup = WaitFor([] { return VisibleDialog("Select Computers to Remotely Audit"); });
        if (setup == nullptr) {
            return;
        }
        title = WindowText(setup);
        Click(setup, IDC_SELECT_ALL);
        Click(setup, IDC_NET_UPLOAD);
        Click(setup, IDC_NET_VIEW);
        Click(setup, IDC_NET_SAVE);
        // The longest the operator may choose.
        SendMessageA(GetDlgItem(setup, IDC_PING_TIMEOUT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("10"));
        PostClick(setup, IDC_START_NETWORK_AUDIT);
        if (HWND batch = WaitFor([] { return VisibleDialogHolding(IDC_SKIP_AUDIT); })) {
            batchShown = true;
            SaveWindowShot(batch, "network-audit-batch");
        }
        // The results page of localhost, shown by the batch's own thread.
        if (HWND results = WaitFor([] { return VisibleDialog("Kestrova(tm) - Asset Audit Results"); }, 6000)) {
            resultsShown = true;
            PostMessageA(results, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
        HWND shown = WaitFor([] { return VisibleDialog("Kestrova Plus(tm) - Audit Exception Report"); }, 6000);
        if (shown == nullptr) {
            return;
        }
        WaitDlg* wait = m_app.GetWaitDlg();
        busyOverReport = wait != nullptr && IsWindowVisible(wait->GetHandle());
        busyThread = wait != nullptr ? GetWindowThreadProcessId(wait->GetHandle(), nullptr) : 0;
        HWND browser = FindChild(shown, "AtlAxWin", 0);
        reportPath = browser != nullptr ? ControlText(browser) : "";
        report = ReadFileText(reportPath);
        SetEvent(release);
        PostMessageA(shown, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    SetEvent(release);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(lateDone, 60000));
    CloseHandle(release);
    CloseHandle(lateDone);

    EXPECT_EQ("Select Computers to Remotely Audit", title);
    EXPECT_TRUE(batchShown);
    EXPECT_TRUE(resultsShown);
    EXPECT_FALSE(busyOverReport);
    EXPECT_EQ(GetCurrentThreadId(), busyThread);
    EXPECT_TRUE(BoxTexts().empty()) << BoxTexts().front();
    EXPECT_EQ(std::vector<std::string>{kMarkedUp}, m_app.m_unresponsiveComputers);
    EXPECT_EQ(std::vector<std::string>{"127.0.0.1"}, m_app.m_nonNtComputers);

    // The report, read while its dialog was open, and gone afterwards.
    ASSERT_FALSE(reportPath.empty());
    EXPECT_FALSE(FileExists(reportPath));
    const size_t unresponsive =
        report.find("<tr><td class=\"L\" colspan=\"2\">&lt;b&gt;&" + kUnresolvable + "</td></tr>");
    const size_t nonNt = report.find("<tr><td class=\"L\" colspan=\"2\">127.0.0.1</td></tr>");
    const size_t secondSection = report.find("Computers without WMI installed");
    EXPECT_NE(std::string::npos, unresponsive) << report;
    EXPECT_EQ(std::string::npos, report.find("<b>&"));
    EXPECT_LT(unresponsive, secondSection);
    EXPECT_NE(std::string::npos, nonNt);
    EXPECT_GT(nonNt, secondSection);

    // localhost: saved under its name in the chosen folder, and uploaded.
    const std::string saved = ReadFileText(m_results + "\\localhost.kes");
    EXPECT_NE(std::string::npos, saved.find("<Kestrova>")) << saved.substr(0, 200);
    EXPECT_EQ(1, UploadsReceived());
    EXPECT_NE(std::string::npos, Requests().find("<Kestrova>"));
    EXPECT_FALSE(FileExists(m_results + "\\127.0.0.1.kes"));
}

TEST_F(NetworkAudit, SkipEndsOnlyTheCurrentAudit)
{
    HANDLE inAudit = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE resume = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::atomic<int> audits{0};
    UseGatedEngine([&] {
        if (++audits == 1) {
            SetEvent(inAudit);
            WaitForSingleObject(resume, 60000);
        }
    });
    NetworkAuditProgressDlg batch(Doc(), {"localhost", "localhost"}, m_app.GetMainWindow());
    batch.m_upload = true;
    batch.m_save = true;
    batch.m_folder = m_results;
    batch.m_osTypeWait = PatientProbeWait;
    batch.m_pingTimeout = kPatientPingTimeout;
    std::thread driver([&] {
        if (WaitForSingleObject(inAudit, 60000) != WAIT_OBJECT_0) {
            return;
        }
        HWND dialog = WaitFor([] { return VisibleDialogHolding(IDC_SKIP_AUDIT); });
        if (dialog != nullptr) {
            Click(dialog, IDC_SKIP_AUDIT);
        }
        SetEvent(resume);
    });
    const INT_PTR result = batch.DoModal();
    driver.join();
    CloseHandle(inAudit);
    CloseHandle(resume);
    // The skipped audit sent nothing; the next ran through and was sent.
    EXPECT_EQ(2, audits.load());
    EXPECT_EQ(1, UploadsReceived());
    EXPECT_TRUE(FileExists(m_results + "\\localhost.kes"));
    EXPECT_EQ(IDOK, result);
    EXPECT_TRUE(BoxTexts().empty());
    // The upload's busy window was made by the main thread (one of the
    // worker's would have died with it) and is hidden again.
    WaitDlg* wait = m_app.GetWaitDlg();
    ASSERT_NE(nullptr, wait);
    EXPECT_EQ(GetCurrentThreadId(), GetWindowThreadProcessId(wait->GetHandle(), nullptr));
    EXPECT_FALSE(IsWindowVisible(wait->GetHandle()));
}

// Each failed probe tells its error in a box of its own thread, owned by no
// window; the batch goes on while the box is open, and audits the next
// computer. A probe that fails only after the batch stopped waiting for it
// shows its box too, even after the batch and its document are gone.
TEST_F(NetworkAudit, EveryFailedProbeShowsItsBoxAndTheBatchGoesOn)
{
    const auto boxes = OpenBoxes::Hook(false);
    // When the second computer's WMI fails; shared with the probes' threads,
    // which may outlive the test's frame.
    const std::shared_ptr<void> late(CreateEventA(nullptr, TRUE, FALSE, nullptr), CloseHandle);
    const HRESULT refused = static_cast<HRESULT>(0x800706BA); // the RPC server is unavailable
    const HRESULT denied = E_ACCESSDENIED;
    std::atomic<int> audits{0};
    UseGatedEngine([&] { ++audits; });
    {
        NetworkAuditProgressDlg batch(Doc(), {"localhost", "127.0.0.1", "localhost"}, m_app.GetMainWindow());
        batch.m_pingTimeout = kPatientPingTimeout;
        auto probes = std::make_shared<std::atomic<int>>(0);
        // The two failing probes meet the batch's own bound; the last
        // computer's WMI answers.
        batch.m_osTypeWait = [probes](const std::string& computer) {
            return *probes < 2 ? kOsTypeProbeWaitMs : PatientProbeWait(computer);
        };
        batch.m_osTypeConnector = [probes, late, refused, denied](const std::string& computer) -> IDispatchPtr {
            const int probe = ++*probes;
            if (probe == 1) {
                throw _com_error(refused);
            }
            if (probe == 2) {
                WaitForSingleObject(late.get(), 60000);
                throw _com_error(denied);
            }
            return ConnectWmi(computer);
        };
        EXPECT_EQ(IDOK, batch.DoModal());
    }
    // The batch is over while the first box is still open.
    const int answeredAtTheEnd = boxes->Answered();
    const size_t shownAtTheEnd = boxes->Count();
    m_app.CloseDocument();
    SetEvent(late.get());
    for (int i = 0; i < 6000 && boxes->Count() < 2; ++i) {
        Sleep(10);
    }
    boxes->Answer();
    for (int i = 0; i < 6000 && boxes->Answered() < 2; ++i) {
        Sleep(10);
    }
    boxes->Restore();

    EXPECT_EQ(0, answeredAtTheEnd);
    EXPECT_EQ(1u, shownAtTheEnd);
    EXPECT_EQ(1, audits.load());
    EXPECT_EQ((std::vector<std::string>{"localhost", "127.0.0.1"}), m_app.m_nonNtComputers);
    EXPECT_EQ(2, boxes->Answered());
    const std::vector<ShownBox> shown = boxes->Shown();
    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ(t_exception(_com_error(refused)).what(), shown[0].text);
    EXPECT_EQ(t_exception(_com_error(denied)).what(), shown[1].text);
    for (const ShownBox& box : shown) {
        EXPECT_EQ("Kestrova", box.caption);
        EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), box.type);
        EXPECT_EQ(nullptr, box.owner);
        EXPECT_NE(GetCurrentThreadId(), box.thread);
    }
    EXPECT_NE(shown[0].thread, shown[1].thread);
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(NetworkAudit, StopAsksThenEndsTheBatch)
{
    HANDLE inAudit = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE resume = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::atomic<int> audits{0};
    UseGatedEngine([&] {
        ++audits;
        SetEvent(inAudit);
        WaitForSingleObject(resume, 60000);
    });
    std::deque<int> answers = {IDNO, IDYES};
    m_answer = [&](const std::string&) {
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    };
    NetworkAuditProgressDlg batch(Doc(), {"localhost", kUnresolvable}, m_app.GetMainWindow());
    batch.m_upload = true;
    batch.m_osTypeWait = PatientProbeWait;
    batch.m_pingTimeout = kPatientPingTimeout;
    bool enabledAfterNo = false;
    bool enabledAfterYes = true;
    std::thread driver([&] {
        if (WaitForSingleObject(inAudit, 60000) != WAIT_OBJECT_0) {
            return;
        }
        HWND dialog = WaitFor([] { return VisibleDialogHolding(IDC_SKIP_AUDIT); });
        if (dialog != nullptr) {
            HWND stop = GetDlgItem(dialog, IDC_STOP_BATCH);
            Click(dialog, IDC_STOP_BATCH);
            enabledAfterNo = IsWindowEnabled(stop) != FALSE;
            Click(dialog, IDC_STOP_BATCH);
            enabledAfterYes = IsWindowEnabled(stop) != FALSE;
        }
        SetEvent(resume);
    });
    const INT_PTR result = batch.DoModal();
    driver.join();
    CloseHandle(inAudit);
    CloseHandle(resume);
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_TRUE(enabledAfterNo);
    EXPECT_FALSE(enabledAfterYes);
    EXPECT_EQ(std::vector<std::string>(2, "Are you sure you want to stop this network audit?"), BoxTexts());
    // The stopped audit sent nothing, and the next computer was not pinged.
    EXPECT_EQ(1, audits.load());
    EXPECT_EQ(0, UploadsReceived());
    EXPECT_TRUE(m_app.m_unresponsiveComputers.empty());
}

TEST_F(NetworkAudit, TheThreeRealSourcesFindNothingUnderWine)
{
    const std::string none = LoadResourceString(IDS_NO_COMPUTERS_FOUND, nullptr);
    const struct {
        UINT command;
        std::vector<std::string> boxes;
    } cases[] = {
        {ID_NETWORK_AUDIT_NQDI, {"Unable to contact the domain controller", none}},
        {ID_NETWORK_AUDIT_WNET, {none}},
        {ID_NETWORK_AUDIT_ADSI, {none}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        ClearBoxes();
        bool setupShown = false;
        RunWithDriver(c.command, [&] {
            // Nothing to drive: the dialog ends before it shows. Should it
            // show, it is closed, and the test fails instead of hanging.
            if (HWND setup = WaitFor([] { return VisibleDialog("Select Computers to Remotely Audit"); }, 100)) {
                setupShown = true;
                PostMessageA(setup, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            }
        });
        EXPECT_FALSE(setupShown);
        EXPECT_EQ(c.boxes, BoxTexts());
        for (const Box& box : Boxes()) {
            EXPECT_FALSE(box.busyVisible) << box.text;
        }
        EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), Boxes().back().type & MB_ICONMASK);
    }
}

// The set-up dialog's boxes come before it shows, while the frame is held. A
// second Remote Audit command that arrives then (posted by a program that
// drives this one, which took the first box for the end of the audit) starts
// no second network audit inside the first: "No computers were found" shows
// once, not one box over the other. Real boxes, answered by the driver.
TEST_F(NetworkAudit, ACommandDuringTheDomainControllerMessageStartsNoSecondAudit)
{
    const MessageBoxHook recorder = SetMessageBoxHook(MessageBoxHook());
    HWND frame = m_app.GetMainWindow();
    std::atomic<bool> done(false);
    std::vector<std::string> shown;
    std::thread driver([&] {
        std::vector<HWND> answered;
        while (!done) {
            for (HWND box = FindWindowA("#32770", nullptr); box != nullptr;
                 box = FindWindowExA(nullptr, box, "#32770", nullptr)) {
                HWND text = GetDlgItem(box, 0xFFFF);
                if (text == nullptr || !IsWindowVisible(box) ||
                    std::find(answered.begin(), answered.end(), box) != answered.end()) {
                    continue;
                }
                answered.push_back(box);
                shown.push_back(WindowText(text));
                if (shown.size() == 1) {
                    PostMessageA(frame, WM_COMMAND, ID_NETWORK_AUDIT_WNET, 0);
                }
                PostMessageA(box, WM_COMMAND, IDOK, 0);
            }
            Sleep(10);
        }
    });
    SendMessageA(frame, WM_COMMAND, ID_NETWORK_AUDIT_NQDI, 0);
    done = true;
    driver.join();
    SetMessageBoxHook(recorder);
    EXPECT_EQ(std::vector<std::string>(
                  {"Unable to contact the domain controller",
                   "No computers were found on the network.\r\n\r\nDepending on your network topology, you might "
                   "want to try another Network Audit method."}),
              shown);

    // Once the audit is over, the next one runs.
    ClearBoxes();
    RunWithDriver(ID_NETWORK_AUDIT_WNET, [] {});
    EXPECT_EQ(std::vector<std::string>({LoadResourceString(IDS_NO_COMPUTERS_FOUND, nullptr)}), BoxTexts());
}
