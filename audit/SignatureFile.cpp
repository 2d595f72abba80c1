#include "audit/SignatureFile.h"

#include "common/AppHelpers.h"
#include "common/LogFile.h"

#include <windows.h>

#include <fstream>
#include <sstream>

namespace {

const char kFolderName[] = "Pardovel\\";
const char kFileName[] = "pardovel.sig";

} // namespace

SignatureFile::SignatureFile(const std::string& computer, const bool& remote) : m_remote(remote), m_computer(computer)
{
}

std::string SignatureFile::GetFolder() const
{
    if (m_remote) {
        // Always drive C of the other computer, whatever its system drive.
        return "\\\\" + m_computer + "\\C$\\" + kFolderName;
    }
    return LogFile::GetSystemDriveRoot() + kFolderName;
}

std::string SignatureFile::GetPath() const
{
    return GetFolder() + kFileName;
}

bool SignatureFile::Exists() const
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(GetPath().c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    FindClose(search);
    return true;
}

bool SignatureFile::Create(std::string& guid)
{
    CreateDirectoryA(GetFolder().c_str(), nullptr); // it may be there already
    const std::string path = GetPath();
    std::ofstream out(path.c_str(), std::ios::out | std::ios::binary | std::ios::trunc);
    if (!out.is_open()) {
        return false;
    }
    std::string text = CreateGuidText();
    out << text;
    out.close();
    if (out.fail()) {
        return false; // a GUID that did not reach the file identifies nothing
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    guid = text;
    return true;
}

bool SignatureFile::Read(std::string& guid) const
{
    std::ifstream in(GetPath().c_str(), std::ios::in | std::ios::binary);
    if (!in.is_open()) {
        return false;
    }
    std::ostringstream content;
    content << in.rdbuf();
    guid = content.str();
    return true;
}
