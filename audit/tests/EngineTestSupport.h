// A recording progress sink and a registry key standing in for HKEY_LOCAL_MACHINE,
// shared by the engine and driver tests.
#pragma once

#include "common/AuditSinks.h"
#include "common/LogFile.h"
#include "common/tests/RecordedNotices.h"
#include "tools/test-program-name.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>
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

// HKCU\Software\KestrovaTests\<program>\<name>, emptied at both ends of a
// test. Each test program keeps its keys under a root of its own, named after
// the program: CTest runs programs side by side in one prefix, and a parent
// that another program deletes while this one makes its key below it makes
// the create fail (ERROR_KEY_DELETED). The shared KestrovaTests key itself is
// never deleted. A key or value that cannot be made throws, which ends the
// test with the reason instead of letting it read an empty registry.
class MachineKey {
public:
    explicit MachineKey(const std::string& name) : m_path(ProgramRoot() + "\\" + name)
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
        Check(
            RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr),
            "make the key", "");
    }
    ~MachineKey()
    {
        RegCloseKey(m_key);
        RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
        // Then this program's own parents, each only when no other test of
        // the program uses it.
        const std::string root = ProgramRoot();
        for (std::string parent = m_path; parent.size() > root.size();) {
            parent.erase(parent.rfind('\\'));
            RegDeleteKeyA(HKEY_CURRENT_USER, parent.c_str());
        }
    }
    MachineKey(const MachineKey&) = delete;
    MachineKey& operator=(const MachineKey&) = delete;

    HKEY Key() const { return m_key; }
    // Below HKEY_CURRENT_USER.
    const std::string& Path() const { return m_path; }

    void AddKey(const std::string& path)
    {
        HKEY key = nullptr;
        Check(RegCreateKeyExA(m_key, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              "make the key", path);
        RegCloseKey(key);
    }
    void SetString(const std::string& path, const char* name, const std::string& text)
    {
        AddKey(path);
        Check(RegSetKeyValueA(m_key, path.c_str(), name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1)),
              std::string("set the value ") + name + " of", path);
    }
    void SetBinary(const std::string& path, const char* name, const std::vector<unsigned char>& data)
    {
        AddKey(path);
        Check(RegSetKeyValueA(m_key, path.c_str(), name, REG_BINARY, data.data(), static_cast<DWORD>(data.size())),
              std::string("set the value ") + name + " of", path);
    }

    // Software\KestrovaTests\<this program's file name without .exe>.
    static std::string ProgramRoot() { return "Software\\KestrovaTests\\" + TestProgramName(); }

private:
    void Check(LONG status, const std::string& what, const std::string& below) const
    {
        if (status != ERROR_SUCCESS) {
            const std::string key = "HKCU\\" + m_path + (below.empty() ? "" : "\\" + below);
            throw std::runtime_error("test set-up: could not " + what + " " + key + ": error " +
                                     std::to_string(status));
        }
    }

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
