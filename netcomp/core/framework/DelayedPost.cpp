// One thread posts for every thread of the process that scheduled a post.
// It starts with the first post and ends once it has had nothing to do for
// two seconds. While it runs it holds a reference to the module its code is
// in, so that a program that frees the library meanwhile does not take the
// code from under it; it lets go of the reference as it ends
// (FreeLibraryAndExitThread).
//
// A post that the window's queue refuses (full) is tried again 10 ms later;
// one to a window that is gone is dropped.
#include "netcomp/core/framework/DelayedPost.h"

#include <new>
#include <vector>

namespace {

constexpr DWORD kIdleEndMilliseconds = 2000;
constexpr DWORD kRetryMilliseconds = 10;

struct Entry {
    DWORD thread;
    HWND window;
    UINT message;
    WPARAM wParam;
    DWORD due;
};

struct State {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
    std::vector<Entry> entries;
    bool running = false;
    // The tick the posting thread sleeps until (while it has entries): a
    // post due later needs no wake-up.
    bool sleeping = false;
    DWORD sleepsUntil = 0;
};

// Made as the library loads, not by its first user: the C++ runtime's guard
// of a function's static gives the first thread through it a record that is
// freed only at that thread's exit, which never comes for a thread that
// unloads the library itself. Never destroyed by the runtime: in a program
// that links the library, the posting thread may still run while the
// process ends (ReleaseMemory gives back what an unloaded library held).
union SharedState {
    State state;
    SharedState() : state() {}
    ~SharedState() {}
};
SharedState g_shared;

State& Shared()
{
    return g_shared.state;
}

// Milliseconds until the tick `due` (0 when it has come), across the tick
// count's wrap.
DWORD Left(DWORD due, DWORD now)
{
    const auto ahead = static_cast<LONG>(due - now);
    return ahead > 0 ? DWORD(ahead) : 0;
}

// The entry of a thread, or null.
Entry* Find(State& s, DWORD thread)
{
    for (Entry& e : s.entries) {
        if (e.thread == thread)
            return &e;
    }
    return nullptr;
}

// Under the lock: true when the entry was stored.
bool Store(State& s, const Entry& entry)
{
    if (Entry* existing = Find(s, entry.thread)) {
        *existing = entry;
        return true;
    }
    try {
        s.entries.push_back(entry);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

DWORD WINAPI Run(void* module)
{
    State& s = Shared();
    AcquireSRWLockExclusive(&s.lock);
    DWORD idleSince = GetTickCount();
    for (;;) {
        const DWORD now = GetTickCount();
        if (s.entries.empty()) {
            if (now - idleSince >= kIdleEndMilliseconds) {
                s.running = false;
                break;
            }
            SleepConditionVariableSRW(&s.changed, &s.lock, kIdleEndMilliseconds - (now - idleSince), 0);
            continue;
        }
        std::size_t next = 0;
        for (std::size_t i = 1; i < s.entries.size(); ++i) {
            if (Left(s.entries[i].due, now) < Left(s.entries[next].due, now))
                next = i;
        }
        const DWORD wait = Left(s.entries[next].due, now);
        if (wait > 0) {
            s.sleeping = true;
            s.sleepsUntil = s.entries[next].due;
            SleepConditionVariableSRW(&s.changed, &s.lock, wait, 0);
            s.sleeping = false;
            continue;
        }
        const Entry entry = s.entries[next];
        s.entries.erase(s.entries.begin() + std::ptrdiff_t(next));
        ReleaseSRWLockExclusive(&s.lock);
        const bool posted = PostMessageA(entry.window, entry.message, entry.wParam, LPARAM(GetTickCount())) != FALSE;
        const bool retry = !posted && IsWindow(entry.window);
        AcquireSRWLockExclusive(&s.lock);
        // The thread may have scheduled another post meanwhile: that one stands.
        if (retry && !Find(s, entry.thread)) {
            Entry again = entry;
            again.due = GetTickCount() + kRetryMilliseconds;
            (void)Store(s, again);
        }
        idleSince = GetTickCount();
    }
    ReleaseSRWLockExclusive(&s.lock);
    if (module)
        FreeLibraryAndExitThread(static_cast<HMODULE>(module), 0);
    return 0;
}

// A reference to the module that holds this code, for the posting thread;
// null where it is the program itself, which is never unloaded.
HMODULE HoldModule()
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&Run), &module))
        return nullptr;
    if (module == GetModuleHandleA(nullptr))
        return nullptr;
    return module;
}

} // namespace

namespace DelayedPost {

bool Schedule(HWND window, UINT message, WPARAM wParam, DWORD milliseconds)
{
    State& s = Shared();
    const Entry entry{GetCurrentThreadId(), window, message, wParam, GetTickCount() + milliseconds};
    AcquireSRWLockExclusive(&s.lock);
    if (!Store(s, entry)) {
        ReleaseSRWLockExclusive(&s.lock);
        return false;
    }
    const bool start = !s.running;
    s.running = true;
    const bool wake = !s.sleeping || Left(entry.due, GetTickCount()) < Left(s.sleepsUntil, GetTickCount());
    ReleaseSRWLockExclusive(&s.lock);
    if (wake)
        WakeConditionVariable(&s.changed);
    if (!start)
        return true;
    HMODULE module = HoldModule();
    HANDLE thread = CreateThread(nullptr, 0, Run, module, 0, nullptr);
    if (thread) {
        CloseHandle(thread);
        return true;
    }
    if (module)
        FreeLibrary(module);
    AcquireSRWLockExclusive(&s.lock);
    s.running = false;
    ReleaseSRWLockExclusive(&s.lock);
    Cancel();
    return false;
}

void Cancel()
{
    State& s = Shared();
    const DWORD thread = GetCurrentThreadId();
    AcquireSRWLockExclusive(&s.lock);
    if (const Entry* e = Find(s, thread))
        s.entries.erase(s.entries.begin() + (e - s.entries.data()));
    ReleaseSRWLockExclusive(&s.lock);
}

void ReleaseMemory()
{
    State& s = Shared();
    AcquireSRWLockExclusive(&s.lock);
    std::vector<Entry>().swap(s.entries);
    ReleaseSRWLockExclusive(&s.lock);
}

} // namespace DelayedPost
