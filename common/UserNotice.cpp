#include "common/UserNotice.h"

#include "common/AppState.h"
#include "common/AuditSinks.h"
#include "common/MessageBoxHook.h"

namespace {
const char kCaption[] = "Kestrova";
}

void NotifyUser(const AppState& state, AuditLogSink* log, const std::string& text, unsigned boxStyle)
{
    if (!state.RunsUnattended()) {
        ShowMessageBox(nullptr, text, kCaption, boxStyle);
        return;
    }
    // A box would hang a log-on script that nobody watches.
    if (log != nullptr && (boxStyle & MB_ICONMASK) != MB_ICONINFORMATION) {
        log->Write(3, text);
    }
}
