#include "app/FileVersionInfo.h"

#include <cstdio>

namespace {

const char kWhiteSpace[] = " \t\r\n\v\f";

} // namespace

bool FileVersionInfo::Load(const std::string& path)
{
    m_fixed = {};
    m_language = 0;
    m_codePage = 1252;
    m_block.clear();

    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) {
        return false;
    }
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) {
        return false;
    }
    m_block.swap(block);

    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueA(m_block.data(), "\\", &value, &length) && length >= sizeof(m_fixed)) {
        memcpy(&m_fixed, value, sizeof(m_fixed));
    }
    if (VerQueryValueA(m_block.data(), "\\VarFileInfo\\Translation", &value, &length) && length >= 4) {
        const WORD* translation = static_cast<const WORD*>(value);
        m_language = translation[0];
        m_codePage = translation[1];
    }
    return m_fixed.dwSignature == 0xFEEF04BD;
}

std::string FileVersionInfo::GetString(const std::string& name) const
{
    if (m_block.empty()) {
        return std::string();
    }
    char path[300];
    snprintf(path, sizeof(path), "\\StringFileInfo\\%04x%04x\\%s", m_language, m_codePage, name.c_str());
    void* value = nullptr;
    UINT length = 0;
    // The query does not write to the block; the call merely lacks const.
    if (!VerQueryValueA(const_cast<BYTE*>(m_block.data()), path, &value, &length) || value == nullptr) {
        return std::string();
    }
    std::string text(static_cast<const char*>(value));
    const auto first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

std::string FileVersionInfo::VersionLine(const std::string& path)
{
    FileVersionInfo info;
    if (!info.Load(path)) {
        return "Version";
    }
    return "v" + info.GetString("FileVersion");
}
