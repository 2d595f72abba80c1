// The progress window of an audit of this computer: the audit runs on a
// worker thread that reports through the progress sink; the dialog counts
// the steps and closes itself when the worker posts the end.
#pragma once

#include "common/AuditSinks.h"
#include "winui/Dialog.h"
#include "winui/OwnerDrawButton.h"
#include "winui/WorkerThread.h"

#include <functional>

class CKestrovaDoc;

constexpr UINT kMsgAuditProgress = WM_APP + 1;
constexpr UINT kMsgAuditDone = WM_APP + 2;

// Puts the audit picture into a static control: the one drawn for 96 or for
// 144 dpi, whichever is nearer the control's size. The caller deletes the
// bitmap when the control is gone.
HBITMAP ShowAuditPicture(HWND control);
// An audit progress bar in the program's green, one step per step.
void SetUpAuditBar(HWND bar);
// Moves bar to count of total, read from the worker's counters, and
// repaints dialog at once; a count past the total changes nothing.
void ShowAuditBar(HWND dialog, HWND bar, volatile LONG& count, volatile LONG& total);

class AuditProgressDlg : public Dialog, public AuditProgressSink {
public:
    AuditProgressDlg(CKestrovaDoc& document, HWND parent);
    ~AuditProgressDlg();

    // IDOK when the audit ran to its end, IDCANCEL when it was cancelled.
    INT_PTR DoModal() { return Dialog::DoModal(m_parent); }

    void Step() override;
    void SetRange(unsigned total) override;
    bool IsCanceled() override { return m_cancel != 0; }

    // What the worker runs; by default the document's audit of this computer.
    std::function<void(AuditProgressSink*)> m_runAudit;

protected:
    bool OnInitDialog() override;
    // Enter and Esc do nothing: only the Cancel button stops the audit.
    void OnOK() override {}
    void OnCancel() override {}

private:
    LRESULT OnAuditProgress(WPARAM, LPARAM);
    LRESULT OnAuditDone(WPARAM, LPARAM);
    void OnCancelAudit();
    void Work();
    void ShowOnlyPictureAndBar();

    CKestrovaDoc& m_document;
    HWND m_parent;
    volatile LONG m_total = 0;
    volatile LONG m_done = 0;
    volatile BYTE m_cancel = 0;
    HBITMAP m_picture = nullptr;
    OwnerDrawButton m_cancelButton;
    WorkerThread m_worker;
};
