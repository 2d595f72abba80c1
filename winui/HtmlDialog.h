// A dialog filled by the system's web-browser control. It opens one of the
// program's own HTML resources first; a click on an element of the shown
// page runs the handler bound to the element's id.
#pragma once

#include "winui/Dialog.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

struct IWebBrowser2;
struct IHTMLDocument2;
class HtmlEventSink;

class HtmlDialog : public Dialog {
public:
    HtmlDialog(UINT templateId, UINT pageResourceId);
    ~HtmlDialog() override;

    // The address under which the browser reads an HTML resource of this
    // program: "res://" + the program's path + "/" + the resource number.
    static std::string ResourceAddress(UINT resourceId);

    // Shows the address in the browser; false when there is none. The
    // browser goes there after the call, as its messages come; the host
    // window's text is the address from now on.
    bool Navigate(const std::string& address);
    // The address the browser is at; "" when there is no browser.
    std::string BrowserAddress() const;
    // A click on the element with this id (or inside it, when it has no
    // handler of its own); false when no handler is bound to it.
    bool ElementClicked(const std::string& elementId);

    // The window that hosts the browser, once the dialog is open.
    HWND BrowserHost() const { return m_host; }

protected:
    // Binds the click of the element whose id is exactly elementId.
    void OnElementClick(const std::string& elementId, std::function<void()> handler);

    // Creates the browser on the resource page.
    bool OnInitDialog() override;
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The shown document's title; the window takes it.
    virtual void OnTitleChange(const std::string& title);

private:
    friend class HtmlEventSink;
    void OnDocumentComplete();
    void OnDocumentClick();
    void FitBrowser();
    void Disconnect();

    UINT m_pageResourceId;
    HWND m_host = nullptr;
    IWebBrowser2* m_browser = nullptr;
    IHTMLDocument2* m_document = nullptr;
    HtmlEventSink* m_sink = nullptr;
    unsigned long m_eventsCookie = 0;
    std::vector<std::pair<std::string, std::function<void()>>> m_clicks;
};
