// A recording progress sink and a registry key standing in for HKEY_LOCAL_MACHINE,
// shared by the engine and driver tests.
#pragma once

#include "common/AuditSinks.h"
#include "common/LogFile.h"
#include "common/tests/RecordedNotices.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

// Counts steps; asks to stop once cancelAfter steps are done (never when
// negative). Log entries written meanwhile show where the run stood.
class RecordingProgress : public AuditProgressSink {
public:
    explicit RecordingProgress(int cancelAfter = -1) : m_cancelAfter(cancelAfter) {}

    void Step() override { ++m_steps; }
    void SetRange(unsigned total) override { m_ranges.push_back(total); }
    bool IsCanceled() override
    {
        ++m_questions;
        return m_cancelAfter >= 0 && m_steps >= m_cancelAfter;
    }

    int m_steps = 0;
    int m_questions = 0;
    std::vector<unsigned> m_ranges;

private:
    int m_cancelAfter;
};

// HKCU\Software\KestrovaTests\<name>, emptied at both ends of a test.
class MachineKey {
public:
    explicit MachineKey(const std::string& name) : m_path("Software\\KestrovaTests\\" + name)
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
        RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr);
    }
    ~MachineKey()
    {
        RegCloseKey(m_key);
        RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
        // Then the parents, each only when no other test uses it.
        std::string parent = m_path;
        for (size_t cut; (cut = parent.rfind('\\')) != std::string::npos && parent != "Software";) {
            RegDeleteKeyA(HKEY_CURRENT_USER, parent.c_str());
            parent.erase(cut);
        }
    }
    MachineKey(const MachineKey&) = delete;
    MachineKey& operator=(const MachineKey&) = delete;

    HKEY Key() const { return m_key; }

    void AddKey(const std::string& path)
    {
        HKEY key = nullptr;
        RegCreateKeyExA(m_key, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        RegCloseKey(key);
    }
    void SetString(const std::string& path, const char* name, const std::string& text)
    {
        AddKey(path);
        RegSetKeyValueA(m_key, path.c_str(), name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }
    void SetBinary(const std::string& path, const char* name, const std::vector<unsigned char>& data)
    {
        AddKey(path);
        RegSetKeyValueA(m_key, path.c_str(), name, REG_BINARY, data.data(), static_cast<DWORD>(data.size()));
    }

private:
    std::string m_path;
    HKEY m_key = nullptr;
};

// Whether the log holds this text at this level.
inline bool Logged(const RecordingLog& log, int level, const std::string& text)
{
    const std::vector<std::string> texts = log.TextsAt(level);
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// The signature folder of this computer, C:\Pardovel\ in the prefix.
inline std::string SignatureFolder()
{
    return LogFile::GetSystemDriveRoot() + "Pardovel\\";
}

// Removes the signature file and its folder, and whatever a test put in
// their place (a folder for the file, a file for the folder).
inline void CleanSignatureFile()
{
    const std::string folder = SignatureFolder();
    const std::string path = folder + "pardovel.sig";
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    RemoveDirectoryA(path.c_str());
    RemoveDirectoryA(folder.c_str());
    DeleteFileA(folder.substr(0, folder.size() - 1).c_str());
}
