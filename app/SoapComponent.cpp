#include "app/SoapComponent.h"

namespace {

const SoapApi* g_override = nullptr;

template <class F>
void Bind(HMODULE module, const char* name, F& function)
{
    // Through void (*)(void): the one function-pointer cast gcc accepts silently.
    function = reinterpret_cast<F>(reinterpret_cast<void (*)(void)>(GetProcAddress(module, name)));
}

bool Resolve(HMODULE module, SoapApi& api)
{
    if (module == nullptr) {
        return false;
    }
    Bind(module, "SOAP_Create", api.m_create);
    Bind(module, "SOAP_Destroy", api.m_destroy);
    Bind(module, "SOAP_Get", api.m_get);
    Bind(module, "SOAP_Set", api.m_set);
    Bind(module, "SOAP_Do", api.m_do);
    Bind(module, "SOAP_GetLastError", api.m_getLastError);
    Bind(module, "SOAP_GetLastErrorCode", api.m_getLastErrorCode);
    return api.m_create && api.m_destroy && api.m_get && api.m_set && api.m_do;
}

} // namespace

const SoapApi* GetSoapApi()
{
    if (g_override != nullptr) {
        return g_override;
    }
    static SoapApi api;
    static const bool found = Resolve(GetModuleHandleA(nullptr), api) || Resolve(LoadLibraryA("netcomp.dll"), api);
    return found ? &api : nullptr;
}

void SetSoapApi(const SoapApi* api)
{
    g_override = api;
}

SoapComponent::SoapComponent() : m_api(GetSoapApi())
{
    if (m_api != nullptr) {
        m_object = m_api->m_create(&SoapComponent::Dispatch, reinterpret_cast<INT_PTR>(this), "Kestrova");
    }
}

SoapComponent::~SoapComponent()
{
    if (m_object != nullptr) {
        m_api->m_destroy(m_object);
    }
}

int WINAPI SoapComponent::Dispatch(INT_PTR user, int event, int, INT_PTR*, int*)
{
    SoapComponent* self = reinterpret_cast<SoapComponent*>(user);
    return self != nullptr && event >= 1 && event <= 11 ? self->OnEvent(event) : 0;
}

int SoapComponent::Set(int property, const std::string& value)
{
    if (m_object == nullptr) {
        return -1;
    }
    return m_api->m_set(m_object, property, 0, reinterpret_cast<INT_PTR>(value.c_str()), 0);
}

int SoapComponent::SetNumber(int property, int value)
{
    if (m_object == nullptr) {
        return -1;
    }
    return m_api->m_set(m_object, property, 0, static_cast<INT_PTR>(value), 0);
}

std::string SoapComponent::LastErrorText() const
{
    const char* text =
        m_object != nullptr && m_api->m_getLastError != nullptr ? m_api->m_getLastError(m_object) : nullptr;
    return text != nullptr ? std::string(text) : std::string();
}

int SoapComponent::LastErrorCode() const
{
    return m_object != nullptr && m_api->m_getLastErrorCode != nullptr ? m_api->m_getLastErrorCode(m_object) : 0;
}

std::string SoapComponent::Get(int property)
{
    if (m_object == nullptr) {
        return std::string();
    }
    int length = 0;
    INT_PTR value = m_api->m_get(m_object, property, 0, &length);
    const char* text = reinterpret_cast<const char*>(value);
    if (text == nullptr) {
        return std::string();
    }
    return length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string(text);
}

int SoapComponent::Do(int method, const std::vector<std::string>& args)
{
    if (m_object == nullptr) {
        return -1;
    }
    std::vector<INT_PTR> values;
    std::vector<int> lengths;
    for (const std::string& arg : args) {
        values.push_back(reinterpret_cast<INT_PTR>(arg.c_str()));
        lengths.push_back(0);
    }
    return m_api->m_do(m_object, method, static_cast<int>(args.size()), values.empty() ? nullptr : values.data(),
                       lengths.empty() ? nullptr : lengths.data());
}
