#pragma once
// One component owned by C++ code inside the program (the audit engine's
// IPInfo, the network audit's Ping): created with the holder, destroyed with
// it, and read and written through typed helpers instead of casts of
// INT_PTR. The program still calls <C>_StaticInit once before the first
// holder and <C>_StaticDestroy after the last.
//
//   ComponentHolder<PingFunctions> ping;
//   if (ping.SetText(kPingRemoteHost, "127.0.0.1") != 0) ... ping.LastError() ...
//   std::string answer;
//   int rc = ping.Query("UseICMPDLL", answer);
#include <winsock2.h>
#include <windows.h>

#include <initializer_list>
#include <new>
#include <string>
#include <vector>

#include "netcomp/include/netcomp.h"

// <C>Functions: the ten functions of each component of the export list.
#pragma push_macro("NETCOMP_DECLARE_COMPONENT")
#undef NETCOMP_DECLARE_COMPONENT
#define NETCOMP_DECLARE_COMPONENT(C)                                                                                   \
    struct C##Functions {                                                                                              \
        static void* Create(ComponentEventCallback callback, INT_PTR user) { return C##_Create(callback, user, ""); }  \
        static int Destroy(void* obj) { return C##_Destroy(obj); }                                                     \
        static INT_PTR Get(void* obj, int p, int i, int* n) { return C##_Get(obj, p, i, n); }                          \
        static int Set(void* obj, int p, int i, INT_PTR v, int n) { return C##_Set(obj, p, i, v, n); }                 \
        static int Do(void* obj, int m, int c, INT_PTR* a, int* n) { return C##_Do(obj, m, c, a, n); }                 \
        static int CheckIndex(void* obj, int p, int i) { return C##_CheckIndex(obj, p, i); }                           \
        static const char* GetLastError(void* obj) { return C##_GetLastError(obj); }                                   \
        static int GetLastErrorCode(void* obj) { return C##_GetLastErrorCode(obj); }                                   \
    };
#include "netcomp/include/netcomp_components.h"
#pragma pop_macro("NETCOMP_DECLARE_COMPONENT")

template <class Functions>
class ComponentHolder {
public:
    // Throws std::bad_alloc when the component cannot be created.
    explicit ComponentHolder(ComponentEventCallback callback = nullptr, INT_PTR user = 0)
        : m_obj(Functions::Create(callback, user))
    {
        if (!m_obj)
            throw std::bad_alloc();
    }
    ~ComponentHolder() { Functions::Destroy(m_obj); }
    ComponentHolder(const ComponentHolder&) = delete;
    ComponentHolder& operator=(const ComponentHolder&) = delete;

    void* Handle() const { return m_obj; }

    INT_PTR Get(int property, int index = 0) const { return Functions::Get(m_obj, property, index, nullptr); }
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
        const char* data = reinterpret_cast<const char*>(Functions::Get(m_obj, property, index, &length));
        return data && length > 0 ? std::string(data, std::size_t(length)) : std::string();
    }

    [[nodiscard]] int Set(int property, INT_PTR value, int index = 0)
    {
        return Functions::Set(m_obj, property, index, value, 0);
    }
    [[nodiscard]] int SetText(int property, const char* text, int index = 0)
    {
        return Set(property, reinterpret_cast<INT_PTR>(text), index);
    }
    [[nodiscard]] int SetBytes(int property, const std::string& bytes, int index = 0)
    {
        return Functions::Set(m_obj, property, index, reinterpret_cast<INT_PTR>(bytes.data()), int(bytes.size()));
    }

    // A method whose arguments are texts, in order.
    [[nodiscard]] int Do(int method, std::initializer_list<const char*> texts = {})
    {
        std::vector<INT_PTR> args;
        for (const char* text : texts)
            args.push_back(reinterpret_cast<INT_PTR>(text));
        std::vector<int> lengths(args.size(), 0);
        return Functions::Do(m_obj, method, int(args.size()), args.data(), lengths.data());
    }
    // Config "key=value".
    [[nodiscard]] int Config(const char* setting) { return Do(NETCOMP_METHOD_CONFIG, {setting}); }
    // Config "key": the answer text, or the empty text when the query fails.
    [[nodiscard]] int Query(const char* key, std::string& answer)
    {
        INT_PTR args[2] = {reinterpret_cast<INT_PTR>(key), 0};
        int lengths[2] = {};
        const int rc = Functions::Do(m_obj, NETCOMP_METHOD_CONFIG, 2, args, lengths);
        answer = args[1] ? reinterpret_cast<const char*>(args[1]) : "";
        return rc;
    }

    int CheckIndex(int property, int index) const { return Functions::CheckIndex(m_obj, property, index); }
    const char* LastError() const { return Functions::GetLastError(m_obj); }
    int LastErrorCode() const { return Functions::GetLastErrorCode(m_obj); }

private:
    void* m_obj;
};
