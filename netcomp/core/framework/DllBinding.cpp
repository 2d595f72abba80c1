#include "netcomp/core/framework/DllBinding.h"

DllBinding::DllBinding(const char* fileName, const char* const* names, int count, DllLifetime lifetime)
    : m_fileName(fileName), m_names(names), m_count(count < kMaxEntries ? count : kMaxEntries), m_lifetime(lifetime)
{
}

bool DllBinding::Acquire()
{
    std::lock_guard<std::mutex> lock(m_lock);
    ++m_references;
    if (!m_module) {
        m_module = LoadLibraryA(m_fileName);
        if (!m_module)
            return false;
        for (int i = 0; i < m_count; ++i)
            m_entries[i].store(GetProcAddress(m_module, m_names[i]), std::memory_order_release);
    }
    return true;
}

void DllBinding::Release()
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_references == 0)
        return; // a StaticDestroy without its StaticInit
    if (--m_references > 0 || !m_module || m_lifetime == DllLifetime::Process)
        return;
    for (int i = 0; i < m_count; ++i)
        m_entries[i].store(nullptr, std::memory_order_release);
    FreeLibrary(m_module);
    m_module = nullptr;
}

unsigned DllBinding::References() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_references;
}

bool DllBinding::IsLoaded() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_module != nullptr;
}
