// The worker and the dialog share only the counters (interlocked), the skip
// and stop bytes and the posted messages. The per-audit sink is the audit
// engine's: Skip sets its flag and the engine stops after its current step;
// the batch sink's flag is Stop, looked at before each computer.
//
// Whatever the worker shows (the results page, a failed upload) it shows as
// windows of its own thread, modal to nothing of the main thread's, as the
// batch goes on afterwards. The busy window is the main thread's: the
// application moves the worker's requests for it over there. A probe that
// fails shows its box on its own thread, and the batch does not wait for it.
#include "app/NetworkAuditProgressDlg.h"

#include "app/AuditProgressDlg.h"
#include "app/KestrovaApp.h"
#include "app/KestrovaDoc.h"
#include "app/PingHolder.h"
#include "app/ResultsHtmlDlg.h"
#include "asset/Exceptions.h"
#include "common/AppState.h"
#include "common/MessageBoxHook.h"
#include "resources/resource.h"

#include <comdef.h>

#include <cstdio>

namespace {

const char kStopQuestion[] = "Are you sure you want to stop this network audit?";
const char kNoUploadReason[] = "Upload Failed.  No reason given by server.";

// The busy window that the upload shows goes again whatever the upload did.
class BusyWindowGuard {
public:
    ~BusyWindowGuard()
    {
        if (CKestrovaApp* app = CKestrovaApp::Get()) {
            app->HideWaitDlg();
        }
    }
};

std::string FailureWithCode(long code, const std::string& text)
{
    char number[16];
    std::snprintf(number, sizeof(number), "%ld", code);
    return "failed with error " + std::string(number) + ": " + text;
}

} // namespace

std::string ResultFilePath(const std::string& folder, const std::string& computer)
{
    const bool separated = !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
    return folder + (separated ? "" : "\\") + computer + ".kes";
}

std::string PlainComputerName(const std::string& name)
{
    const size_t start = name.find_first_not_of('\\');
    return start == std::string::npos ? std::string() : name.substr(start);
}

std::string BatchFailureText()
{
    try {
        throw;
    } catch (const t_exception& failure) {
        return FailureWithCode(failure.Code(), failure.what());
    } catch (const _com_error& failure) {
        return FailureWithCode(failure.Error(), t_exception(failure).what());
    } catch (const std::exception& failure) {
        return std::string("failed with error: ") + failure.what();
    } catch (...) {
        return "failed with an unknown error.";
    }
}

void NetworkAuditProgressDlg::Sink::Step()
{
    InterlockedIncrement(&m_count);
    PostMessageA(m_owner.m_hwnd, m_message, 0, 0);
}

void NetworkAuditProgressDlg::Sink::SetRange(unsigned total)
{
    if (m_clearsFlag) {
        m_flag = 0;
    }
    InterlockedExchange(&m_count, 0);
    InterlockedExchange(&m_total, static_cast<LONG>(total));
    PostMessageA(m_owner.m_hwnd, m_message, 0, 0);
}

void NetworkAuditProgressDlg::Sink::Reset()
{
    InterlockedExchange(&m_count, 0);
    PostMessageA(m_owner.m_hwnd, m_message, 0, 0);
}

NetworkAuditProgressDlg::NetworkAuditProgressDlg(CKestrovaDoc& document, std::vector<std::string> names, HWND parent)
    : Dialog(IDD_NETWORK_AUDIT_PROGRESS), m_document(document), m_names(std::move(names)), m_parent(parent),
      m_auditSink(*this, kMsgNetworkAuditStep, m_skip, true), m_batchSink(*this, kMsgNetworkBatchStep, m_stop, false)
{
    m_map.Message(kMsgNetworkAuditStep, this, &NetworkAuditProgressDlg::OnAuditStep);
    m_map.Message(kMsgNetworkBatchStep, this, &NetworkAuditProgressDlg::OnBatchStep);
    m_map.Message(kMsgNetworkBatchDone, this, &NetworkAuditProgressDlg::OnBatchDone);
    m_map.Command(IDC_SKIP_AUDIT, this, &NetworkAuditProgressDlg::OnSkip);
    m_map.Command(IDC_STOP_BATCH, this, &NetworkAuditProgressDlg::OnStop);
}

NetworkAuditProgressDlg::~NetworkAuditProgressDlg()
{
    m_worker.Join();
    if (m_picture != nullptr) {
        DeleteObject(m_picture);
    }
}

bool NetworkAuditProgressDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    SetUpAuditBar(GetItem(IDC_BATCH_PROGRESS));
    SetUpAuditBar(GetItem(IDC_AUDIT_PROGRESS));
    m_picture = ShowAuditPicture(GetItem(IDC_AUDIT_PICTURE));
    m_skipButton.Attach(m_hwnd, IDC_SKIP_AUDIT);
    m_skipButton.SetIcon(IDI_SKIP_AUDIT);
    m_skipButton.SetAlign(OwnerDrawButton::kAlignTop);
    m_skipButton.EnableBalloonTooltip();
    m_skipButton.SetTooltipText(IDS_TIP_SKIP_AUDIT);
    m_stopButton.Attach(m_hwnd, IDC_STOP_BATCH);
    m_stopButton.SetIcon(IDI_CANCEL_AUDIT);
    m_stopButton.SetAlign(OwnerDrawButton::kAlignTop);
    m_stopButton.EnableBalloonTooltip();
    m_stopButton.SetTooltipText(IDS_TIP_STOP_BATCH);
    if (!m_worker.Start([this] { Work(); })) {
        PostMessageA(m_hwnd, kMsgNetworkBatchDone, 0, 0);
    }
    return true;
}

void NetworkAuditProgressDlg::Work()
{
    const HRESULT com = CoInitialize(nullptr);
    m_batchSink.SetRange(static_cast<unsigned>(m_names.size()));
    try {
        RunBatch();
    } catch (...) {
        ShowMessageBox(nullptr, BatchFailureText(), "Kestrova", MB_OK | MB_ICONERROR);
    }
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    PostMessageA(m_hwnd, kMsgNetworkBatchDone, 0, 0);
}

void NetworkAuditProgressDlg::RunBatch()
{
    PingHolder ping(m_pingTimeout);
    for (const std::string& name : m_names) {
        if (m_batchSink.IsCanceled()) {
            break;
        }
        AuditComputer(ping, PlainComputerName(name));
        m_batchSink.Step();
        m_auditSink.Reset();
    }
}

void NetworkAuditProgressDlg::AuditComputer(PingHolder& ping, const std::string& computer)
{
    if (ping.Ping(computer) != 0) {
        m_document.AddUnresponsiveComputer(computer);
        return;
    }
    const DWORD waitMs = m_osTypeWait ? m_osTypeWait(computer) : kOsTypeProbeWaitMs;
    // A probe that fails tells why in a box of its own; the batch goes on.
    if (ProbeOsType(computer, waitMs, m_osTypeConnector) != 1) {
        m_document.AddNonWmiComputer(computer);
        return;
    }
    m_document.SetRemote(true);
    m_document.RunAudit(computer, &m_auditSink);
    if (m_auditSink.IsCanceled() || !m_document.LastAuditWasFull()) {
        return;
    }
    HandleResult(computer);
}

void NetworkAuditProgressDlg::HandleResult(const std::string& computer)
{
    if (m_view) {
        ShowResultsPage(m_document.Audit(), nullptr);
    }
    if (m_save) {
        (void)m_document.SaveResultFile(ResultFilePath(m_folder, computer));
    }
    if (m_upload) {
        Upload();
    }
}

void NetworkAuditProgressDlg::Upload()
{
    std::string error;
    bool uploaded = false;
    {
        BusyWindowGuard busy;
        uploaded = m_document.UploadAuditResults(m_document.WriteResultXml(), error);
    }
    if (!uploaded) {
        ShowMessageBox(nullptr, error.empty() ? kNoUploadReason : error, "Kestrova", MB_OK | MB_ICONSTOP);
    }
}

LRESULT NetworkAuditProgressDlg::OnAuditStep(WPARAM, LPARAM)
{
    ShowAuditBar(m_hwnd, GetItem(IDC_AUDIT_PROGRESS), m_auditSink.m_count, m_auditSink.m_total);
    return 0;
}

LRESULT NetworkAuditProgressDlg::OnBatchStep(WPARAM, LPARAM)
{
    ShowAuditBar(m_hwnd, GetItem(IDC_BATCH_PROGRESS), m_batchSink.m_count, m_batchSink.m_total);
    return 0;
}

LRESULT NetworkAuditProgressDlg::OnBatchDone(WPARAM, LPARAM)
{
    m_worker.Join();
    EndDialog(m_skip != 0 ? IDCANCEL : IDOK);
    return 0;
}

void NetworkAuditProgressDlg::OnSkip()
{
    m_skip = 1;
    PostMessageA(m_hwnd, kMsgNetworkAuditSkip, 0, 0);
    PostMessageA(m_hwnd, kMsgNetworkBatchStep, 0, 0);
}

void NetworkAuditProgressDlg::OnStop()
{
    if (ShowMessageBox(m_hwnd, kStopQuestion, "Kestrova", MB_YESNO | MB_ICONINFORMATION) != IDYES) {
        return;
    }
    m_skip = 1;
    m_stop = 1;
    EnableWindow(GetItem(IDC_STOP_BATCH), FALSE);
}
