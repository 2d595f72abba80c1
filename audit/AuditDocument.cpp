#include "audit/AuditDocument.h"

#include "asset/TextHelpers.h"
#include "audit/ResultXml.h"
#include "common/AppState.h"
#include "common/MessageBoxHook.h"
#include "common/SafeFileWrite.h"
#include "resources/resource.h"

namespace {

const char kSaveFailedText[] = "Could not save the audit results to file.";
const char kSavedText[] = "Audit results have been saved successfully.";
const char kCaption[] = "Kestrova";

} // namespace

std::string AuditDocument::GetResultFormatVersion() const
{
    return LoadResourceString(IDS_RESULT_FORMAT_VERSION, nullptr);
}

std::string AuditDocument::WriteResultXml()
{
    if (!m_engine) {
        return std::string();
    }
    return BuildResultXml(*m_engine, GetResultFormatVersion());
}

bool AuditDocument::SaveResultFile(const std::string& path)
{
    const bool unattended = GetAppState().RunsUnattended();
    // An empty file in place of a result would pass for one: without a
    // completed audit nothing is written. The text is built before the file
    // is touched, so a failure there (it throws) leaves the old file too.
    bool saved = false;
    if (m_completed) {
        std::string text = WriteResultXml();
        saved = !text.empty() && ReplaceFileContents(path, text);
    }
    if (!saved) {
        if (!unattended) {
            ShowMessageBox(nullptr, kSaveFailedText, kCaption, MB_OK | MB_ICONERROR);
        }
        return false;
    }
    if (!unattended && !m_remote) {
        ShowMessageBox(nullptr, kSavedText, kCaption, MB_OK | MB_ICONINFORMATION);
    }
    return true;
}
