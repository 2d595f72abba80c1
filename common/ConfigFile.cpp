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

std::string PathInFolder(const std::string& folder, const std::string& path)
{
    auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
    const bool drive = path.size() >= 2 && path[1] == ':'; // "D:" alone is D:'s own current folder
    const bool unc = path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
    if (folder.empty() || path.empty() || drive || unc) {
        return path;
    }
    if (isSeparator(path[0])) {
        // The root of the folder's drive, not of whichever drive is current.
        return folder.size() >= 2 && folder[1] == ':' ? folder.substr(0, 2) + path : path;
    }
    return folder + (isSeparator(folder.back()) ? "" : "\\") + path;
}

// The name is relative: the file open and save dialogs may move the current
// folder, and the settings must not follow them.
std::string ConfigFile::GetFilePath() const
{
    return PathInFolder(m_folder, LoadResourceString(IDS_CONFIG_FILE_NAME, nullptr));
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
