// Probing for key k starts at k mod size and steps by (k mod second) + 1,
// where second is a prime just below the size: every step is below the prime
// size, so a chain visits each slot once in at most size probes.
#include "netcomp/net/tcpports/SocketMap.h"

#include <cstddef>
#include <new>

namespace {

struct SizeRow {
    int below;
    uint32_t size;
    uint32_t second;
};

constexpr SizeRow kSizes[] = {
    {103, 103, 101},       {1021, 1021, 1019},    {2011, 2011, 2003},       {3677, 3677, 3673},
    {6269, 6269, 6263},    {10039, 10039, 10037}, {20023, 20023, 20021},    {31153, 31153, 31151},
    {50123, 50123, 50119}, {75997, 75997, 75991}, {100109, 100109, 100103},
};

} // namespace

int SocketMap::Build(int maxConnections)
{
    for (const SizeRow& row : kSizes) {
        if (maxConnections < row.below) {
            try {
                m_keys.assign(row.size, kNeverUsed);
                m_values.assign(row.size, 0);
            } catch (const std::bad_alloc&) {
                m_keys.clear();
                m_values.clear();
                m_second = 0;
                return kOutOfMemory;
            }
            m_second = row.second;
            return 0;
        }
    }
    return kOutOfMemory;
}

int SocketMap::Locate(uint64_t key) const
{
    const uint32_t size = uint32_t(m_keys.size());
    if (size == 0)
        return -1;
    const uint32_t step = uint32_t(key % m_second) + 1;
    uint32_t slot = uint32_t(key % size);
    for (uint32_t probe = 0; probe < size; ++probe) {
        const int64_t k = m_keys[slot];
        if (k == kNeverUsed)
            return -1;
        if (k == int64_t(key))
            return int(slot);
        slot = (slot + step) % size;
    }
    return -1;
}

// A deleted slot may be reused only once the whole chain is known not to hold
// the key further on; stopping at the first deleted slot would let a key be
// stored twice, and a later Remove would leave its second copy behind.
SocketMap::InsertResult SocketMap::Insert(uint64_t key, int value)
{
    const uint32_t size = uint32_t(m_keys.size());
    if (size == 0)
        return kFull;
    const uint32_t step = uint32_t(key % m_second) + 1;
    uint32_t slot = uint32_t(key % size);
    int64_t reuse = -1;
    for (uint32_t probe = 0; probe < size; ++probe) {
        const int64_t k = m_keys[slot];
        if (k == int64_t(key))
            return kPresent;
        if (k == kDeleted && reuse < 0)
            reuse = slot;
        if (k == kNeverUsed) {
            if (reuse < 0)
                reuse = slot;
            break;
        }
        slot = (slot + step) % size;
    }
    if (reuse < 0)
        return kFull;
    m_keys[std::size_t(reuse)] = int64_t(key);
    m_values[std::size_t(reuse)] = value;
    return kInserted;
}

int SocketMap::Find(uint64_t key) const
{
    const int slot = Locate(key);
    return slot < 0 ? 0 : m_values[std::size_t(slot)];
}

bool SocketMap::Remove(uint64_t key)
{
    const int slot = Locate(key);
    if (slot < 0)
        return false;
    m_keys[std::size_t(slot)] = kDeleted;
    m_values[std::size_t(slot)] = 0;
    return true;
}
