#pragma once
// The ten exported functions of a component, written once for all of them.
//
// A component supplies an adapter class (ComponentAdapterDefaults gives the last three):
//   using Engine = ...; static constexpr int kMethodCount = n;   // methods 1..n; 1 is Config
//   static INT_PTR Get(Engine&, int property, int index, int* lengthOut);
//   static int Set(Engine&, int property, int index, INT_PTR value, int length);
//   static int Do(Engine&, int method, int count, INT_PTR* args, int* lengths);   // methods 2..n
//   static int StaticInit(); static int StaticDestroy(); static int CheckIndex(Engine&, int, int);
// and one line NETCOMP_DEFINE_COMPONENT(<C>, <Adapter>) in a .cpp file.
//
// One guard keeps every exception inside: running out of memory becomes the
// code 200 with "Out of memory.", anything else the same code with its text.
#include <winsock2.h>
#include <windows.h>

#include <exception>
#include <new>

#include "netcomp/core/ComponentBase.h"
#include "netcomp/core/ComponentObject.h"
#include "netcomp/core/NotifyWindow.h"
#include "netcomp/core/ResultCodes.h"
#include "netcomp/core/netcomp.h"

// What most adapters share: nothing to do at start-up and shut-down beyond
// the library's own, and no array properties.
struct ComponentAdapterDefaults {
    static int StaticInit() { return 0; }
    static int StaticDestroy() { return 0; }
    template <class Engine>
    static int CheckIndex(Engine&, int, int)
    {
        return 0;
    }
};

template <class Adapter>
struct ComponentExports {
    using Engine = typename Adapter::Engine;
    using Object = ComponentObject<Engine>;

    static Engine& EngineOf(void* obj) { return static_cast<Object*>(obj)->GetEngine(); }

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
    // and gets its text. An unknown property keeps the text it found.
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
            return Adapter::StaticInit();
        });
    }

    static int StaticDestroy()
    {
        return Guard(nullptr, [&] {
            int rc = Adapter::StaticDestroy();
            LibraryShutdown();
            return rc;
        });
    }

    static void* Create(ComponentEventCallback callback, INT_PTR user, const char*)
    {
        try {
            return new Object(callback, user);
        } catch (...) {
            return nullptr;
        }
    }

    static void DeleteObject(void* obj) { delete static_cast<Object*>(obj); }

    // From inside one of the object's own events, the object goes when the
    // call that fired the event has returned.
    static int Destroy(void* obj)
    {
        if (!obj)
            return 0;
        if (!EngineOf(obj).DeferDestroy(DeleteObject, obj))
            DeleteObject(obj);
        return 0;
    }

    static INT_PTR Get(void* obj, int property, int index, int* lengthOut)
    {
        if (!obj)
            return 0;
        Engine& engine = EngineOf(obj);
        ComponentCall call(engine);
        engine.SetLastCode(0);
        INT_PTR value = 0;
        Guard(&engine, [&] {
            value = Adapter::Get(engine, property, index, lengthOut);
            return 0;
        });
        return value;
    }

    static int Set(void* obj, int property, int index, INT_PTR value, int length)
    {
        if (!obj)
            return kUnknownSetting;
        Engine& engine = EngineOf(obj);
        ComponentCall call(engine);
        return Guard(&engine, [&] { return Finish(engine, Adapter::Set(engine, property, index, value, length)); });
    }

    static int Do(void* obj, int method, int count, INT_PTR* args, int* lengths)
    {
        if (!obj)
            return kUnknownSetting;
        Engine& engine = EngineOf(obj);
        ComponentCall call(engine);
        return Guard(&engine, [&] {
            int rc;
            if (method == 1) {
                const char* text = (args && count >= 1) ? reinterpret_cast<const char*>(args[0]) : nullptr;
                const char* answer = (args && count >= 2) ? reinterpret_cast<const char*>(args[1]) : nullptr;
                rc = engine.DoConfig(text, &answer);
                if (args && count >= 2)
                    args[1] = reinterpret_cast<INT_PTR>(answer);
            } else if (method >= 2 && method <= Adapter::kMethodCount) {
                rc = Adapter::Do(engine, method, count, args, lengths);
            } else {
                rc = engine.LastCode();
            }
            return Finish(engine, rc);
        });
    }

    static int CheckIndex(void* obj, int property, int index)
    {
        if (!obj)
            return 0;
        Engine& engine = EngineOf(obj);
        ComponentCall call(engine);
        return Guard(&engine, [&] { return Adapter::CheckIndex(engine, property, index); });
    }

    static const char* GetLastError(void* obj) { return obj ? EngineOf(obj).LastErrorText() : ""; }

    static int GetLastErrorCode(void* obj) { return obj ? EngineOf(obj).LastCode() : 0; }
};

#define NETCOMP_DEFINE_COMPONENT(C, Adapter)                                                                           \
    extern "C" int WINAPI C##_StaticInit(HINSTANCE instance)                                                           \
    {                                                                                                                  \
        return ComponentExports<Adapter>::StaticInit(instance);                                                        \
    }                                                                                                                  \
    extern "C" int WINAPI C##_StaticDestroy(void)                                                                      \
    {                                                                                                                  \
        return ComponentExports<Adapter>::StaticDestroy();                                                             \
    }                                                                                                                  \
    extern "C" void* WINAPI C##_Create(ComponentEventCallback callback, INT_PTR user, const char* reserved)            \
    {                                                                                                                  \
        return ComponentExports<Adapter>::Create(callback, user, reserved);                                            \
    }                                                                                                                  \
    extern "C" int WINAPI C##_Destroy(void* obj)                                                                       \
    {                                                                                                                  \
        return ComponentExports<Adapter>::Destroy(obj);                                                                \
    }                                                                                                                  \
    extern "C" INT_PTR WINAPI C##_Get(void* obj, int property, int index, int* lengthOut)                              \
    {                                                                                                                  \
        return ComponentExports<Adapter>::Get(obj, property, index, lengthOut);                                        \
    }                                                                                                                  \
    extern "C" int WINAPI C##_Set(void* obj, int property, int index, INT_PTR value, int length)                       \
    {                                                                                                                  \
        return ComponentExports<Adapter>::Set(obj, property, index, value, length);                                    \
    }                                                                                                                  \
    extern "C" int WINAPI C##_Do(void* obj, int method, int count, INT_PTR* args, int* lengths)                        \
    {                                                                                                                  \
        return ComponentExports<Adapter>::Do(obj, method, count, args, lengths);                                       \
    }                                                                                                                  \
    extern "C" int WINAPI C##_CheckIndex(void* obj, int property, int index)                                           \
    {                                                                                                                  \
        return ComponentExports<Adapter>::CheckIndex(obj, property, index);                                            \
    }                                                                                                                  \
    extern "C" const char* WINAPI C##_GetLastError(void* obj)                                                          \
    {                                                                                                                  \
        return ComponentExports<Adapter>::GetLastError(obj);                                                           \
    }                                                                                                                  \
    extern "C" int WINAPI C##_GetLastErrorCode(void* obj)                                                              \
    {                                                                                                                  \
        return ComponentExports<Adapter>::GetLastErrorCode(obj);                                                       \
    }
