// The encodings of the upload: the result XML as Base64 text, and the removal
// of line-end references from texts the asset server sends back.
#pragma once

#include <string>

// Standard alphabet, no '=' fill characters, no line breaks. True on success.
bool EncodeBase64String(const std::string& source, std::string& out);

// Removes every "&#x000D;", then every "&#x000A;"; returns the same text.
std::string& StripNewlineReferences(std::string& text);
