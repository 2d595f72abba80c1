#include "app/AuditCompleteDlg.h"

#include "app/KestrovaDoc.h"
#include "app/ResultsHtmlDlg.h"
#include "resources/resource.h"

#include <commdlg.h>

AuditCompleteDlg::AuditCompleteDlg(CKestrovaDoc& document, HWND parent)
    : Dialog(IDD_AUDIT_COMPLETE), m_askSavePath(&AuditCompleteDlg::AskSavePath), m_document(document), m_parent(parent)
{
    m_map.Command(IDC_VIEW_RESULTS, this, &AuditCompleteDlg::OnView);
    m_map.Command(IDC_SAVE_RESULTS, this, &AuditCompleteDlg::OnSave);
}

bool AuditCompleteDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    const struct {
        OwnerDrawButton& button;
        int id;
        int icon;
        UINT tip;
    } buttons[] = {{m_upload, IDOK, IDI_UPLOAD_RESULTS, IDS_TIP_UPLOAD},
                   {m_view, IDC_VIEW_RESULTS, IDI_VIEW_RESULTS, IDS_TIP_VIEW},
                   {m_save, IDC_SAVE_RESULTS, IDI_SAVE_RESULTS, IDS_TIP_SAVE}};
    for (const auto& b : buttons) {
        b.button.Attach(m_hwnd, b.id);
        b.button.SetIcon(b.icon);
        b.button.SetTooltipText(b.tip);
    }
    return true;
}

void AuditCompleteDlg::OnView()
{
    ShowResultsPage(m_document.Audit(), m_hwnd);
}

void AuditCompleteDlg::OnSave()
{
    std::string path;
    if (m_askSavePath && m_askSavePath(m_hwnd, path)) {
        m_document.SaveResultFile(path); // reports its own failure
    }
}

bool AuditCompleteDlg::AskSavePath(HWND owner, std::string& path)
{
    // The filter: pairs of description and pattern, each ending in a zero.
    static const char kFilter[] = "Kestrova Result files (*.kes)\0*.kes\0";
    char file[MAX_PATH] = {};
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = kFilter;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof(file);
    ofn.lpstrDefExt = "kes";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameA(&ofn)) {
        return false;
    }
    path = file;
    return true;
}
