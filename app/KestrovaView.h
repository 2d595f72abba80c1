// The form that fills the main window: the "Asset Assignment" data attached
// to an audit of this computer, the lookup buttons that fill the names, and
// Local Audit with the choices after it.
#pragma once

#include "app/DirectorySource.h"
#include "common/AuditSinks.h"
#include "winui/OwnerDrawButton.h"
#include "winui/View.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class Audit;
class CKestrovaDoc;

class CKestrovaView : public View {
public:
    CKestrovaView();
    ~CKestrovaView() override;

    void OnInitialUpdate() override;
    // Both lookups need the server settings of the configuration file. On
    // Windows 9x enabling them hides the directory lookup for good.
    void EnableLookupButtons(bool enable);

    // Audit > "Local Audit" and the Local Audit button.
    void OnLocalAudit();
    // The server lookup button: the names of the user that the form last
    // took from its field, and the location and department lists.
    void OnGetUserFromServer();
    // Each appends its failure to errorText and fills its fields on success.
    void GetAssetUserFromServer(std::string& errorText);
    void GetLookupValuesFromServer(std::string& errorText);
    // The directory lookup button: the user named in the field.
    void OnGetUserFromDirectory();

    std::string m_userName;
    std::string m_firstName;
    std::string m_middleInitial;
    std::string m_lastName;
    std::string m_location;
    std::string m_department;
    std::string m_office;
    std::string m_assetTag;
    std::string m_oemId;
    std::string m_keyboardSerialNo;
    std::string m_mouseSerialNo;
    // Set once a lookup has filled the name fields: they are then drawn
    // like editable ones.
    bool m_namesFilled = false;

    // Seams for tests: what the progress dialog runs, and where "Save..."
    // writes; empty ones keep the audit of this computer and the system's
    // save-file dialog.
    std::function<void(AuditProgressSink*)> m_runAudit;
    std::function<bool(HWND owner, std::string& path)> m_askSavePath;
    // Seam for tests: the directory the lookup asks; empty: the domain's.
    std::function<std::unique_ptr<DirectorySource>()> m_makeDirectory;

    // The logged-on user's name; "" when the system does not tell.
    static std::string LoggedOnUserName();

protected:
    void DoDataExchange(DataExchange& dx) override;
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The form lives as long as the window: Enter and Esc never end it.
    void OnOK() override {}
    void OnCancel() override {}

private:
    CKestrovaDoc* GetKestrovaDocument() const;
    HWND Frame() const { return GetParent(m_hwnd); }
    void FitFrameToForm();
    // The form's values, sanitised, into the engine's result.
    void CopyFormToResult(Audit& engine);
    // True when the server took the result; either way the operator was told.
    bool UploadResult(CKestrovaDoc& document);
    void FillList(int id, const std::vector<std::string>& items);

    OwnerDrawButton m_serverLookup;
    OwnerDrawButton m_directoryLookup;
    OwnerDrawButton m_localAudit;
    HBRUSH m_windowBrush = nullptr;

    static constexpr int kFormWidth = 282;
    static constexpr int kFormHeight = 234;
};
