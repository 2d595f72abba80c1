// The error log of the audits: only level-3 entries, only when the
// configuration asks for it, appended to one plain-text file.
#pragma once

#include "common/AuditSinks.h"

#include <fstream>
#include <string>

class LogFile : public AuditLogSink {
public:
    LogFile() = default;
    virtual ~LogFile() = default;

    // Set from the configuration before every Open.
    void SetErrorSwitch(bool on) { m_errorSwitch = on; }
    bool GetErrorSwitch() const { return m_errorSwitch; }

    void Open(const std::string& logPath, const int& logNameOption);
    void Write(const int& level, const std::string& text) override;
    void Close();

    // The file Open would use on this computer.
    static std::string GetLogFilePath(const std::string& logPath, int logNameOption);
    // The same from given parts, for callers that know them.
    static std::string BuildLogFilePath(const std::string& logPath, int logNameOption, const std::string& computerName,
                                        const std::string& systemRoot);
    // "C:\" or whatever the system drive's root folder is.
    static std::string GetSystemDriveRoot();

private:
    std::ofstream m_stream;
    bool m_errorSwitch = false;
};
