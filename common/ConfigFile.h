// The settings record of the application and its file "kestrova.cfg": the
// asset server connection (credentials enciphered in the file), the error
// log and the defaults of the directory object picker.
#pragma once

// windows.h renames GetUserName; every unit must see the same name.
#include <windows.h>

#include "common/ConfigDocument.h"

#include <string>

struct AppState;
class AuditLogSink;

// path as it stands when it names a drive or is a UNC name, or when path or
// folder is empty; else path inside folder (one starting with a backslash
// on folder's drive).
std::string PathInFolder(const std::string& folder, const std::string& path);

// The stored settings (ConfigValues: server, port, database, credentials
// in plain text, logging) and what only the running program keeps.
class ConfigFile : public ConfigValues {
public:
    ConfigFile() = default;

    // False when the file cannot be read, is not well formed, lacks an
    // element or holds credentials that cannot be deciphered.
    bool Load();
    // Writes the record, replacing the file only when the new one is
    // complete. False when it cannot be written; the failure is reported as
    // app says (a box, or log when unattended; log may be null).
    bool Save(const AppState& app, AuditLogSink* log = nullptr);

    // The folder the file lives in for the whole run: the start-up folder,
    // whatever folder is current later. Empty: the current folder at each use.
    void SetFolder(const std::string& folder) { m_folder = folder; }
    std::string GetFilePath() const;
    std::string GetServer() const { return m_server; }
    std::string GetDatabase() const { return m_db; }
    std::string GetUserName() const { return m_user; }
    std::string GetPassword() const { return m_pwd; }
    std::string GetLogPath() const { return m_logPath; }
    // The log folder to write to: a relative logpath is taken from the
    // file's folder, like the file itself.
    std::string GetLogFolder() const { return PathInFolder(m_folder, m_logPath); }

    // The text of the file for the record as it stands; false when the
    // credentials cannot be enciphered.
    bool BuildDocument(std::string& text) const;

    // The options sheet sets the stored values directly, the server calls
    // and the log read them.
    bool m_loaded = false;
    int m_pickerScopeTypes = 0xFC;
    int m_pickerScopeFlags = 0x10E;

private:
    std::string m_folder;
};
