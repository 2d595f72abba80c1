#include "audit/RegistryKey.h"

#include "asset/Exceptions.h"

#include <cstring>

namespace {

const char kNoKeyMessage[] = "RegQuery: A registry key must be opened before querying/editing values and subkeys";
const char kBadTypeMessage[] = "RegQuery: Unsupported Registry Value Type";

} // namespace

RegistryKey::~RegistryKey()
{
    Close();
}

void RegistryKey::Open(HKEY root, const std::string& path, bool create, REGSAM access)
{
    HKEY key = nullptr;
    LONG status;
    if (create) {
        status = RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, access, nullptr, &key, nullptr);
    } else {
        status = RegOpenKeyExA(root, path.c_str(), 0, access, &key);
    }
    if (status != ERROR_SUCCESS) {
        ThrowSystemError(static_cast<DWORD>(status));
    }
    if (m_key != nullptr) {
        RegCloseKey(m_key);
    }
    m_key = key;
}

void RegistryKey::ConnectRemoteRegistry(const std::string& computer, HKEY root, const std::string& path, bool create,
                                        REGSAM access)
{
    std::string name = computer;
    if (name.find("\\\\") == std::string::npos) {
        name = "\\\\" + name;
    }
    HKEY remote = nullptr;
    const LONG status = RegConnectRegistryA(name.c_str(), root, &remote);
    if (status != ERROR_SUCCESS) {
        ThrowSystemError(static_cast<DWORD>(status));
    }
    if (m_remoteRoot != nullptr) {
        RegCloseKey(m_remoteRoot);
    }
    m_remoteRoot = remote;
    Open(m_remoteRoot, path, create, access);
}

void RegistryKey::Close()
{
    if (m_key != nullptr) {
        RegCloseKey(m_key);
        m_key = nullptr;
    }
    if (m_remoteRoot != nullptr) {
        RegCloseKey(m_remoteRoot);
        m_remoteRoot = nullptr;
    }
}

std::string RegistryKey::GetStringValue(const std::string& name, const std::string& defaultValue)
{
    if (m_key == nullptr) {
        throw t_exception(E_FAIL, kNoKeyMessage);
    }
    char buffer[kValueBufferSize] = {};
    DWORD size = kValueBufferSize;
    DWORD type = REG_NONE;
    if (RegQueryValueExA(m_key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS) {
        return defaultValue;
    }
    if (size > kValueBufferSize) {
        size = kValueBufferSize;
    }
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        // A value stored without its terminating zero may fill the buffer:
        // the text ends at the value's size in any case.
        return std::string(buffer, strnlen(buffer, size));
    case REG_DWORD: {
        DWORD value = 0;
        memcpy(&value, buffer, sizeof value);
        return std::to_string(static_cast<unsigned long>(value));
    }
    default:
        throw t_exception(E_FAIL, kBadTypeMessage);
    }
}

bool RegistryKey::GetBinaryValue(const std::string& name, std::vector<char>& out)
{
    if (m_key == nullptr) {
        throw t_exception(E_FAIL, kNoKeyMessage);
    }
    char buffer[kValueBufferSize];
    DWORD size = kValueBufferSize;
    DWORD type = REG_NONE;
    if (RegQueryValueExA(m_key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    if (type != REG_BINARY) {
        throw t_exception(E_FAIL, kBadTypeMessage);
    }
    if (size > kValueBufferSize) {
        size = kValueBufferSize;
    }
    out.insert(out.end(), buffer, buffer + size);
    return true;
}

void RegistryKey::GetSubKeyNames(std::vector<std::string>& out)
{
    char name[kNameBufferSize + 1];
    for (DWORD index = 0;; ++index) {
        DWORD length = kNameBufferSize;
        if (RegEnumKeyExA(m_key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            return;
        }
        out.emplace_back(name, length);
    }
}
