#pragma once
// The object behind a component handle: the event sink that turns engine
// events into calls of the owner's callback, the engine itself, the callback
// with its user value, and the texts that Get hands out.
//
// Every handle points at a ComponentObjectBase, whatever the component, so
// code that holds only the handle (the contract tests among it) can reach the
// sink and the engine's base without knowing the engine's type.
#include <winsock2.h>
#include <windows.h>

#include <map>
#include <string>

#include "netcomp/core/framework/ComponentBase.h"
#include "netcomp/core/framework/ComponentEvents.h"
#include "netcomp/core/framework/ComponentInfo.h"
#include "netcomp/include/netcomp.h"

class ComponentObjectBase : public ComponentEvents {
public:
    ComponentObjectBase(ComponentEventCallback callback, INT_PTR user, const ComponentInfo& info)
        : m_callback(callback), m_user(user), m_info(info)
    {
    }
    virtual ~ComponentObjectBase() = default;
    ComponentObjectBase(const ComponentObjectBase&) = delete;
    ComponentObjectBase& operator=(const ComponentObjectBase&) = delete;

    static ComponentObjectBase* FromHandle(void* handle) { return static_cast<ComponentObjectBase*>(handle); }
    void* Handle() { return static_cast<void*>(this); }

    virtual ComponentBase& Base() = 0;
    const ComponentInfo& Info() const { return m_info; }

    void OnCodePage(int) override {}
    int FireEvent(int event, int count, const EventParam* params) override;

    // Keeps a text that a getter made for this property; the pointer stays
    // valid until the property is read again or the object goes.
    const char* KeepText(int property, std::string text);

private:
    ComponentEventCallback m_callback;
    INT_PTR m_user;
    const ComponentInfo& m_info;
    std::map<int, std::string> m_texts;
};

template <class Engine>
class ComponentObject final : public ComponentObjectBase {
public:
    ComponentObject(ComponentEventCallback callback, INT_PTR user, const ComponentInfo& info)
        : ComponentObjectBase(callback, user, info)
    {
        m_engine.SetEventSink(this);
    }
    ~ComponentObject() override { m_engine.SetEventSink(nullptr); }

    static ComponentObject* FromHandle(void* handle)
    {
        return static_cast<ComponentObject*>(ComponentObjectBase::FromHandle(handle));
    }

    Engine& GetEngine() { return m_engine; }
    ComponentBase& Base() override { return m_engine; }

private:
    Engine m_engine;
};
