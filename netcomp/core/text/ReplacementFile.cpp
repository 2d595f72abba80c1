#include "netcomp/core/text/ReplacementFile.h"

namespace {

constexpr int kCannotCreate = 4;

// The folder of a file path. A root keeps its separator: "C:" alone names the
// drive's current folder, which may be anywhere else on it.
std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos)
        return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : ".";
    const bool root = slash == 0 || (slash == 2 && path[1] == ':');
    return path.substr(0, root ? slash + 1 : slash);
}

// An existing file must take writes now, as creating it anew would have
// needed: what cannot be replaced is refused before anything is transferred.
bool WritableOrAbsent(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return false;
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

} // namespace

int ReplacementFile::Create(const char* path, const char* prefix)
{
    Discard();
    if (!path || !*path || !WritableOrAbsent(path))
        return kCannotCreate;
    // The temporary file must be in the same folder for the replacement to be
    // a rename; GetTempFileNameA also creates it, which fails when the folder
    // cannot take new files.
    char temporary[MAX_PATH] = {};
    if (GetTempFileNameA(FolderOf(path).c_str(), prefix, 0, temporary) == 0)
        return kCannotCreate;
    m_temporary = temporary;
    m_path = path;
    const int rc = m_file.OpenWrite(temporary, 0);
    if (rc != 0)
        Discard();
    return rc;
}

int ReplacementFile::Commit()
{
    if (m_temporary.empty())
        return kCannotCreate;
    m_file.Close();
    if (!MoveFileExA(m_temporary.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const int error = int(GetLastError());
        Discard();
        return error != 0 ? error : kCannotCreate;
    }
    m_temporary.clear();
    return 0;
}

void ReplacementFile::Discard()
{
    m_file.Close();
    if (!m_temporary.empty())
        DeleteFileA(m_temporary.c_str());
    m_temporary.clear();
}
