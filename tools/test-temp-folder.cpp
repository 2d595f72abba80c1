// Linked into every Windows test program: gives the program a temporary
// folder of its own.
//
// CTest runs test programs side by side in one Wine prefix, and they would
// otherwise share the user's temporary folder: a fixed name that two
// programs write there, or a program that looks for what it left there
// ("Kes*.tmp"), would meet the other program's files. Before main() runs,
// TMP and TEMP point at <user's temporary folder>\<program name>\, emptied
// first so that nothing of an earlier run is seen. GetTempPath answers with
// it in this process and in every program it starts.
#include "tools/test-program-name.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Removes everything below folder (which ends in a backslash).
void EmptyFolder(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string path = folder + name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
                EmptyFolder(path + "\\");
            }
            RemoveDirectoryA(path.c_str());
        } else {
            DeleteFileA(path.c_str());
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// A program that cannot have its own folder stops here: run on in the shared
// one, it could fail for another program's files.
bool UseOwnTempFolder()
{
    char temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof temp, temp);
    const std::string name = TestProgramName();
    if (length == 0 || length >= sizeof temp || name.empty()) {
        std::fprintf(stderr, "test-temp-folder: no temporary folder of the user, or no program name\n");
        std::exit(1);
    }
    const std::string folder = std::string(temp, length) + name + "\\";
    EmptyFolder(folder);
    if ((!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) ||
        !SetEnvironmentVariableA("TMP", folder.c_str()) || !SetEnvironmentVariableA("TEMP", folder.c_str())) {
        std::fprintf(stderr, "test-temp-folder: %s could not be made the temporary folder (error %lu)\n",
                     folder.c_str(), GetLastError());
        std::exit(1);
    }
    return true;
}

const bool g_ownTempFolder = UseOwnTempFolder();

} // namespace

std::string TestProgramName()
{
    char module[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string name(module, length);
    name.erase(0, name.find_last_of("\\/") + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        name.erase(dot);
    }
    return name;
}
