// Files the program writes whole (configuration, result files) are written
// beside the old one and then put in its place, so a failed write leaves the
// old file as it was.
#pragma once

#include <string>

// True when the file at path holds exactly bytes. On failure error (when
// given) gets the system's code of the step that failed: the folder cannot
// take the file, the disk is full, the old file cannot be replaced.
bool ReplaceFileContents(const std::string& path, const std::string& bytes, unsigned long* error = nullptr);
