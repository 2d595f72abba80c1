#pragma once
// The lines of an FTP directory listing (RFC 959 leaves their form to the
// server): a name list (NLST) gives one name per line; a long listing (LIST)
// gives Unix "ls -l" lines or DOS "dir" lines, told apart by their first
// character.
#include <cstdint>

#include "netcomp/core/text/NetString.h"

struct FtpListEntry {
    const char* name = nullptr; // within the line
    uint32_t nameLength = 0;
    bool isDirectory = false;
    int64_t size = 0;
    NetString time; // the date and time tokens joined by single blanks
};

enum class FtpListResult { Entry, Skip, NoMemory };

// One line without its line end. Skip: an empty line, or the "total" line of
// a long listing. Sizes of more digits than 64 bits hold read as INT64_MAX.
FtpListResult ParseFtpListLine(const char* line, uint32_t n, bool longMode, FtpListEntry& entry);
