#include "audit/SignatureFile.h"

#include "common/AppHelpers.h"
#include "common/LogFile.h"
#include "common/SafeFileWrite.h"

#include <windows.h>

#include <fstream>

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

std::string SignatureFile::MakeGuidText()
{
    return CreateGuidText();
}

// An empty or cut file would be read back as this computer's identity by
// every later audit: the text goes to a temporary file that replaces the
// path only once it is complete.
bool SignatureFile::Create(std::string& guid)
{
    CreateDirectoryA(GetFolder().c_str(), nullptr); // it may be there already
    const std::string text = MakeGuidText();
    const std::string path = GetPath();
    if (text.empty() || !ReplaceFileContents(path, text)) {
        return false;
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
    // One byte past the limit tells a file that is too long.
    char buffer[kMaxFileSize + 1];
    in.read(buffer, sizeof buffer);
    const size_t got = static_cast<size_t>(in.gcount());
    if (in.bad() || got > kMaxFileSize) {
        return false;
    }
    guid.assign(buffer, got);
    return true;
}
