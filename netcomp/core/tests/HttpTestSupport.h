#pragma once
// Drives one HTTP component through its exported functions and records its
// events, for the tests against the scripted peer and the real servers.
#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "netcomp/core/framework/AnswerText.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_http.h"
#include "netcomp/testing/EventRecorder.h"

constexpr int kCapturePort = 20400;
constexpr int kApachePort = 20401;
constexpr int kTinyproxyPort = 20402;
constexpr int kDantePort = 20403;
constexpr int kMicrosocksPort = 20404;

class HttpObject {
    EventRecorder m_recorder; // first: `events` refers into it

public:
    HttpObject() : events(m_recorder.events)
    {
        m_recorder.TextsAt(kHttpEventConnectionStatus, {0, 2});
        m_recorder.TextsAt(kHttpEventError, {1});
        m_recorder.TextsAt(kHttpEventHeader, {0, 1});
        m_recorder.TextsAt(kHttpEventRedirect, {0});
        m_recorder.TextsAt(kHttpEventSetCookie, {0, 1, 2, 3, 4});
        m_recorder.TextsAt(kHttpEventStatus, {0, 2});
        m_recorder.OnEvent(kHttpEventStatus, [this](const RecordedEvent&) {
            if (interruptOnStatus)
                HTTP_Do(m_obj, kHttpMethodInterrupt, 0, nullptr, nullptr);
        });
        HTTP_StaticInit(GetModuleHandleA(nullptr));
        m_obj = HTTP_Create(EventRecorder::Callback, m_recorder.User(), nullptr);
    }
    ~HttpObject() { HTTP_Destroy(m_obj); }
    HttpObject(const HttpObject&) = delete;
    HttpObject& operator=(const HttpObject&) = delete;

    void* Handle() const { return m_obj; }
    int Set(int property, const char* text) { return HTTP_Set(m_obj, property, 0, reinterpret_cast<INT_PTR>(text), 0); }
    int SetBytes(int property, const std::string& bytes)
    {
        return HTTP_Set(m_obj, property, 0, reinterpret_cast<INT_PTR>(bytes.data()), int(bytes.size()));
    }
    int SetInt(int property, int value) { return HTTP_Set(m_obj, property, 0, value, 0); }
    std::string Text(int property, int index = 0)
    {
        return reinterpret_cast<const char*>(HTTP_Get(m_obj, property, index, nullptr));
    }
    INT_PTR Int(int property) { return HTTP_Get(m_obj, property, 0, nullptr); }
    std::string Data()
    {
        int length = 0;
        const char* data = reinterpret_cast<const char*>(HTTP_Get(m_obj, kHttpTransferredData, 0, &length));
        return std::string(data, size_t(length));
    }
    int Do(int method, const char* argument = nullptr)
    {
        INT_PTR args[2] = {reinterpret_cast<INT_PTR>(argument), 0};
        int lengths[2] = {0, 0};
        return HTTP_Do(m_obj, method, argument ? 1 : 0, args, lengths);
    }
    int Get(const std::string& url) { return Do(kHttpMethodGet, url.c_str()); }
    std::string Config(const char* text)
    {
        INT_PTR args[2] = {reinterpret_cast<INT_PTR>(text), 0};
        int lengths[2] = {0, 0};
        m_lastConfig = HTTP_Do(m_obj, kHttpMethodConfig, 2, args, lengths);
        return AnswerText(args[1]);
    }
    std::string Error() { return HTTP_GetLastError(m_obj); }
    int Count(int event) const
    {
        int n = 0;
        for (const auto& e : events)
            n += e.event == event;
        return n;
    }

    // The owner answers every Redirect event with a refusal.
    void RefuseRedirects() { m_recorder.AnswerWith(kHttpEventRedirect, 1, 0); }
    // Runs inside each event of that number, after it is recorded.
    void OnEvent(int event, std::function<void()> action)
    {
        m_recorder.OnEvent(event, [action](const RecordedEvent&) { action(); });
    }

    std::vector<RecordedEvent>& events;
    bool interruptOnStatus = false;
    int m_lastConfig = 0;

private:
    void* m_obj = nullptr;
};

inline std::string Url(int port, const std::string& path)
{
    return "http://127.0.0.1:" + std::to_string(port) + path;
}
