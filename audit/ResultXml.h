// The result XML: the one external form of an audit result, saved as a
// ".kes" file and uploaded Base64-encoded.
#pragma once

#include "audit/Audit.h"

#include <string>

// The text for the engine's last result; "" when the document is not well
// formed. Throws t_exception for a property of the wrong type.
std::string BuildResultXml(Audit& engine, const std::string& formatVersion);
