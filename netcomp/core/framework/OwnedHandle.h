#pragma once
// RAII holders for what the engines open: sockets of the Winsock binding,
// kernel handles, and handles with a closer of their own (icmp.dll's). Each
// closes what it holds when it goes or when it is given something else, so a
// failed set-up half-way cannot leak, and an engine's destructor need not
// remember what is open.
#include <winsock2.h>
#include <windows.h>

#include <utility>

#include "netcomp/core/framework/WinsockBinding.h"

// Traits: Type, Invalid() and Close(Type).
template <class Traits>
class OwnedHandle {
public:
    using Type = typename Traits::Type;

    OwnedHandle() = default;
    explicit OwnedHandle(Type value) : m_value(value) {}
    ~OwnedHandle() { Reset(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    OwnedHandle(OwnedHandle&& other) noexcept : m_value(other.Release()) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    Type Get() const { return m_value; }
    bool IsOpen() const { return m_value != Traits::Invalid(); }

    // Closes the held value (if any) and takes the new one.
    void Reset(Type value = Traits::Invalid())
    {
        Type old = std::exchange(m_value, value);
        if (old != Traits::Invalid())
            Traits::Close(old);
    }

    // Gives the value up without closing it.
    Type Release() { return std::exchange(m_value, Traits::Invalid()); }

private:
    Type m_value = Traits::Invalid();
};

// A socket of the Winsock binding, closed through the binding's table.
struct SocketTraits {
    using Type = SOCKET;
    static SOCKET Invalid() { return INVALID_SOCKET; }
    static void Close(SOCKET socket) { Ws().closesocket(socket); }
};
using SocketHandle = OwnedHandle<SocketTraits>;

// A kernel handle (events, threads, files), closed with CloseHandle.
struct KernelHandleTraits {
    using Type = HANDLE;
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
using KernelHandle = OwnedHandle<KernelHandleTraits>;
