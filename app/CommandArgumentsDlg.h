// The help page of the command-line switches.
#pragma once

#include "resources/resource.h"
#include "winui/Dialog.h"

class CommandArgumentsDlg : public Dialog {
public:
    CommandArgumentsDlg() : Dialog(IDD_COMMAND_ARGUMENTS) {}
};
