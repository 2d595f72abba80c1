// A thread that runs one function and is joined when the object goes. The
// function talks to windows only by posting messages; whatever it throws is
// caught at the thread's entry and recorded, never left to end the program.
#pragma once

#include <windows.h>

#include <functional>

class WorkerThread {
public:
    WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    ~WorkerThread() { Join(); }

    bool Start(std::function<void()> body);
    void Join();
    // True when the body ended with an exception.
    bool Failed() const { return m_failed; }

private:
    static DWORD WINAPI Entry(LPVOID parameter);

    std::function<void()> m_body;
    HANDLE m_thread = nullptr;
    volatile bool m_failed = false;
};
