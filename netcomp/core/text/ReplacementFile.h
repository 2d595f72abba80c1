#pragma once
// A file that takes the place of another only once it is written whole: the
// bytes go to a temporary file in the same folder, and a rename puts it in
// the old file's place at the end. A transfer that fails or is given up
// leaves the old file as it was, and no temporary file behind.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "netcomp/core/text/FileHandle.h"

class ReplacementFile {
public:
    ReplacementFile() = default;
    ~ReplacementFile() { Discard(); }
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Makes the temporary file beside path (its name starts with prefix).
    // 4 when path names something that cannot be written over (a folder, a
    // file this user may not write) or its folder takes no new file.
    [[nodiscard]] int Create(const char* path, const char* prefix);
    [[nodiscard]] int Write(const void* data, uint32_t n) { return m_file.Write(data, n); }
    bool IsOpen() const { return m_file.IsOpen(); }
    // Puts what was written in the place of path: 0, or the system's error
    // (the temporary file is then deleted and the old file stays).
    [[nodiscard]] int Commit();
    // Closes and deletes the temporary file, if there is one.
    void Discard();

private:
    FileHandle m_file;
    std::string m_path;
    std::string m_temporary;
};
