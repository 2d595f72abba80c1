#include "common/ConfigFile.h"

#include "common/TextHelpers.h"
#include "common/AppState.h"
#include "common/ConfigCipher.h"
#include "common/SafeFileWrite.h"
#include "common/UserNotice.h"
#include "common/XmlDocument.h"
#include "resources/resource.h"

namespace {

const char kSaveFailedText[] = "Kestrova configuration file could not be saved.";

} // namespace

std::string ConfigFile::GetFilePath() const
{
    return LoadResourceString(IDS_CONFIG_FILE_NAME, nullptr);
}

bool ConfigFile::Load()
{
    XmlDocument doc;
    if (!doc.LoadFile(GetFilePath().c_str())) {
        return false;
    }
    // What was read before a missing element stays read.
    if (!ReadConfigDocument(doc, ConfigFileCipher(false), *this)) {
        return false;
    }
    m_loaded = true;
    return true;
}

bool ConfigFile::BuildDocument(std::string& text) const
{
    return BuildConfigDocument(*this, ConfigFileCipher(true), text);
}

bool ConfigFile::Save(const AppState& app, AuditLogSink* log)
{
    std::string text;
    if (!BuildDocument(text) || !ReplaceFileContents(GetFilePath(), text)) {
        NotifyUser(app, log, kSaveFailedText, MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}
