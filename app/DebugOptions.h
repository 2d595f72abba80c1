// The "Debug Network Enumeration Options" sheet: the scope flags and scope
// types with which the network audit opens the directory object picker. The
// two words live in the configuration record until the program ends; they
// are never written to the file.
#pragma once

#include "winui/PropertySheet.h"

#include <utility>
#include <vector>

// A page of check boxes, each standing for one bit of a word.
class DebugBitsPage : public PropertyPage {
public:
    struct Box {
        int id;
        int bit;
        bool checkedOnOpening;
    };
    DebugBitsPage(UINT templateId, std::vector<Box> boxes, int& word, int alwaysSet);

protected:
    bool OnInitDialog() override;
    bool OnApply() override;

private:
    std::vector<Box> m_boxes;
    int& m_word;
    int m_alwaysSet;
};

class OptionPageDebugScope : public DebugBitsPage {
public:
    explicit OptionPageDebugScope(int& scopeFlags);
};

class OptionPageDebugScopeType : public DebugBitsPage {
public:
    explicit OptionPageDebugScopeType(int& scopeTypes);
};

class DebugOptions : public PropertySheetDlg {
public:
    DebugOptions(int& scopeFlags, int& scopeTypes);

    OptionPageDebugScope m_scope;
    OptionPageDebugScopeType m_scopeType;
};
