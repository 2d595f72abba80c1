#include "common/LogFile.h"

#include "common/TextHelpers.h"
#include "resources/resource.h"

#include <windows.h>

#include <ctime>

namespace {

std::string LocalComputerName()
{
    char name[16] = {};
    DWORD size = sizeof name;
    if (!GetComputerNameA(name, &size)) {
        return std::string();
    }
    return std::string(name, size < sizeof name ? size : sizeof name - 1);
}

} // namespace

std::string LogFile::GetSystemDriveRoot()
{
    char windows[MAX_PATH + 1] = {};
    UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    if (length < 3 || length > MAX_PATH) {
        return "C:\\";
    }
    return std::string(windows, 3);
}

std::string LogFile::BuildLogFilePath(const std::string& logPath, int logNameOption, const std::string& computerName,
                                      const std::string& systemRoot)
{
    std::string name;
    switch (logNameOption) {
    case 0:
        name = computerName + ".log";
        break;
    case 1:
        name = LoadResourceString(IDS_LOG_FILE_NAME, nullptr);
        break;
    default:
        return std::string();
    }
    // The configured folder is used as it stands: it must end in a backslash.
    return (logPath.empty() ? systemRoot : logPath) + name;
}

std::string LogFile::GetLogFilePath(const std::string& logPath, int logNameOption)
{
    // Always this computer's name, also for a remote audit: a network audit
    // writes all its computers' entries into one file.
    return BuildLogFilePath(logPath, logNameOption, LocalComputerName(), GetSystemDriveRoot());
}

void LogFile::Open(const std::string& logPath, const int& logNameOption)
{
    if (!m_errorSwitch) {
        return;
    }
    std::string path = GetLogFilePath(logPath, logNameOption);
    if (m_stream.is_open()) {
        m_stream.close();
    }
    m_stream.clear();
    if (!path.empty()) {
        m_stream.open(path.c_str(), std::ios::out | std::ios::app | std::ios::binary);
    }
    if (!m_stream.is_open()) {
        // No log for this audit; the audit itself goes on.
        m_errorSwitch = false;
    }
}

void LogFile::Write(const int& level, const std::string& text)
{
    if (level != 3 || !m_errorSwitch || !m_stream.is_open()) {
        return;
    }
    char stamp[128] = {};
    time_t now = time(nullptr);
    struct tm* local = localtime(&now);
    if (local == nullptr || strftime(stamp, sizeof stamp, "%m-%d-%Y %H:%M:%S", local) == 0) {
        stamp[0] = '\0';
    }
    m_stream << stamp << " - " << text << "\r\n";
}

void LogFile::Close()
{
    if (!m_errorSwitch) {
        return;
    }
    m_stream.close();
}
