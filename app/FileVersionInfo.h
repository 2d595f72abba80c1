// A program file's version resource: the fixed block and its strings.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class FileVersionInfo {
public:
    FileVersionInfo() = default;

    bool Load(const std::string& path);
    // "" when nothing was loaded or the file has no such value.
    std::string GetString(const std::string& name) const;

    const VS_FIXEDFILEINFO& Fixed() const { return m_fixed; }
    WORD Language() const { return m_language; }
    WORD CodePage() const { return m_codePage; }

    // The About box's version line for the given program file: "v" and its
    // file version, or "Version" when the file has none.
    static std::string VersionLine(const std::string& path);

private:
    VS_FIXEDFILEINFO m_fixed = {};
    WORD m_language = 0;
    WORD m_codePage = 1252;
    std::vector<BYTE> m_block;
};
