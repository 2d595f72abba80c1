// The choices after an audit of this computer: Upload (ends the dialog with
// IDOK), View and Save... (both leave the dialog open, so that a result can
// be looked at or saved and then uploaded).
#pragma once

#include "winui/Dialog.h"
#include "winui/OwnerDrawButton.h"

#include <functional>
#include <string>

class CKestrovaDoc;

class AuditCompleteDlg : public Dialog {
public:
    AuditCompleteDlg(CKestrovaDoc& document, HWND parent);

    INT_PTR DoModal() { return Dialog::DoModal(m_parent); }

    // Asks where to save the result; false when the operator cancelled. By
    // default the system's save-file dialog for "*.kes" files.
    std::function<bool(HWND owner, std::string& path)> m_askSavePath;

    static bool AskSavePath(HWND owner, std::string& path);

protected:
    bool OnInitDialog() override;
    // Enter is Upload, as the default button is.
    void OnOK() override { EndDialog(IDOK); }

private:
    void OnView();
    void OnSave();

    CKestrovaDoc& m_document;
    HWND m_parent;
    OwnerDrawButton m_upload;
    OwnerDrawButton m_view;
    OwnerDrawButton m_save;
};
