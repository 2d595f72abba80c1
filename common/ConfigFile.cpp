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

ConfigValues ConfigFile::Values() const
{
    ConfigValues values;
    values.m_server = m_server;
    values.m_port = m_port;
    values.m_db = m_db;
    values.m_user = m_user;
    values.m_pwd = m_pwd;
    values.m_logErrors = m_logErrors;
    values.m_logNameOption = m_logNameOption;
    values.m_logPath = m_logPath;
    return values;
}

bool ConfigFile::Load()
{
    XmlDocument doc;
    if (!doc.LoadFile(GetFilePath().c_str())) {
        return false;
    }
    ConfigValues values = Values();
    const bool read = ReadConfigDocument(doc, ConfigFileCipher(false), values);
    // What was read before a missing element stays read.
    m_server = values.m_server;
    m_port = values.m_port;
    m_db = values.m_db;
    m_user = values.m_user;
    m_pwd = values.m_pwd;
    m_logErrors = values.m_logErrors;
    m_logNameOption = values.m_logNameOption;
    m_logPath = values.m_logPath;
    if (read) {
        m_loaded = true;
    }
    return read;
}

bool ConfigFile::BuildDocument(std::string& text) const
{
    return BuildConfigDocument(Values(), ConfigFileCipher(true), text);
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
