// The application's owner of one SOAP component of the internet-components
// library, reached through its exported C functions. The functions are
// looked up at run time (in the program itself, which exports them, or in
// netcomp.dll), so a build without the component still runs and reports
// the missing component as a failed call; tests put a scripted stand-in in
// their place.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// The component library's event callback (its C header's type).
typedef int(WINAPI* SoapEventCallback)(INT_PTR user, int event, int count, INT_PTR* params, int* lengths);

struct SoapApi {
    void*(WINAPI* m_create)(SoapEventCallback callback, INT_PTR user, const char* reserved);
    int(WINAPI* m_destroy)(void* obj);
    INT_PTR(WINAPI* m_get)(void* obj, int property, int index, int* lengthOut);
    int(WINAPI* m_set)(void* obj, int property, int index, INT_PTR value, int length);
    int(WINAPI* m_do)(void* obj, int method, int count, INT_PTR* args, int* lengths);
    // The text and code of the last failure; a stand-in may leave them null.
    const char*(WINAPI* m_getLastError)(void* obj);
    int(WINAPI* m_getLastErrorCode)(void* obj);
};

// The component's functions, or null when no module offers them.
const SoapApi* GetSoapApi();
// Replaces the lookup (null: look the functions up again).
void SetSoapApi(const SoapApi* api);

// Property and method numbers of the SOAP component that the exchange uses.
enum SoapNumber : int {
    kSoapPropAction = 2,
    kSoapPropTimeout = 42,
    kSoapPropContentType = 6,
    kSoapPropFaultString = 12,
    kSoapPropMethod = 22,
    kSoapPropMethodUri = 23,
    kSoapPropReturnValue = 37,
    kSoapPropEncodingStyle = 38,
    kSoapPropUrl = 43,
    kSoapConfig = 1,
    kSoapAddParam = 4,
    kSoapDisconnect = 8,
    kSoapReset = 9,
    kSoapSendRequest = 11,
};

class SoapComponent {
public:
    SoapComponent();
    ~SoapComponent();
    SoapComponent(const SoapComponent&) = delete;
    SoapComponent& operator=(const SoapComponent&) = delete;

    bool IsValid() const { return m_object != nullptr; }
    int Set(int property, const std::string& value);
    int SetNumber(int property, int value);
    std::string Get(int property);
    int Do(int method, const std::vector<std::string>& args);
    // What the component says about its last failure (a refused connection,
    // a time-out, an unknown host): its text and code.
    std::string LastErrorText() const;
    int LastErrorCode() const;

    // The component's events are all ignored; each handler answers 0.
    virtual int OnEvent(int event)
    {
        (void)event;
        return 0;
    }

private:
    static int WINAPI Dispatch(INT_PTR user, int event, int count, INT_PTR* params, int* lengths);

    const SoapApi* m_api;
    void* m_object = nullptr;
};
