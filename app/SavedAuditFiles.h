// Choosing saved result files for upload: the open-file dialog with many
// files at once, and the rule that turns its answer into paths.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Room for the names the dialog answers with: hundreds of files of long
// names fit.
constexpr size_t kFileSelectionChars = 1024 * MAX_PATH;

// Opens the dialog; false when the operator did not choose with OK. The
// chosen files go to paths in the order the dialog gives them.
bool AskSavedAuditFiles(HWND owner, std::vector<std::string>& paths);

// The dialog's answer as paths: either one full path, or the folder and
// then each name, every item ending in a zero byte and the list in one more.
std::vector<std::string> SplitFileSelection(const char* selection, size_t length);
