// winsock2.h, which the holder brings, must come before windows.h.
#include "netcomp/core/framework/ComponentHolder.h"

#include "app/SoapComponent.h"

namespace {

const ComponentApi* g_override = nullptr;

} // namespace

const ComponentApi& GetSoapApi()
{
    return g_override != nullptr ? *g_override : SOAPFunctions::kApi;
}

void SetSoapApi(const ComponentApi* api)
{
    g_override = api;
}

SoapComponent::SoapComponent()
    : m_component(
          std::make_unique<ComponentHandle>(GetSoapApi(), &SoapComponent::Dispatch, reinterpret_cast<INT_PTR>(this)))
{
}

bool SoapComponent::IsValid() const
{
    return m_component->Handle() != nullptr;
}

SoapComponent::~SoapComponent() = default;

int WINAPI SoapComponent::Dispatch(INT_PTR user, int event, int, INT_PTR*, int*)
{
    SoapComponent* self = reinterpret_cast<SoapComponent*>(user);
    return self != nullptr && event >= 1 && event <= 11 ? self->OnEvent(event) : 0;
}

int SoapComponent::Set(int property, const std::string& value)
{
    return m_component->SetText(property, value.c_str());
}

int SoapComponent::SetNumber(int property, int value)
{
    return m_component->Set(property, static_cast<INT_PTR>(value));
}

std::string SoapComponent::LastErrorText() const
{
    const char* text = GetSoapApi().lastError != nullptr ? m_component->LastError() : nullptr;
    return text != nullptr ? std::string(text) : std::string();
}

int SoapComponent::LastErrorCode() const
{
    return GetSoapApi().lastErrorCode != nullptr ? m_component->LastErrorCode() : 0;
}

std::string SoapComponent::Get(int property)
{
    return m_component->GetText(property);
}

int SoapComponent::Do(int method, const std::vector<std::string>& args)
{
    return m_component->Do(method, args);
}
