// The main window of a single-document program: menu bar, one view filling
// the client area, and command routing. A command goes to the view, then to
// the document, then to the frame, then to the application object; before a
// menu opens, each item asks the same chain for its update handler, and an
// item that nobody handles is disabled.
#pragma once

#include "winui/Window.h"

class Document;
class View;

// The framework's Exit command.
constexpr UINT kIdAppExit = 57665;

class FrameWindow : public Window {
public:
    // Creates the window (hidden) with the menu and title of resourceId and
    // puts the view into it.
    bool LoadFrame(UINT resourceId, Document* document, View* view);

    Document* GetActiveDocument() const { return m_document; }
    View* GetActiveView() const { return m_view; }

    bool RouteCommand(UINT id, UINT code);
    void RouteUpdate(CmdUI& ui);
    // Runs the update handlers of every item of a popup menu.
    void UpdateMenuItems(HMENU popup);

protected:
    // Style, extended style and position of the window before it is made.
    virtual void PreCreateWindow(CREATESTRUCTA& cs) { (void)cs; }
    // After the window exists; false destroys it again.
    virtual bool OnCreate() { return true; }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FitView();
    // True when a call wait takes the message (a command or a close).
    bool HeldByCallWait(UINT message, WPARAM wParam);

    Document* m_document = nullptr;
    View* m_view = nullptr;
};
