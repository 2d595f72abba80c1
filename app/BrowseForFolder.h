// The system's folder dialog, for choosing where log files and result files
// go.
#pragma once

#include <string>

enum BrowseResult : int {
    kBrowseChosen = 1,
    kBrowseCancelled = 2, // also a choice that has no file-system path
};

// Opens the folder dialog with title, rooted at the desktop, with
// initialPath selected when it names a folder; the chosen folder goes to
// folder ("" when none was chosen).
BrowseResult BrowseForFolder(const std::string& title, std::string& folder, const std::string& initialPath = "");
