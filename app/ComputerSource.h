// Where a network audit finds its computers: the machine accounts of the
// domain, the browsed Windows network, or the directory object picker. The
// set-up dialog asks one source for names; tests hand it sources of their
// own.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

enum NetworkAuditMethod : int {
    kMethodMachineAccounts = 0,
    kMethodNetworkBrowsing = 1,
    kMethodObjectPicker = 2,
};

class ComputerSource {
public:
    virtual ~ComputerSource() = default;
    // Adds the computers found to names. False when the scan failed, after
    // its message (an operator who cancels the picker gets none); owner is
    // the window the messages belong to. beforeOperator runs before the scan
    // turns to the operator (a message, the picker).
    virtual bool Scan(HWND owner, const std::function<void()>& beforeOperator, std::vector<std::string>& names) = 0;
};

// The system's source for a method; null for an unknown method. The picker
// opens with the scope types and flags of the configuration record.
std::unique_ptr<ComputerSource> MakeComputerSource(int method, int pickerScopeTypes, int pickerScopeFlags);

// The arrow cursor becomes the hourglass while a scan blocks the dialog.
class WaitCursor {
public:
    WaitCursor() : m_previous(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(m_previous); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR m_previous;
};
