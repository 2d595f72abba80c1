// Where the test programs find their golden files.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

// <source folder>/<relative> as the program sees it (under Wine through the
// Z: drive).
inline std::string TestDataPath(const std::string& relative)
{
    const char* source = getenv("KES_SOURCE_DIR");
    std::string path = std::string(source != nullptr ? source : ".") + "/" + relative;
#ifdef _WIN32
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    if (!path.empty() && path[0] == '\\') {
        path = "Z:" + path;
    }
#endif
    return path;
}

inline std::string ReadWholeFile(const std::string& path)
{
    std::string bytes;
    if (FILE* f = fopen(path.c_str(), "rb")) {
        char block[4096];
        size_t got;
        while ((got = fread(block, 1, sizeof block, f)) > 0) {
            bytes.append(block, got);
        }
        fclose(f);
    }
    return bytes;
}

#ifdef _WIN32
#include <windows.h>

// True when a file in the current folder matches the pattern (such as
// "kes*.tmp": a temporary file left behind).
inline bool AnyFileMatches(const char* pattern)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    FindClose(search);
    return true;
}
#endif
