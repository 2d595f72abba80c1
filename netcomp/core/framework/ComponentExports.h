#pragma once
// The ten exported functions of a component, written once for all of them and
// driven by the component's descriptor tables (ComponentTable.h tells how to
// add a component):
//   struct <C>Component : ComponentDefaults {
//       using Engine = ...;
//       static constexpr auto& kProperties = k<C>Properties;   // PropertyDescriptor<Engine>[]
//       static constexpr auto& kMethods = k<C>Methods;         // MethodDescriptor<Engine>[], from 2 on
//       // StaticInit() and StaticDestroy() when the component binds a DLL
//   };
//   NETCOMP_DEFINE_COMPONENT(<C>, <C>Component)
//
// One guard keeps every exception inside: running out of memory becomes the
// code 200 with "Out of memory.", anything else the same code with its text.
//
// One rule keeps re-entry safe: while an action runs (ComponentTable.h), an
// action or a Set that comes from inside one of its events is refused with
// the component's busy code, so nothing frees what the running action uses;
// Config and the methods marked AnyTime run at any time, and _Destroy waits
// for the outermost call to return.
#include <winsock2.h>
#include <windows.h>

#include <array>
#include <exception>
#include <iterator>
#include <new>
#include <optional>

#include "netcomp/core/framework/ComponentBase.h"
#include "netcomp/core/framework/ComponentObject.h"
#include "netcomp/core/framework/ComponentTable.h"
#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/include/netcomp.h"

template <class Component>
struct ComponentExports {
    using Engine = typename Component::Engine;
    using Object = ComponentObject<Engine>;

    template <class F>
    static int Guard(Engine* engine, F&& body)
    {
        try {
            return body();
        } catch (const std::bad_alloc&) {
            if (engine)
                engine->SetLastErrorText("Out of memory.");
        } catch (const std::exception& e) {
            if (engine)
                engine->SetLastErrorText(e.what());
        } catch (...) {
            if (engine)
                engine->SetLastErrorText("Out of memory.");
        }
        if (engine)
            engine->SetLastCode(kOutOfMemory);
        return kOutOfMemory;
    }

    // The common end of _Set and _Do: the code becomes the object's last code
    // and gets its text. An unknown number keeps the text it found.
    static int Finish(Engine& engine, int rc)
    {
        engine.SetLastCode(rc);
        if (rc == kUnknownSetting)
            return rc;
        rc = engine.CheckResult(rc);
        engine.SetLastCode(rc);
        return rc;
    }

    static int StaticInit(HINSTANCE instance)
    {
        return Guard(nullptr, [&] {
            SetLibraryInstance(instance);
            LibraryStartup();
            return Component::StaticInit();
        });
    }

    static int StaticDestroy()
    {
        return Guard(nullptr, [&] {
            int rc = Component::StaticDestroy();
            LibraryShutdown();
            return rc;
        });
    }

    // The tables as ComponentInfo, made once.
    static const ComponentInfo& Info()
    {
        static const auto properties = [] {
            constexpr std::size_t n = std::size(Component::kProperties);
            std::array<PropertyInfo, n> list{};
            for (std::size_t i = 0; i < n; ++i) {
                const auto& d = Component::kProperties[i];
                list[i] = {d.number, d.type, d.get != nullptr, d.set != nullptr, d.checkIndex != nullptr, d.flags};
            }
            return list;
        }();
        static const auto methods = [] {
            constexpr std::size_t n = std::size(Component::kMethods);
            std::array<MethodInfo, n> list{};
            for (std::size_t i = 0; i < n; ++i) {
                const auto& d = Component::kMethods[i];
                list[i] = {d.number, d.argCount, d.anyTime};
            }
            return list;
        }();
        static const ComponentInfo info = {Component::kBusyCode, properties.data(), int(properties.size()),
                                           methods.data(), int(methods.size())};
        return info;
    }

    static void* Create(ComponentEventCallback callback, INT_PTR user, const char*)
    {
        try {
            return (new Object(callback, user, Info()))->Handle();
        } catch (...) {
            return nullptr;
        }
    }

    static void DeleteObject(void* obj) { delete Object::FromHandle(obj); }

    // From inside one of the object's own events, the object goes when the
    // call that fired the event has returned.
    static int Destroy(void* obj)
    {
        if (!obj)
            return 0;
        if (!Object::FromHandle(obj)->GetEngine().DeferDestroy(DeleteObject, obj))
            DeleteObject(obj);
        return 0;
    }

    static INT_PTR Get(void* obj, int property, int index, int* lengthOut)
    {
        if (!obj)
            return 0;
        Object& object = *Object::FromHandle(obj);
        Engine& engine = object.GetEngine();
        ComponentCall call(engine);
        engine.SetLastCode(0);
        const auto* d = FindDescriptor(Component::kProperties, property);
        if (!d || !d->get)
            return 0;
        INT_PTR value = 0;
        Guard(&engine, [&] {
            // A read that would act while an action runs, or at an index out
            // of range, reads as 0 (an empty text where the caller expects
            // text, or null where the component says so) and leaves its code
            // and text to be read.
            const bool bytes = d->type == ValueType::Text || d->type == ValueType::Binary;
            bool badIndex = false;
            int rc = kResultOk;
            if ((d->flags & kReadActs) && engine.ActionRunning()) {
                rc = engine.ComponentBase::RefuseBusy(Component::kBusyCode);
            } else if (d->checkIndex) {
                rc = d->checkIndex(engine, index, IndexUse::Access);
                badIndex = rc != kResultOk;
            }
            if (rc == kResultOk) {
                value = d->get(engine, object, property, index, lengthOut);
                return 0;
            }
            engine.SetLastCode(rc);
            if (bytes && !(badIndex && Component::kBadIndexReadsNull))
                value = reinterpret_cast<INT_PTR>("");
            if (bytes && lengthOut)
                *lengthOut = badIndex && d->type == ValueType::Binary && Component::kBadIndexCodeInLength ? rc : 0;
            return 0;
        });
        return value;
    }

    static int Set(void* obj, int property, int index, INT_PTR value, int length)
    {
        if (!obj)
            return kUnknownSetting;
        Engine& engine = Object::FromHandle(obj)->GetEngine();
        ComponentCall call(engine);
        const auto* d = FindDescriptor(Component::kProperties, property);
        if (!d || !d->set)
            return Finish(engine, kUnknownSetting);
        return Guard(&engine, [&] {
            if (!(d->flags & kSetAnyTime) && engine.ActionRunning())
                return Finish(engine, engine.ComponentBase::RefuseBusy(Component::kBusyCode));
            int rc = d->checkIndex ? d->checkIndex(engine, index, IndexUse::Access) : kResultOk;
            if (rc == kResultOk) {
                // A setting that connects, sends or waits (Connected, a
                // command, a presence) fires events while it runs; like a
                // method it is an action, so those events start no other.
                std::optional<ComponentAction> action;
                if (!(d->flags & kSetAnyTime))
                    action.emplace(engine);
                rc = d->set(engine, property, index, value, length);
            }
            return Finish(engine, rc);
        });
    }

    static int Do(void* obj, int method, int count, INT_PTR* args, int* lengths)
    {
        if (!obj)
            return kUnknownSetting;
        Engine& engine = Object::FromHandle(obj)->GetEngine();
        ComponentCall call(engine);
        return Guard(&engine, [&] {
            MethodArgs arguments(count, args, lengths);
            if (method == NETCOMP_METHOD_CONFIG) {
                const char* answer = arguments.Text(1);
                const int rc = engine.DoConfig(arguments.Text(0), &answer);
                arguments.Answer(1, answer);
                return Finish(engine, rc);
            }
            // A number the component has no method for does nothing, not even
            // to the last error: the result is the code the object holds from
            // its last call (0 after a Get).
            const auto* d = FindDescriptor(Component::kMethods, method);
            if (!d)
                return engine.LastCode();
            if (d->anyTime)
                return Finish(engine, d->call(engine, arguments));
            if (engine.ActionRunning())
                return Finish(engine, engine.ComponentBase::RefuseBusy(Component::kBusyCode));
            ComponentAction action(engine);
            return Finish(engine, d->call(engine, arguments));
        });
    }

    static int CheckIndex(void* obj, int property, int index)
    {
        if (!obj)
            return 0;
        Engine& engine = Object::FromHandle(obj)->GetEngine();
        const auto* d = FindDescriptor(Component::kProperties, property);
        if (!d || !d->checkIndex)
            return 0;
        ComponentCall call(engine);
        return Guard(&engine,
                     [&] { return d->checkIndex(engine, index, IndexUse::Check) ? kIndexOutOfRange : kResultOk; });
    }

    static const char* GetLastError(void* obj)
    {
        return obj ? Object::FromHandle(obj)->GetEngine().LastErrorText() : "";
    }

    static int GetLastErrorCode(void* obj) { return obj ? Object::FromHandle(obj)->GetEngine().LastCode() : 0; }
};

#define NETCOMP_DEFINE_COMPONENT(C, Component)                                                                         \
    extern "C" int WINAPI C##_StaticInit(HINSTANCE instance)                                                           \
    {                                                                                                                  \
        return ComponentExports<Component>::StaticInit(instance);                                                      \
    }                                                                                                                  \
    extern "C" int WINAPI C##_StaticDestroy(void)                                                                      \
    {                                                                                                                  \
        return ComponentExports<Component>::StaticDestroy();                                                           \
    }                                                                                                                  \
    extern "C" void* WINAPI C##_Create(ComponentEventCallback callback, INT_PTR user, const char* reserved)            \
    {                                                                                                                  \
        return ComponentExports<Component>::Create(callback, user, reserved);                                          \
    }                                                                                                                  \
    extern "C" int WINAPI C##_Destroy(void* obj)                                                                       \
    {                                                                                                                  \
        return ComponentExports<Component>::Destroy(obj);                                                              \
    }                                                                                                                  \
    extern "C" INT_PTR WINAPI C##_Get(void* obj, int property, int index, int* lengthOut)                              \
    {                                                                                                                  \
        return ComponentExports<Component>::Get(obj, property, index, lengthOut);                                      \
    }                                                                                                                  \
    extern "C" int WINAPI C##_Set(void* obj, int property, int index, INT_PTR value, int length)                       \
    {                                                                                                                  \
        return ComponentExports<Component>::Set(obj, property, index, value, length);                                  \
    }                                                                                                                  \
    extern "C" int WINAPI C##_Do(void* obj, int method, int count, INT_PTR* args, int* lengths)                        \
    {                                                                                                                  \
        return ComponentExports<Component>::Do(obj, method, count, args, lengths);                                     \
    }                                                                                                                  \
    extern "C" int WINAPI C##_CheckIndex(void* obj, int property, int index)                                           \
    {                                                                                                                  \
        return ComponentExports<Component>::CheckIndex(obj, property, index);                                          \
    }                                                                                                                  \
    extern "C" const char* WINAPI C##_GetLastError(void* obj)                                                          \
    {                                                                                                                  \
        return ComponentExports<Component>::GetLastError(obj);                                                         \
    }                                                                                                                  \
    extern "C" int WINAPI C##_GetLastErrorCode(void* obj)                                                              \
    {                                                                                                                  \
        return ComponentExports<Component>::GetLastErrorCode(obj);                                                     \
    }
