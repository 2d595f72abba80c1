#pragma once
// A system library that several components share, bound at run time: the
// first reference loads it and takes its entry points by name, the last one
// frees it. References come from the components' StaticInit (given back by
// StaticDestroy) and from every engine that calls into the library, for as
// long as it lives, so one component's shut-down never pulls the library
// away from another. A library in which a thread of the system may still run
// after the calls into it have returned (one that calls back or posts
// notifications from a thread of its own) is kept for the process instead,
// once loaded: nothing tells when such a thread has left. Safe to take and
// give back from any thread.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <mutex>

enum class DllLifetime {
    WhileReferenced, // the last reference frees the library
    Process,         // once loaded, the library stays until the process ends
};

class DllBinding {
public:
    static constexpr int kMaxEntries = 16;

    // names: the entry points, looked up in this order (at most kMaxEntries).
    DllBinding(const char* fileName, const char* const* names, int count,
               DllLifetime lifetime = DllLifetime::WhileReferenced);
    DllBinding(const DllBinding&) = delete;
    DllBinding& operator=(const DllBinding&) = delete;

    // Takes one reference and loads the library when it is not loaded yet
    // (a library that failed to load is tried again by the next reference).
    // True when the library is loaded.
    bool Acquire();
    void Release();

    // Entry point i, or null while the library is not loaded or lacks it.
    template <class Fn>
    Fn Entry(int index) const
    {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(m_entries[index].load(std::memory_order_acquire)));
    }

    unsigned References() const;
    bool IsLoaded() const;

private:
    const char* m_fileName;
    const char* const* m_names;
    int m_count;
    DllLifetime m_lifetime;
    mutable std::mutex m_lock;
    HMODULE m_module = nullptr;
    unsigned m_references = 0;
    std::atomic<FARPROC> m_entries[kMaxEntries] = {};
};

// One reference on a binding, held for the holder's lifetime.
class DllReference {
public:
    explicit DllReference(DllBinding& binding) : m_binding(binding) { m_binding.Acquire(); }
    ~DllReference() { m_binding.Release(); }
    DllReference(const DllReference&) = delete;
    DllReference& operator=(const DllReference&) = delete;

private:
    DllBinding& m_binding;
};
