// The main window: caption and system menu only (no sizing border, no
// minimise or maximise box), and the help command.
#pragma once

#include "winui/FrameWindow.h"

#include <string>

class CMainFrame : public FrameWindow {
public:
    CMainFrame();
    static constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU;

    // The help file beside the program.
    static std::string HelpFilePath();

protected:
    void PreCreateWindow(CREATESTRUCTA& cs) override;
    bool OnCreate() override;

private:
    void OnHelpFinder();
};
