#include "winui/WorkerThread.h"

#include <utility>

bool WorkerThread::Start(std::function<void()> body)
{
    Join();
    m_failed = false;
    m_body = std::move(body);
    m_thread = CreateThread(nullptr, 0, &WorkerThread::Entry, this, 0, nullptr);
    return m_thread != nullptr;
}

void WorkerThread::Join()
{
    if (m_thread != nullptr) {
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
}

DWORD WINAPI WorkerThread::Entry(LPVOID parameter)
{
    WorkerThread* self = static_cast<WorkerThread*>(parameter);
    try {
        self->m_body();
    } catch (...) {
        self->m_failed = true;
    }
    return 0;
}
