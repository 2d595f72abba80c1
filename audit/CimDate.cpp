#include "audit/CimDate.h"

namespace {

const char kFallbackDate[] = "01/01/1980";

} // namespace

// The characters are taken as they stand: WMI's own dates are trusted, and
// only the wildcard and blanks of unset fields fall back to the fixed date.
std::string CimDateToText(const std::string& text)
{
    if (text.empty()) {
        return kFallbackDate;
    }
    std::string candidate;
    if (text.find('.') != std::string::npos) {
        if (text.size() < 8) {
            return kFallbackDate;
        }
        candidate = text.substr(4, 2) + "/" + text.substr(6, 2) + "/" + text.substr(0, 4);
    } else {
        if (text.size() < 10) {
            return kFallbackDate;
        }
        candidate = text.substr(5, 2) + "/" + text.substr(8, 2) + "/" + text.substr(0, 4);
    }
    if (candidate.find_first_of("* ") != std::string::npos) {
        return kFallbackDate;
    }
    return candidate;
}
