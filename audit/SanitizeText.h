// Every text an audit takes from the machine passes here before it is stored.
#pragma once

#include <string>

std::string SanitizeText(const std::string& text);
