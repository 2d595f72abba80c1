// A registry key opened by an audit step, with the readers the registry steps
// of both engines use. The key (and a remote root, when a step connected to
// another computer's registry) is closed by Close or at destruction.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Throws t_exception with the registry's error code on failure.
    void Open(HKEY root, const std::string& path, bool create, REGSAM access);
    void Close();
    // Opens path under root of another computer's registry; the name may
    // carry its leading backslashes or not. Throws t_exception with the
    // system's error code on failure.
    void ConnectRemoteRegistry(const std::string& computer, HKEY root, const std::string& path, bool create,
                               REGSAM access);

    std::string GetStringValue(const std::string& name, const std::string& defaultValue);
    bool GetBinaryValue(const std::string& name, std::vector<char>& out);
    void GetSubKeyNames(std::vector<std::string>& out);

    HKEY Handle() const { return m_key; }
    // The root key of another computer's registry, closed with this key.
    HKEY RemoteRoot() const { return m_remoteRoot; }
    void SetRemoteRoot(HKEY root) { m_remoteRoot = root; }

    // Size of the value buffer: a larger value counts as unreadable.
    static const DWORD kValueBufferSize = 512;
    static const DWORD kNameBufferSize = 511;

private:
    HKEY m_key = nullptr;
    HKEY m_remoteRoot = nullptr;
};
