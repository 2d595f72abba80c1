// Dates as WMI delivers them, turned into the month/day/year text the result
// record stores.
#pragma once

#include <string>

// "yyyymmddHHMMSS.mmmmmmsUUU" or "yyyy-mm-dd..." gives "mm/dd/yyyy"; an empty
// text, unset fields ("*") or a text too short for its form give "01/01/1980".
std::string CimDateToText(const std::string& text);
