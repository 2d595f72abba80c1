// Hidden (/H) and minimal (/M) runs, as log-on scripts start them: audit
// this computer, write the /L and /D values into the result, then save it
// to the /S folder or upload it. Nobody watches: nothing may be shown,
// nothing may hang, no exception may end the program, and only a result of
// an audit that ran to its end is saved or sent. The exit code tells the
// script what happened (UnattendedExitCode).
#include "app/AuditProgressDlg.h"
#include "app/KestrovaApp.h"
#include "app/KestrovaDoc.h"
#include "asset/AssetPropertyIndex.h"
#include "common/AppState.h"

#include <comdef.h>

#include <exception>

namespace {

const char kNotFullText[] = "The audit did not run to its end: the result is neither saved nor uploaded.";
const char kNotSavedText[] = "Unattended run: the result could not be saved to ";
const char kNoFolderText[] = "Unattended run: the /S value names no folder (two characters at least): "
                             "the result is neither saved nor uploaded.";
const char kUploadFailedText[] = "Unable to upload the Kestrova results to Ondelmark.\r\n";

} // namespace

int CKestrovaApp::RunUnattended(const StartupSwitches& switches)
{
    CKestrovaDoc* doc = GetKestrovaDoc();
    if (doc == nullptr) {
        return kExitAuditIncomplete;
    }
    doc->SetRemote(false);
    // What an exception means depends on how far the run got.
    int stage = kExitAuditIncomplete;
    try {
        if (GetAppState().m_runMode == kRunMinimal) {
            AuditProgressDlg progress(*doc, GetMainWindow());
            if (progress.DoModal() != IDOK) {
                doc->MarkAuditCancelled();
            }
        } else {
            doc->RunAudit(".", nullptr);
        }
        if (!doc->LastAuditWasFull()) {
            doc->WriteLog(3, kNotFullText);
            return kExitAuditIncomplete;
        }
        return SaveOrUpload(*doc, switches, stage);
    } catch (const _com_error& error) {
        doc->WriteLog(3, std::string("Unattended run stopped by an error: ") + error.ErrorMessage());
    } catch (const std::exception& error) {
        doc->WriteLog(3, std::string("Unattended run stopped by an error: ") + error.what());
    } catch (...) {
        doc->WriteLog(3, "Unattended run stopped by an unknown error.");
    }
    return stage;
}

int CKestrovaApp::SaveOrUpload(CKestrovaDoc& doc, const StartupSwitches& switches, int& stage)
{
    AssetIMPL::AssetGenericImpl& result = doc.Audit().m_engine->Result();
    result.Property(AssetIMPL::kLocation).SetString(m_location);
    result.Property(AssetIMPL::kDepartment).SetString(m_department);

    if (switches.m_hasSaveFolder) {
        stage = kExitSaveFailed;
        m_saveFolder = UnattendedResultPath(switches.m_saveFolder, result.Property(AssetIMPL::kAssetName).GetString());
        if (m_saveFolder.empty()) {
            doc.WriteLog(3, kNoFolderText);
            return kExitSaveFailed;
        }
        if (!doc.SaveResultFile(m_saveFolder)) {
            doc.WriteLog(3, kNotSavedText + m_saveFolder);
            return kExitSaveFailed;
        }
        return kExitDelivered;
    }
    stage = kExitUploadFailed;
    std::string errorText;
    if (!doc.UploadAuditResults(doc.WriteResultXml(), errorText)) {
        doc.WriteLog(3, kUploadFailedText + errorText);
        return kExitUploadFailed;
    }
    return kExitDelivered;
}
