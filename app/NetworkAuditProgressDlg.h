// The batch of a network audit: a worker thread pings each chosen computer,
// asks its WMI whether it runs an NT-family system, audits it remotely and
// views, saves or uploads its result; the dialog shows the batch's and the
// current audit's progress, with Skip (on to the next computer) and Stop.
// Computers that did not answer or cannot be audited go to the document's
// two lists for the exception report.
#pragma once

#include "audit/WmiOsTypeProbe.h"
#include "common/AuditSinks.h"
#include "winui/Dialog.h"
#include "winui/OwnerDrawButton.h"
#include "winui/WorkerThread.h"

#include <string>
#include <vector>

class CKestrovaDoc;
class PingHolder;

constexpr UINT kMsgNetworkAuditStep = WM_APP + 1;
constexpr UINT kMsgNetworkAuditSkip = WM_APP + 2; // told, not handled
constexpr UINT kMsgNetworkBatchStep = WM_APP + 3;
constexpr UINT kMsgNetworkBatchDone = WM_APP + 4;

class NetworkAuditProgressDlg : public Dialog {
public:
    NetworkAuditProgressDlg(CKestrovaDoc& document, std::vector<std::string> names, HWND parent);
    ~NetworkAuditProgressDlg() override;

    // IDOK when the batch ran through, IDCANCEL after Skip or Stop.
    INT_PTR DoModal() { return Dialog::DoModal(m_parent); }

    bool m_upload = false;
    bool m_save = false;
    bool m_view = false;
    std::string m_folder;
    int m_pingTimeout = 3; // seconds
    OsTypeConnector m_osTypeConnector;
    OsTypeProbeWait m_osTypeWait; // empty: kOsTypeProbeWaitMs for every computer

protected:
    bool OnInitDialog() override;
    // Enter and Esc do nothing: Skip and Stop are the only ways out.
    void OnOK() override {}
    void OnCancel() override {}

private:
    // A progress sink over one counter pair, posting its message on each
    // change; cancelled while its flag is set.
    class Sink : public AuditProgressSink {
    public:
        Sink(NetworkAuditProgressDlg& owner, UINT message, volatile BYTE& flag, bool clearsFlag)
            : m_owner(owner), m_message(message), m_flag(flag), m_clearsFlag(clearsFlag)
        {
        }
        void Step() override;
        void SetRange(unsigned total) override;
        bool IsCanceled() override { return m_flag != 0; }
        void Reset();

        volatile LONG m_total = 0;
        volatile LONG m_count = 0;

    private:
        NetworkAuditProgressDlg& m_owner;
        UINT m_message;
        volatile BYTE& m_flag;
        bool m_clearsFlag;
    };

    void Work();
    void RunBatch();
    void AuditComputer(PingHolder& ping, const std::string& computer);
    void HandleResult(const std::string& computer);
    void Upload();
    LRESULT OnAuditStep(WPARAM, LPARAM);
    LRESULT OnBatchStep(WPARAM, LPARAM);
    LRESULT OnBatchDone(WPARAM, LPARAM);
    void OnSkip();
    void OnStop();

    CKestrovaDoc& m_document;
    std::vector<std::string> m_names;
    HWND m_parent;
    volatile BYTE m_skip = 0;
    volatile BYTE m_stop = 0;
    Sink m_auditSink;
    Sink m_batchSink;
    HBITMAP m_picture = nullptr;
    OwnerDrawButton m_skipButton;
    OwnerDrawButton m_stopButton;
    WorkerThread m_worker;
};

// Where a result of computer is saved in folder: one separator between the
// two, also after a drive's root.
std::string ResultFilePath(const std::string& folder, const std::string& computer);
// A computer's name without the leading backslashes of a UNC name.
std::string PlainComputerName(const std::string& name);
// Inside a catch block: the message of a batch that the exception ended.
std::string BatchFailureText();
