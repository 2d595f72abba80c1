#include "app/DebugOptions.h"

#include "resources/resource.h"

namespace {

// Always set in the scope flags: the picker opens with its filter on
// computers, the only objects a network audit can take.
const int kScopeFlagsAlwaysSet = 0x100;

} // namespace

DebugBitsPage::DebugBitsPage(UINT templateId, std::vector<Box> boxes, int& word, int alwaysSet)
    : PropertyPage(templateId), m_boxes(std::move(boxes)), m_word(word), m_alwaysSet(alwaysSet)
{
}

// Each opening shows the same starting states, whatever the word holds.
bool DebugBitsPage::OnInitDialog()
{
    PropertyPage::OnInitDialog();
    for (const Box& box : m_boxes) {
        CheckDlgButton(m_hwnd, box.id, box.checkedOnOpening ? BST_CHECKED : BST_UNCHECKED);
    }
    return true;
}

bool DebugBitsPage::OnApply()
{
    int word = m_alwaysSet;
    for (const Box& box : m_boxes) {
        if (IsDlgButtonChecked(m_hwnd, box.id) == BST_CHECKED) {
            word |= box.bit;
        }
    }
    m_word = word;
    return true;
}

OptionPageDebugScope::OptionPageDebugScope(int& scopeFlags)
    : DebugBitsPage(IDD_DEBUG_SCOPE,
                    {{IDC_SCOPE_STARTING_SCOPE, 0x1, false},
                     {IDC_SCOPE_PROVIDER_WINNT, 0x2, true},
                     {IDC_SCOPE_PROVIDER_LDAP, 0x4, true},
                     {IDC_SCOPE_PROVIDER_GC, 0x8, true},
                     {IDC_SCOPE_SID_PATH, 0x10, false},
                     {IDC_SCOPE_DOWNLEVEL_BUILTIN_PATH, 0x20, false}},
                    scopeFlags, kScopeFlagsAlwaysSet)
{
}

OptionPageDebugScopeType::OptionPageDebugScopeType(int& scopeTypes)
    : DebugBitsPage(IDD_DEBUG_SCOPE_TYPES,
                    {{IDC_TYPE_UPLEVEL_JOINED_DOMAIN, 0x2, false},
                     {IDC_TYPE_DOWNLEVEL_JOINED_DOMAIN, 0x4, true},
                     {IDC_TYPE_ENTERPRISE_DOMAIN, 0x8, true},
                     {IDC_TYPE_GLOBAL_CATALOG, 0x10, true},
                     {IDC_TYPE_EXTERNAL_UPLEVEL_DOMAIN, 0x20, true},
                     {IDC_TYPE_EXTERNAL_DOWNLEVEL_DOMAIN, 0x40, true},
                     {IDC_TYPE_WORKGROUP, 0x80, true},
                     {IDC_TYPE_USER_ENTERED_UPLEVEL_SCOPE, 0x100, false},
                     {IDC_TYPE_USER_ENTERED_DOWNLEVEL_SCOPE, 0x200, false}},
                    scopeTypes, 0)
{
}

DebugOptions::DebugOptions(int& scopeFlags, int& scopeTypes)
    : PropertySheetDlg("Debug Network Enumeration Options"), m_scope(scopeFlags), m_scopeType(scopeTypes)
{
    AddPage(&m_scope);
    AddPage(&m_scopeType);
}
