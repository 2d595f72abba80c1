// The application's owner of one SOAP component of the internet-components
// library, through the component holder of the library's C++ callers; tests
// put a scripted stand-in in the place of the component's functions.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "netcomp/include/netcomp_soap.h"

// netcomp/core/framework/ComponentHolder.h; it brings winsock2.h, which must
// come before windows.h, so the files that include this one do not see it.
struct ComponentApi;
class ComponentHandle;

// The SOAP component's functions (or the stand-in that SetSoapApi put in place).
const ComponentApi& GetSoapApi();
// Replaces the component's functions (null: the component's own again).
void SetSoapApi(const ComponentApi* api);

class SoapComponent {
public:
    SoapComponent();
    ~SoapComponent();
    SoapComponent(const SoapComponent&) = delete;
    SoapComponent& operator=(const SoapComponent&) = delete;

    bool IsValid() const;
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

    std::unique_ptr<ComponentHandle> m_component;
};
