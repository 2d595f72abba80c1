#include "common/SafeFileWrite.h"

#include <windows.h>

#include <fstream>

namespace {

// The folder of a file path. A root keeps its separator: "C:" alone names the
// drive's current folder, which may be anywhere else on it.
std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) {
        return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : ".";
    }
    bool root = slash == 0 || (slash == 2 && path[1] == ':');
    return path.substr(0, root ? slash + 1 : slash);
}

} // namespace

bool ReplaceFileContents(const std::string& path, const std::string& bytes)
{
    char temp[MAX_PATH] = {};
    // The temporary file must be in the same folder for the replace to be a
    // rename; GetTempFileNameA also creates it, which fails when the folder
    // cannot take new files.
    if (GetTempFileNameA(FolderOf(path).c_str(), "kes", 0, temp) == 0) {
        return false;
    }
    bool written;
    {
        std::ofstream out(temp, std::ios::out | std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        written = !out.fail();
    }
    if (!written || !MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp);
        return false;
    }
    return true;
}
