// How the program tells the user something outside a dialog: a message box
// when someone watches, the error log when it runs unattended.
#pragma once

#include <string>

struct AppState;
class AuditLogSink;

// Interactive: a message box of the given MB_ style with the program's
// caption. Hidden and minimal mode: no box; the text goes to log at level 3
// (log may be null), except for a notice with the information icon, which
// has no place in an error log.
void NotifyUser(const AppState& state, AuditLogSink* log, const std::string& text, unsigned boxStyle);
