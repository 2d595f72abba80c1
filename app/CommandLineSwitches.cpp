#include "app/CommandLineSwitches.h"

#include <cctype>

namespace {

const size_t kMaxFieldLength = 50;

// The first 50 characters, then blanks at both ends removed.
std::string FieldValue(const std::string& value)
{
    std::string text = value.substr(0, kMaxFieldLength);
    const char* blanks = " \t\r\n\v\f";
    size_t start = text.find_first_not_of(blanks);
    if (start == std::string::npos) {
        return std::string();
    }
    return text.substr(start, text.find_last_not_of(blanks) - start + 1);
}

} // namespace

CommandLineSwitches::CommandLineSwitches(const std::string& commandLine, bool caseSensitive)
    : m_commandLine(commandLine), m_caseSensitive(caseSensitive)
{
    const std::string& text = m_commandLine;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t mark = text.find_first_of("-/", pos);
        if (mark == std::string::npos || mark + 1 >= text.size()) {
            return;
        }
        size_t nameStart = mark + 1;
        size_t stop = text.find_first_of(" :", nameStart);
        if (stop == std::string::npos) {
            Store(text.substr(nameStart), std::string());
            return;
        }
        std::string name = text.substr(nameStart, stop - nameStart);
        if (text[stop] == ' ' || stop + 1 == text.size()) {
            Store(name, std::string());
            pos = stop + 1;
            continue;
        }
        size_t valueStart = stop + 1;
        char terminator = ' ';
        if (text[valueStart] == '"') {
            terminator = '"';
            ++valueStart;
        }
        size_t valueEnd = text.find(terminator, valueStart);
        if (valueEnd == std::string::npos) {
            Store(name, valueStart < text.size() ? text.substr(valueStart) : std::string());
            return;
        }
        Store(name, text.substr(valueStart, valueEnd - valueStart));
        pos = valueEnd + 1;
    }
}

std::string CommandLineSwitches::Key(const std::string& name) const
{
    std::string key = name;
    if (!m_caseSensitive) {
        for (char& c : key) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return key;
}

void CommandLineSwitches::Store(const std::string& name, const std::string& value)
{
    if (!name.empty()) {
        m_switches.emplace(Key(name), value); // never replaces the first value
    }
}

bool CommandLineSwitches::HasSwitch(const std::string& name) const
{
    return m_switches.count(Key(name)) != 0;
}

bool CommandLineSwitches::GetSwitchValue(const std::string& name, std::string& value) const
{
    auto found = m_switches.find(Key(name));
    if (found == m_switches.end()) {
        return false;
    }
    value = found->second;
    return true;
}

StartupSwitches ReadStartupSwitches(const CommandLineSwitches& switches)
{
    StartupSwitches result;
    if (switches.HasSwitch("H")) {
        result.m_runMode = 1;
    } else if (switches.HasSwitch("M")) {
        result.m_runMode = 2;
    }
    result.m_apiAudit = switches.HasSwitch("A");
    result.m_remoteMenu = switches.HasSwitch("R");
    std::string value;
    if (switches.GetSwitchValue("L", value)) {
        result.m_location = FieldValue(value);
    }
    value.clear();
    if (switches.GetSwitchValue("D", value)) {
        result.m_department = FieldValue(value);
    }
    result.m_hasSaveFolder = switches.GetSwitchValue("S", result.m_saveFolder);
    return result;
}

std::string UnattendedResultPath(const std::string& folder, const std::string& computerName)
{
    if (folder.size() < 2) {
        return std::string();
    }
    std::string path = folder;
    if (path.back() != '\\') {
        path += '\\';
    }
    return path + computerName + ".kes";
}
