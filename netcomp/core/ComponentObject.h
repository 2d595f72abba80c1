#pragma once
// The object behind a component handle: the event sink that turns engine
// events into calls of the owner's callback, the engine itself, and the
// callback with its user value.
#include <winsock2.h>
#include <windows.h>

#include "netcomp/core/ComponentEvents.h"
#include "netcomp/core/netcomp.h"

template <class Engine>
class ComponentObject final : public ComponentEvents {
public:
    ComponentObject(ComponentEventCallback callback, INT_PTR user) : m_callback(callback), m_user(user)
    {
        m_engine.SetEventSink(this);
    }
    ~ComponentObject() { m_engine.SetEventSink(nullptr); }

    Engine& GetEngine() { return m_engine; }

    void OnCodePage(int) override {}

    int FireEvent(int event, int count, EventParam* params) override
    {
        if (!m_callback)
            return 0;
        if (count > kMaxParams)
            count = kMaxParams;
        // Three spare zero entries behind the parameters, for callers that read one too far.
        INT_PTR values[kMaxParams + 3] = {};
        int lengths[kMaxParams + 3] = {};
        for (int i = 0; i < count; ++i) {
            const EventParam& p = params[i];
            switch (p.kind) {
            case EventParam::Kind::Int:
                values[i] = *static_cast<int*>(p.address);
                break;
            case EventParam::Kind::IntPtr:
                values[i] = INT_PTR(*static_cast<std::intptr_t*>(p.address));
                break;
            case EventParam::Kind::Bool:
                values[i] = *static_cast<bool*>(p.address) ? 1 : 0;
                break;
            case EventParam::Kind::Text:
                values[i] = reinterpret_cast<INT_PTR>(*static_cast<const char**>(p.address));
                break;
            case EventParam::Kind::Binary:
                values[i] = reinterpret_cast<INT_PTR>(*static_cast<char**>(p.address));
                lengths[i] = p.length;
                break;
            }
        }
        m_callback(m_user, event, count, values, lengths);
        for (int i = 0; i < count; ++i) {
            const EventParam& p = params[i];
            if (!p.answerable)
                continue;
            if (p.kind == EventParam::Kind::Int)
                *static_cast<int*>(p.address) = int(values[i]);
            else if (p.kind == EventParam::Kind::Bool)
                *static_cast<bool*>(p.address) = values[i] != 0;
        }
        return 0;
    }

private:
    Engine m_engine;
    ComponentEventCallback m_callback;
    INT_PTR m_user;
};
