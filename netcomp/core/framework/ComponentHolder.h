#pragma once
// One component owned by C++ code inside the program (the document's SOAP
// component, the audit engine's IPInfo, the network audit's Ping): created
// with the holder, destroyed with it, and read and written through typed
// helpers instead of casts of INT_PTR. The program still calls
// <C>_StaticInit once before the first holder and <C>_StaticDestroy after
// the last.
//
//   ComponentHolder<PingFunctions> ping;
//   if (ping.SetText(kPingRemoteHost, "127.0.0.1") != 0) ... ping.LastError() ...
//   std::string answer;
//   int rc = ping.Query("UseICMPDLL", answer);
//
// ComponentHandle is the same over a table of the ten functions chosen at
// run time (<C>Functions::kApi, or a test's scripted stand-in), and it does
// not throw: a component that could not be created has a null handle, which
// every function of the interface takes and refuses.
#include <winsock2.h>
#include <windows.h>

#include <initializer_list>
#include <new>
#include <string>
#include <vector>

#include "netcomp/core/framework/AnswerText.h"
#include "netcomp/include/netcomp.h"

// The exported functions of one component, but StaticInit and StaticDestroy.
struct ComponentApi {
    void*(WINAPI* create)(ComponentEventCallback callback, INT_PTR user, const char* reserved);
    int(WINAPI* destroy)(void* obj);
    INT_PTR(WINAPI* get)(void* obj, int property, int index, int* lengthOut);
    int(WINAPI* set)(void* obj, int property, int index, INT_PTR value, int length);
    int(WINAPI* doMethod)(void* obj, int method, int count, INT_PTR* args, int* lengths);
    int(WINAPI* checkIndex)(void* obj, int property, int index);
    const char*(WINAPI* lastError)(void* obj);
    int(WINAPI* lastErrorCode)(void* obj);
};

// <C>Functions::kApi: the functions of each component of the export list.
#pragma push_macro("NETCOMP_DECLARE_COMPONENT")
#undef NETCOMP_DECLARE_COMPONENT
#define NETCOMP_DECLARE_COMPONENT(C)                                                                                   \
    struct C##Functions {                                                                                              \
        static constexpr ComponentApi kApi = {C##_Create, C##_Destroy,    C##_Get,          C##_Set,                   \
                                              C##_Do,     C##_CheckIndex, C##_GetLastError, C##_GetLastErrorCode};     \
    };
#include "netcomp/include/netcomp_components.h"
#pragma pop_macro("NETCOMP_DECLARE_COMPONENT")

class ComponentHandle {
public:
    ComponentHandle(const ComponentApi& api, ComponentEventCallback callback, INT_PTR user)
        : m_api(api), m_obj(api.create(callback, user, ""))
    {
    }
    ~ComponentHandle() { m_api.destroy(m_obj); }
    ComponentHandle(const ComponentHandle&) = delete;
    ComponentHandle& operator=(const ComponentHandle&) = delete;

    void* Handle() const { return m_obj; }

    INT_PTR Get(int property, int index = 0) const { return m_api.get(m_obj, property, index, nullptr); }
    int GetInt(int property, int index = 0) const { return int(Get(property, index)); }
    bool GetBool(int property, int index = 0) const { return Get(property, index) != 0; }
    std::string GetText(int property, int index = 0) const
    {
        const char* text = reinterpret_cast<const char*>(Get(property, index));
        return text ? text : "";
    }
    std::string GetBytes(int property, int index = 0) const
    {
        int length = 0;
        const char* data = reinterpret_cast<const char*>(m_api.get(m_obj, property, index, &length));
        return data && length > 0 ? std::string(data, std::size_t(length)) : std::string();
    }

    [[nodiscard]] int Set(int property, INT_PTR value, int index = 0)
    {
        return m_api.set(m_obj, property, index, value, 0);
    }
    [[nodiscard]] int SetText(int property, const char* text, int index = 0)
    {
        return Set(property, reinterpret_cast<INT_PTR>(text), index);
    }
    [[nodiscard]] int SetBytes(int property, const std::string& bytes, int index = 0)
    {
        return m_api.set(m_obj, property, index, reinterpret_cast<INT_PTR>(bytes.data()), int(bytes.size()));
    }

    // A method whose arguments are texts, in order.
    [[nodiscard]] int Do(int method, std::initializer_list<const char*> texts = {})
    {
        std::vector<INT_PTR> args;
        for (const char* text : texts)
            args.push_back(reinterpret_cast<INT_PTR>(text));
        return DoWith(method, args);
    }
    [[nodiscard]] int Do(int method, const std::vector<std::string>& texts)
    {
        std::vector<INT_PTR> args;
        for (const std::string& text : texts)
            args.push_back(reinterpret_cast<INT_PTR>(text.c_str()));
        return DoWith(method, args);
    }
    // Config "key=value".
    [[nodiscard]] int Config(const char* setting) { return Do(NETCOMP_METHOD_CONFIG, {setting}); }
    // Config "key": the answer text, or the empty text when the query fails.
    [[nodiscard]] int Query(const char* key, std::string& answer)
    {
        INT_PTR args[2] = {reinterpret_cast<INT_PTR>(key), 0};
        int lengths[2] = {};
        const int rc = m_api.doMethod(m_obj, NETCOMP_METHOD_CONFIG, 2, args, lengths);
        answer = AnswerText(args[1]);
        return rc;
    }

    int CheckIndex(int property, int index) const { return m_api.checkIndex(m_obj, property, index); }
    const char* LastError() const { return m_api.lastError(m_obj); }
    int LastErrorCode() const { return m_api.lastErrorCode(m_obj); }

private:
    int DoWith(int method, std::vector<INT_PTR>& args)
    {
        std::vector<int> lengths(args.size(), 0);
        return m_api.doMethod(m_obj, method, int(args.size()), args.empty() ? nullptr : args.data(),
                              lengths.empty() ? nullptr : lengths.data());
    }

    const ComponentApi& m_api;
    void* m_obj;
};

template <class Functions>
class ComponentHolder : public ComponentHandle {
public:
    // Throws std::bad_alloc when the component cannot be created.
    explicit ComponentHolder(ComponentEventCallback callback = nullptr, INT_PTR user = 0)
        : ComponentHandle(Functions::kApi, callback, user)
    {
        if (!Handle())
            throw std::bad_alloc();
    }
};
