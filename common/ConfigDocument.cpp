#include "common/ConfigDocument.h"

#include "common/HexCodec.h"
#include "common/XmlDocument.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

const char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

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

bool DecipherConfigValue(const std::string& hex, const ConfigByteCipher& decipher, std::string& plain)
{
    std::vector<unsigned char> bytes;
    HexDecode(bytes, hex);
    if (!decipher(bytes)) {
        return false;
    }
    std::string text(bytes.begin(), bytes.end());
    plain = text.substr(0, text.find('\0'));
    return true;
}

bool EncipherConfigValue(const std::string& plain, const ConfigByteCipher& encipher, std::string& hex)
{
    std::vector<unsigned char> bytes(plain.begin(), plain.end());
    if (!encipher(bytes)) {
        return false;
    }
    hex = HexEncode(bytes.data(), bytes.size());
    return true;
}

bool ReadConfigDocument(XmlDocument& doc, const ConfigByteCipher& decipher, ConfigValues& values)
{
    if (!doc.IsWellFormed()) {
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
    if (!DecipherConfigValue(doc.GetChildAttribute("user"), decipher, user) ||
        !DecipherConfigValue(doc.GetChildAttribute("pwd"), decipher, pwd)) {
        return false;
    }
    values.m_user = user;
    values.m_pwd = pwd;
    values.m_server = doc.GetChildAttribute("server");
    ReadNumber(doc.GetChildAttribute("port"), values.m_port);
    values.m_db = doc.GetChildAttribute("db");

    if (!doc.FindChildElement("Logging")) {
        return false;
    }
    std::string logErrors = doc.GetChildAttribute("logerrors");
    if (logErrors == "0" || logErrors == "1") {
        values.m_logErrors = logErrors == "1";
    }
    ReadNumber(doc.GetChildAttribute("lognameoption"), values.m_logNameOption);
    values.m_logPath = doc.GetChildAttribute("logpath");
    return true;
}

bool BuildConfigDocument(const ConfigValues& values, const ConfigByteCipher& encipher, std::string& text)
{
    std::string user;
    std::string pwd;
    if (!EncipherConfigValue(values.m_user, encipher, user) || !EncipherConfigValue(values.m_pwd, encipher, pwd)) {
        return false;
    }
    XmlDocument doc;
    doc.SetDocument(kDeclaration);
    doc.AddElement("Kestrova", nullptr, false);
    doc.AddElement("Ondelmark", nullptr, true);
    doc.SetAttributeAt(doc.GetChildPos(), "user", user.c_str());
    doc.SetAttributeAt(doc.GetChildPos(), "pwd", pwd.c_str());
    doc.SetAttributeAt(doc.GetChildPos(), "server", values.m_server.c_str());
    doc.SetNumberAttributeAt(doc.GetChildPos(), "port", values.m_port);
    doc.SetAttributeAt(doc.GetChildPos(), "db", values.m_db.c_str());
    doc.AddElement("Logging", nullptr, true);
    doc.SetNumberAttributeAt(doc.GetChildPos(), "logerrors", values.m_logErrors ? 1 : 0);
    doc.SetNumberAttributeAt(doc.GetChildPos(), "lognameoption", values.m_logNameOption);
    doc.SetAttributeAt(doc.GetChildPos(), "logpath", values.m_logPath.c_str());
    text = doc.GetDocument();
    return true;
}
