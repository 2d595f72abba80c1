// The worker and the dialog share only the two counters (interlocked), the
// cancel byte and the two posted messages. In minimal mode the Cancel
// button lies out of view and is disabled as well: no key press can cancel
// an unattended audit.
#include "app/AuditProgressDlg.h"

#include "app/KestrovaDoc.h"
#include "common/AppState.h"
#include "resources/resource.h"

#include <commctrl.h>
#include <objbase.h>
#include <uxtheme.h>

AuditProgressDlg::AuditProgressDlg(CKestrovaDoc& document, HWND parent)
    : Dialog(IDD_AUDIT_PROGRESS), m_document(document), m_parent(parent)
{
    m_runAudit = [this](AuditProgressSink* sink) { m_document.RunAudit(".", sink); };
    m_map.Message(kMsgAuditProgress, this, &AuditProgressDlg::OnAuditProgress);
    m_map.Message(kMsgAuditDone, this, &AuditProgressDlg::OnAuditDone);
    m_map.Command(IDC_CANCEL_AUDIT, this, &AuditProgressDlg::OnCancelAudit);
}

AuditProgressDlg::~AuditProgressDlg()
{
    m_worker.Join();
    if (m_picture != nullptr) {
        DeleteObject(m_picture);
    }
}

// The control stretches the picture at any other setting.
HBITMAP ShowAuditPicture(HWND control)
{
    RECT area;
    GetClientRect(control, &area);
    const int id = area.bottom >= 75 ? IDB_AUDIT_PICTURE_LARGE : IDB_AUDIT_PICTURE;
    HBITMAP picture =
        static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
    SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
    return picture;
}

// Minimal mode: the window keeps its place and width and is as high as the
// picture's and the bar's client areas and 10 pixels, which ends it just
// below the bar; the Cancel button lies out of view.
void AuditProgressDlg::ShowOnlyPictureAndBar()
{
    RECT window;
    RECT picture;
    RECT bar;
    GetWindowRect(m_hwnd, &window);
    GetClientRect(GetItem(IDC_AUDIT_PICTURE), &picture);
    GetClientRect(GetItem(IDC_AUDIT_PROGRESS), &bar);
    const int height = picture.bottom + bar.bottom + 10;
    SetWindowPos(m_hwnd, nullptr, 0, 0, window.right - window.left, height, SWP_NOMOVE | SWP_NOZORDER);
}

void SetUpAuditBar(HWND bar)
{
    // A themed bar draws in the theme's colour and ignores its own.
    SetWindowTheme(bar, L" ", L" ");
    SendMessageA(bar, PBM_SETBARCOLOR, 0, RGB(42, 153, 105));
    SendMessageA(bar, PBM_SETBKCOLOR, 0, GetSysColor(COLOR_WINDOW));
    SendMessageA(bar, PBM_SETSTEP, 1, 0);
}

void ShowAuditBar(HWND dialog, HWND bar, volatile LONG& count, volatile LONG& total)
{
    const LONG now = InterlockedCompareExchange(&count, 0, 0);
    const LONG of = InterlockedCompareExchange(&total, 0, 0);
    if (now > of) {
        return;
    }
    SendMessageA(bar, PBM_SETRANGE32, 0, of);
    SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(now), 0);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void AuditProgressDlg::SetRange(unsigned total)
{
    InterlockedExchange(&m_total, static_cast<LONG>(total));
    InterlockedExchange(&m_done, 0);
    PostMessageA(m_hwnd, kMsgAuditProgress, 0, 0);
}

void AuditProgressDlg::Step()
{
    InterlockedIncrement(&m_done);
    PostMessageA(m_hwnd, kMsgAuditProgress, 0, 0);
}

bool AuditProgressDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    SetUpAuditBar(GetItem(IDC_AUDIT_PROGRESS));
    m_cancelButton.Attach(m_hwnd, IDC_CANCEL_AUDIT);
    m_cancelButton.SetIcon(IDI_CANCEL_AUDIT);
    m_cancelButton.SetTooltipText(IDS_TIP_CANCEL_AUDIT);

    m_picture = ShowAuditPicture(GetItem(IDC_AUDIT_PICTURE));
    if (GetAppState().m_runMode == kRunMinimal) {
        ShowOnlyPictureAndBar();
        EnableWindow(GetItem(IDC_CANCEL_AUDIT), FALSE);
    }
    HWND self = m_hwnd;
    if (!m_worker.Start([this] { Work(); })) {
        PostMessageA(self, kMsgAuditDone, 0, 0);
    }
    return true;
}

void AuditProgressDlg::Work()
{
    HRESULT com = CoInitialize(nullptr);
    try {
        m_runAudit(this);
    } catch (...) {
        // The audit's own log has the failure; the run is not a full one,
        // which the document knows from its completed flag.
    }
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    PostMessageA(m_hwnd, kMsgAuditDone, 0, 0);
}

LRESULT AuditProgressDlg::OnAuditProgress(WPARAM, LPARAM)
{
    ShowAuditBar(m_hwnd, GetItem(IDC_AUDIT_PROGRESS), m_done, m_total);
    return 0;
}

LRESULT AuditProgressDlg::OnAuditDone(WPARAM, LPARAM)
{
    m_worker.Join();
    EndDialog(m_cancel != 0 ? IDCANCEL : IDOK);
    return 0;
}

void AuditProgressDlg::OnCancelAudit()
{
    if (GetAppState().m_runMode == kRunMinimal) {
        return; // an unattended audit cannot be cancelled
    }
    m_cancel = 1;
    EnableWindow(GetItem(IDC_CANCEL_AUDIT), FALSE);
}
