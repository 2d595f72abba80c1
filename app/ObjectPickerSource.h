// The third computer source of the network audit: the computers the
// operator picks in the directory's object picker.
#pragma once

#include "app/ComputerSource.h"

#include <objsel.h>

class ObjectPickerSource : public ComputerSource {
public:
    // One scope of these types and flags, filtered to computers.
    ObjectPickerSource(int scopeTypes, int scopeFlags) : m_scopeTypes(scopeTypes), m_scopeFlags(scopeFlags) {}
    bool Scan(HWND owner, const std::function<void()>& beforeOperator, std::vector<std::string>& names) override;

private:
    int m_scopeTypes;
    int m_scopeFlags;
};

// The names of a selection, in order, as text of the ANSI code page. bytes
// is the size of the memory that holds the list: entries that would lie
// beyond it are not read.
std::vector<std::string> SelectedComputerNames(const DS_SELECTION_LIST& list, size_t bytes);
