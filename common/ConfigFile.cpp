#include "common/ConfigFile.h"

#include "common/TextHelpers.h"
#include "common/AppState.h"
#include "common/ConfigCipher.h"
#include "common/SafeFileWrite.h"
#include "common/UserNotice.h"
#include "common/XmlDocument.h"
#include "resources/resource.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

const char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
const char kSaveFailedText[] = "Kestrova configuration file could not be saved.";

// A decimal attribute; false (value untouched) when it is not a number.
bool ReadNumber(const std::string& text, int& value)
{
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    long number = strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || errno == ERANGE || number < INT_MIN || number > INT_MAX) {
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

} // namespace

std::string ConfigFile::GetFilePath() const
{
    return LoadResourceString(IDS_CONFIG_FILE_NAME, nullptr);
}

bool ConfigFile::Load()
{
    XmlDocument doc;
    if (!doc.LoadFile(GetFilePath().c_str()) || !doc.IsWellFormed()) {
        return false;
    }
    doc.ResetPos();
    if (!doc.FindChildElement("Ondelmark")) {
        return false;
    }
    // Both credentials or neither: a value that cannot be deciphered must
    // not leave half a login behind.
    std::string user;
    std::string pwd;
    if (!CipherConfigValue(doc.GetChildAttribute("user"), GetConfigPassPhrase(), false, user) ||
        !CipherConfigValue(doc.GetChildAttribute("pwd"), GetConfigPassPhrase(), false, pwd)) {
        return false;
    }
    m_user = user;
    m_pwd = pwd;
    m_server = doc.GetChildAttribute("server");
    ReadNumber(doc.GetChildAttribute("port"), m_port);
    m_db = doc.GetChildAttribute("db");

    if (!doc.FindChildElement("Logging")) {
        return false;
    }
    std::string logErrors = doc.GetChildAttribute("logerrors");
    if (logErrors == "0" || logErrors == "1") {
        m_logErrors = logErrors == "1";
    }
    ReadNumber(doc.GetChildAttribute("lognameoption"), m_logNameOption);
    m_logPath = doc.GetChildAttribute("logpath");
    m_loaded = true;
    return true;
}

bool ConfigFile::BuildDocument(std::string& text) const
{
    std::string user;
    std::string pwd;
    if (!CipherConfigValue(m_user, GetConfigPassPhrase(), true, user) ||
        !CipherConfigValue(m_pwd, GetConfigPassPhrase(), true, pwd)) {
        return false;
    }
    XmlDocument doc;
    doc.SetDocument(kDeclaration);
    doc.AddElement("Kestrova", nullptr, false);
    doc.AddElement("Ondelmark", nullptr, true);
    doc.SetAttributeAt(doc.GetChildPos(), "user", user.c_str());
    doc.SetAttributeAt(doc.GetChildPos(), "pwd", pwd.c_str());
    doc.SetAttributeAt(doc.GetChildPos(), "server", m_server.c_str());
    doc.SetNumberAttributeAt(doc.GetChildPos(), "port", m_port);
    doc.SetAttributeAt(doc.GetChildPos(), "db", m_db.c_str());
    doc.AddElement("Logging", nullptr, true);
    doc.SetNumberAttributeAt(doc.GetChildPos(), "logerrors", m_logErrors ? 1 : 0);
    doc.SetNumberAttributeAt(doc.GetChildPos(), "lognameoption", m_logNameOption);
    doc.SetAttributeAt(doc.GetChildPos(), "logpath", m_logPath.c_str());
    text = doc.GetDocument();
    return true;
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
