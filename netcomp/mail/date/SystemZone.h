#pragma once
// Header dates in this computer's zone, for the mail and news engines.
#include "netcomp/core/framework/ComponentBase.h"
#include "netcomp/mail/date/Rfc822Date.h"

// The zone of this computer, with its daylight-saving rules for the year of
// each date.
const LocalZone& SystemZone();

// The LocalizeDate method of an engine: the converted text in *answer, or
// the empty text and the failure's text as the engine's last error.
[[nodiscard]] int LocalizeDate(ComponentBase& engine, Rfc822Date& dates, const char* text, const char** answer);
