// Every text an audit takes from the machine passes here before it is stored.
#pragma once

#include <string>

// True for the bytes below 32 and for 127.
bool IsControlCharacter(unsigned char c);

std::string SanitizeText(const std::string& text);
