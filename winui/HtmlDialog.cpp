// The browser is the system's web-browser control, hosted by atl.dll's
// "AtlAxWin" window class: a child window whose text is an address makes the
// control and navigates it there. One COM object of ours listens: to the
// browser's events (a document is complete, its title changed) and, set as
// the onclick handler of each completed document, to clicks on the page.
// The element a click came from is read from the page's event object and
// looked up by id, walking out through its parents, in the bound clicks.
// Events arrive on the dialog's thread while its loop runs.
#include "winui/HtmlDialog.h"

#include "common/TextHelpers.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtml.h>
#include <ocidl.h>

#include <comdef.h>

namespace {

// atl.dll stays loaded for the rest of the process once its window class is
// registered: windows of that class may outlive any one dialog.
HMODULE BrowserHostLibrary()
{
    static HMODULE atl = nullptr;
    static bool registered = false;
    if (!registered) {
        atl = LoadLibraryA("atl.dll");
        if (atl == nullptr) {
            return nullptr;
        }
        typedef BOOL(WINAPI * AtlAxWinInitFn)();
        AtlAxWinInitFn init =
            reinterpret_cast<AtlAxWinInitFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
        registered = init != nullptr && init() != FALSE;
    }
    return registered ? atl : nullptr;
}

// The control a host window holds, as a web browser; null when it holds none.
IWebBrowser2* HostedBrowser(HWND host)
{
    HMODULE atl = BrowserHostLibrary();
    if (atl == nullptr || host == nullptr) {
        return nullptr;
    }
    typedef HRESULT(WINAPI * AtlAxGetControlFn)(HWND, IUnknown**);
    AtlAxGetControlFn getControl =
        reinterpret_cast<AtlAxGetControlFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
    IUnknown* control = nullptr;
    if (getControl == nullptr || FAILED(getControl(host, &control)) || control == nullptr) {
        return nullptr;
    }
    IWebBrowser2* browser = nullptr;
    if (FAILED(control->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser)))) {
        browser = nullptr;
    }
    control->Release();
    return browser;
}

std::string Narrow(BSTR text)
{
    return text != nullptr ? ToNarrowString(text) : std::string();
}

} // namespace

// The browser's events and the page's clicks, for one dialog. The dialog
// clears m_owner when it lets go, so a late call finds nobody.
class HtmlEventSink final : public IDispatch {
public:
    explicit HtmlEventSink(HtmlDialog* owner) : m_owner(owner) {}
    HtmlDialog* m_owner;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, DIID_DWebBrowserEvents2)) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_references)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&m_references);
        if (left == 0) {
            delete this;
        }
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    // DISPID_VALUE comes from the page's onclick; the others from the
    // browser, whose arguments arrive last first.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        if (m_owner == nullptr) {
            return S_OK;
        }
        if (id == DISPID_VALUE) {
            m_owner->OnDocumentClick();
        } else if (id == DISPID_DOCUMENTCOMPLETE) {
            m_owner->OnDocumentComplete();
        } else if (id == DISPID_TITLECHANGE && params != nullptr && params->cArgs >= 1 &&
                   params->rgvarg[0].vt == VT_BSTR) {
            m_owner->OnTitleChange(Narrow(params->rgvarg[0].bstrVal));
        }
        return S_OK;
    }

private:
    ~HtmlEventSink() = default;
    LONG m_references = 1;
};

HtmlDialog::HtmlDialog(UINT templateId, UINT pageResourceId) : Dialog(templateId), m_pageResourceId(pageResourceId) {}

HtmlDialog::~HtmlDialog()
{
    Disconnect();
}

std::string HtmlDialog::ResourceAddress(UINT resourceId)
{
    char module[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    return "res://" + std::string(module) + "/" + std::to_string(resourceId);
}

void HtmlDialog::OnElementClick(const std::string& elementId, std::function<void()> handler)
{
    m_clicks.emplace_back(elementId, std::move(handler));
}

bool HtmlDialog::ElementClicked(const std::string& elementId)
{
    for (const auto& click : m_clicks) {
        if (click.first == elementId) {
            click.second();
            return true;
        }
    }
    return false;
}

bool HtmlDialog::OnInitDialog()
{
    Dialog::OnInitDialog();
    if (BrowserHostLibrary() == nullptr) {
        return true;
    }
    m_host = CreateWindowExA(0, "AtlAxWin", ResourceAddress(m_pageResourceId).c_str(),
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, m_hwnd, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    FitBrowser();
    m_browser = HostedBrowser(m_host);
    if (m_browser == nullptr) {
        return true;
    }
    IConnectionPointContainer* points = nullptr;
    if (SUCCEEDED(m_browser->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&points)))) {
        IConnectionPoint* point = nullptr;
        if (SUCCEEDED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, &point))) {
            m_sink = new HtmlEventSink(this);
            DWORD cookie = 0;
            if (SUCCEEDED(point->Advise(m_sink, &cookie))) {
                m_eventsCookie = cookie;
            }
            point->Release();
        }
        points->Release();
    }
    return true;
}

bool HtmlDialog::Navigate(const std::string& address)
{
    if (m_browser == nullptr) {
        return false;
    }
    VARIANT none;
    VariantInit(&none);
    _bstr_t url(address.c_str());
    if (FAILED(m_browser->Navigate(url, &none, &none, &none, &none))) {
        return false;
    }
    // The host's text names the page it was last sent to, as it named the
    // first one.
    SetWindowTextA(m_host, address.c_str());
    return true;
}

std::string HtmlDialog::BrowserAddress() const
{
    BSTR address = nullptr;
    if (m_browser == nullptr || FAILED(m_browser->get_LocationURL(&address))) {
        return std::string();
    }
    std::string text = Narrow(address);
    SysFreeString(address);
    return text;
}

void HtmlDialog::OnDocumentComplete()
{
    if (m_browser == nullptr) {
        return;
    }
    IDispatch* shown = nullptr;
    if (FAILED(m_browser->get_Document(&shown)) || shown == nullptr) {
        return;
    }
    IHTMLDocument2* document = nullptr;
    const HRESULT found = shown->QueryInterface(IID_IHTMLDocument2, reinterpret_cast<void**>(&document));
    shown->Release();
    if (FAILED(found) || document == nullptr) {
        return;
    }
    VARIANT handler;
    VariantInit(&handler);
    handler.vt = VT_DISPATCH;
    handler.pdispVal = m_sink;
    if (m_sink == nullptr || FAILED(document->put_onclick(handler))) {
        document->Release();
        return;
    }
    if (m_document != nullptr) {
        m_document->Release();
    }
    m_document = document;
}

void HtmlDialog::OnDocumentClick()
{
    if (m_document == nullptr) {
        return;
    }
    IHTMLWindow2* window = nullptr;
    IHTMLEventObj* event = nullptr;
    IHTMLElement* element = nullptr;
    if (SUCCEEDED(m_document->get_parentWindow(&window)) && window != nullptr && SUCCEEDED(window->get_event(&event)) &&
        event != nullptr) {
        event->get_srcElement(&element);
    }
    // The page may end the dialog from inside a handler: nothing of the
    // page is touched after the first handler ran.
    while (element != nullptr) {
        BSTR id = nullptr;
        element->get_id(&id);
        const std::string elementId = Narrow(id);
        SysFreeString(id);
        if (!elementId.empty() && ElementClicked(elementId)) {
            element->Release();
            element = nullptr;
            break;
        }
        IHTMLElement* parent = nullptr;
        element->get_parentElement(&parent);
        element->Release();
        element = parent;
    }
    if (event != nullptr) {
        event->Release();
    }
    if (window != nullptr) {
        window->Release();
    }
}

void HtmlDialog::OnTitleChange(const std::string& title)
{
    if (m_hwnd != nullptr && !title.empty()) {
        SetWindowTextA(m_hwnd, title.c_str());
    }
}

void HtmlDialog::Disconnect()
{
    if (m_sink != nullptr) {
        m_sink->m_owner = nullptr;
    }
    if (m_document != nullptr) {
        VARIANT none;
        VariantInit(&none);
        none.vt = VT_NULL;
        m_document->put_onclick(none);
        m_document->Release();
        m_document = nullptr;
    }
    if (m_browser != nullptr) {
        IConnectionPointContainer* points = nullptr;
        if (m_eventsCookie != 0 &&
            SUCCEEDED(m_browser->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&points)))) {
            IConnectionPoint* point = nullptr;
            if (SUCCEEDED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, &point))) {
                point->Unadvise(m_eventsCookie);
                point->Release();
            }
            points->Release();
        }
        m_eventsCookie = 0;
        m_browser->Release();
        m_browser = nullptr;
    }
    if (m_sink != nullptr) {
        m_sink->Release();
        m_sink = nullptr;
    }
    m_host = nullptr;
}

INT_PTR HtmlDialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SIZE) {
        FitBrowser();
    } else if (message == WM_DESTROY) {
        Disconnect(); // before the host window and its control go
    }
    return Dialog::DialogProc(message, wParam, lParam);
}

void HtmlDialog::FitBrowser()
{
    if (m_host == nullptr) {
        return;
    }
    RECT client;
    GetClientRect(m_hwnd, &client);
    MoveWindow(m_host, 0, 0, client.right, client.bottom, TRUE);
}
