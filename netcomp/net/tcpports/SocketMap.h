#pragma once
// Socket handle to connection number: an open-addressing table with double
// hashing over a prime size, so that finding the connection of a socket
// notification costs a few probes whatever the number of connections.
#include <cstdint>
#include <vector>

class SocketMap {
public:
    enum InsertResult { kInserted = 0, kFull = 1, kPresent = 2 };
    static constexpr int kOutOfMemory = 200;
    static constexpr int kMaxConnectionsLimit = 100109;

    // Sizes the table for maxConnections (the first prime row above it) and
    // empties it; 200 when maxConnections is beyond the largest row.
    [[nodiscard]] int Build(int maxConnections);
    int Size() const { return int(m_keys.size()); }

    [[nodiscard]] InsertResult Insert(uint64_t key, int value);
    // The value of key, or 0 when it is absent (connection numbers start at 1).
    int Find(uint64_t key) const;
    // False when the key is absent.
    bool Remove(uint64_t key);

private:
    static constexpr int64_t kNeverUsed = -1;
    static constexpr int64_t kDeleted = -2;

    // The slot holding key, or -1.
    int Locate(uint64_t key) const;

    std::vector<int64_t> m_keys;
    std::vector<int> m_values;
    uint32_t m_second = 0;
};
