#include "netcomp/mail/coders/CoderErrors.h"

namespace {

const char* const kTexts[] = {
    "Short uuencoded file",
    "The closing `end' was not found",
    "Can't create the file for write (illegal name ?)",
    "Can't open the file for read (doesn't exist?)",
    "Can't read from file",
    "Can't write to file",
    "Please supply a filename for uuencoded data",
    "File exists and `Overwrite' was set to `False'",
    "There's not enough space in output string",
    "The given filenames are insuficent to split all the encoded data",
    "Please supply a filename for the encoded data",
    "Encoded data is required to be written in more than 100 files.",
    "Couldn't write to file. Permission denied.",
    "Couldn't write to file. Media is full!",
    "Too many open files. No more file handles are available; so no more files can be opened.",
    "The given filename doesn't exist",
    "There are no more files where to read from or write to",
    "The starting `begin' was not found. Is this uuencoded data?",
    "Output buffer length was not calculated.",
    "Format does not support decoding.",
    "Format error when YDecoding.",
    "No '=yend' found when YDecoding.",
    "Escape character found at end of line.",
    "CRC check failed when YDecoding (Corrupt data).",
};

} // namespace

const char* CoderErrorText(int code)
{
    if (code < 1 || code > int(sizeof kTexts / sizeof kTexts[0]))
        return "";
    return kTexts[code - 1];
}
