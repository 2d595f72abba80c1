// The application object: start-up, the message loop with idle handling,
// the single-document template and the last stop of command routing.
#pragma once

#include "winui/MessageMap.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

class Document;
class FrameWindow;
class View;

// How the one document, its frame and its view are made.
struct SingleDocTemplate {
    UINT m_resourceId = 0; // menu and title of the frame
    std::function<std::unique_ptr<Document>()> m_makeDocument;
    std::function<std::unique_ptr<FrameWindow>()> m_makeFrame;
    std::function<std::unique_ptr<View>()> m_makeView;
};

class WinApp {
public:
    WinApp();
    WinApp(const WinApp&) = delete;
    WinApp& operator=(const WinApp&) = delete;
    virtual ~WinApp();

    static WinApp* Current() { return s_current; }

    // FALSE ends the program before the loop runs.
    virtual bool InitInstance() { return true; }
    virtual int ExitInstance() { return m_exitCode; }
    // Called while the queue is empty, with a count of calls since the last
    // message; true asks for another call.
    virtual bool OnIdle(long count);
    // The whole life of the program: InitInstance, the loop, ExitInstance.
    int Start(int showCommand);
    int Run();

    void SetDocTemplate(SingleDocTemplate docTemplate) { m_template = std::move(docTemplate); }
    // Makes the document, the frame (hidden unless m_showCommand says
    // otherwise) and its view from the template.
    bool OpenNewDocument();
    // Closes the document and destroys frame and view.
    void CloseDocument();

    FrameWindow* GetMainFrame() const { return m_frame.get(); }
    Document* GetDocument() const { return m_document.get(); }
    View* GetView() const { return m_view.get(); }
    HWND GetMainWindow() const;
    MessageMap& Map() { return m_map; }

    // Keys of registered modeless dialogs go through their dialog manager.
    static void AddModeless(HWND dialog);
    static void RemoveModeless(HWND dialog);

    // A call that keeps this thread's messages flowing while it waits (a
    // server exchange under the busy window) runs between these two, on the
    // loop's thread. Meanwhile the thread's windows but keep take no input,
    // as under a modal dialog, the frame refuses commands, and a request to
    // close the frame waits until the command that made the call has ended.
    void BeginCallWait(HWND keep);
    void EndCallWait();
    bool InCallWait() const { return m_callWait; }
    // The frame was asked to close during a call; the loop closes it once
    // the command has returned.
    void DeferClose() { m_closePending = true; }
    bool IsClosePending() const { return m_closePending; }

    int m_showCommand = SW_SHOWNORMAL;

protected:
    MessageMap m_map;
    int m_exitCode = 0;

private:
    bool PreTranslate(MSG& msg);
    void CloseIfPending();
    static LRESULT CALLBACK CallWaitMessageHook(int code, WPARAM removal, LPARAM message);

    static WinApp* s_current;
    SingleDocTemplate m_template;
    std::unique_ptr<Document> m_document;
    std::unique_ptr<FrameWindow> m_frame;
    std::unique_ptr<View> m_view;
    bool m_callWait = false;
    bool m_closePending = false;
    std::vector<HWND> m_heldWindows;
    HWND m_focusBeforeWait = nullptr;
    HHOOK m_messageHook = nullptr;
};
