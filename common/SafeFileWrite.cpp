#include "common/SafeFileWrite.h"

#include <windows.h>

#include <algorithm>

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

// Writes every byte to a new file; the system's error code, or 0.
DWORD WriteWholeFile(const char* path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    DWORD error = 0;
    size_t done = 0;
    while (error == 0 && done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr)) {
            error = GetLastError();
        } else if (written == 0) {
            error = ERROR_WRITE_FAULT;
        }
        done += written;
    }
    if (!CloseHandle(file) && error == 0) {
        error = GetLastError();
    }
    return error;
}

} // namespace

bool ReplaceFileContents(const std::string& path, const std::string& bytes, unsigned long* error)
{
    char temp[MAX_PATH] = {};
    DWORD failure = 0;
    // The temporary file must be in the same folder for the replace to be a
    // rename; GetTempFileNameA also creates it, which fails when the folder
    // cannot take new files.
    if (GetTempFileNameA(FolderOf(path).c_str(), "kes", 0, temp) == 0) {
        failure = GetLastError();
    } else {
        failure = WriteWholeFile(temp, bytes);
        if (failure == 0 && !MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            failure = GetLastError();
        }
        if (failure != 0) {
            DeleteFileA(temp);
        }
    }
    if (error != nullptr) {
        *error = failure;
    }
    return failure == 0;
}
