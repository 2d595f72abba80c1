// "Select Computers to Remotely Audit": the set-up dialog of a network
// audit. It lists the computers of one source, lets the operator choose
// some of them, the ping time-out and what becomes of each result (upload,
// view, save to a folder), and runs the batch.
#pragma once

#include "app/NetworkAuditHooks.h"
#include "winui/Dialog.h"
#include "winui/OwnerDrawButton.h"

#include <string>
#include <vector>

class CKestrovaDoc;

class NetworkAuditDlg : public Dialog {
public:
    // method: a NetworkAuditMethod.
    NetworkAuditDlg(CKestrovaDoc& document, HWND parent, int method, NetworkAuditHooks hooks = NetworkAuditHooks());

    // IDOK after a batch ran, IDCANCEL when the operator closed the dialog
    // or no computer was found.
    INT_PTR DoModal() { return Dialog::DoModal(m_parent); }

protected:
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    // Enter starts nothing: only the start button does.
    void OnOK() override {}

private:
    // Fills the list from the method's source; false when the scan failed.
    bool FillList();
    void OnSelectAll();
    void OnSelectionChange();
    void OnUpload();
    void OnSave();
    void OnPathChange();
    void OnBrowse();
    void OnStart();
    // With a computer selected and something to do with its result, start
    // is enabled; otherwise it stays as it is.
    void ApplyStartRule();
    void EnableStart(bool enable);
    int SelectedCount() const;
    bool IsChecked(int id) const;
    void SetCheck(int id, bool checked);

    CKestrovaDoc& m_document;
    HWND m_parent;
    int m_method;
    NetworkAuditHooks m_hooks;
    std::string m_pingTimeout = "3";
    bool m_upload = false;
    bool m_view = false;
    bool m_save = false;
    std::string m_path;
    OwnerDrawButton m_start;
    OwnerDrawButton m_browse;
};

// A ping time-out as typed: whole seconds from 1 to 10; false for anything
// else.
bool ParsePingTimeout(const std::string& text, int& seconds);
