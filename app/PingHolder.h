// The network audit's Ping component: one per batch, made and used on the
// batch's worker thread (its notification window belongs to that thread).
#pragma once

#include <memory>
#include <string>

// netcomp/core/framework/ComponentHolder.h; it brings winsock2.h, which must
// come before windows.h, so the files that include this one do not see it.
class ComponentHandle;

class PingHolder {
public:
    // Waits at most timeoutSeconds for each answer, counted from the ping
    // on. Throws t_exception when the component cannot be created.
    explicit PingHolder(int timeoutSeconds);
    virtual ~PingHolder();
    PingHolder(const PingHolder&) = delete;
    PingHolder& operator=(const PingHolder&) = delete;

    // 0 when host answered.
    int Ping(const std::string& host);

    // The component's two events, Error and Response, change nothing.
    virtual int OnError() { return 0; }
    virtual int OnResponse() { return 0; }

private:
    std::unique_ptr<ComponentHandle> m_component;
};
