#include "netcomp/core/text/GrowBuffer.h"

#include <cstdlib>
#include <cstring>

#include "netcomp/core/text/NetString.h"
#include "netcomp/core/framework/ResultCodes.h"

GrowBuffer::~GrowBuffer()
{
    std::free(m_data);
}

void GrowBuffer::Release()
{
    std::free(m_data);
    m_data = nullptr;
    m_length = 0;
    m_capacity = 0;
}

void GrowBuffer::Truncate(uint32_t n)
{
    if (n < m_length) {
        m_length = n;
        m_data[n] = '\0';
    }
}

void GrowBuffer::EraseFront(uint32_t n)
{
    if (n >= m_length) {
        Clear();
        return;
    }
    std::memmove(m_data, m_data + n, m_length - n);
    m_length -= n;
    m_data[m_length] = '\0';
}

int GrowBuffer::Reserve(uint32_t n)
{
    if (n <= m_capacity)
        return kResultOk;
    if (n > NetStringBase::kMaxLength)
        return kOutOfMemory;
    uint64_t wanted = uint64_t(n) + n / 2 + 32;
    if (wanted > NetStringBase::kMaxLength)
        wanted = n;
    char* block = static_cast<char*>(std::realloc(m_data, size_t(wanted) + 1));
    if (!block)
        return kOutOfMemory;
    m_data = block;
    m_capacity = uint32_t(wanted);
    return kResultOk;
}

int GrowBuffer::AppendSlow(const char* data, uint32_t n)
{
    if (n == 0)
        return kResultOk;
    if (n > NetStringBase::kMaxLength - m_length)
        return kOutOfMemory;
    int rc = Reserve(m_length + n);
    if (rc != kResultOk)
        return rc;
    std::memcpy(m_data + m_length, data, n);
    m_length += n;
    m_data[m_length] = '\0';
    return kResultOk;
}

bool GrowBuffer::EndsWith(const char* tail, uint32_t n) const
{
    return m_length >= n && std::memcmp(m_data + m_length - n, tail, n) == 0;
}
