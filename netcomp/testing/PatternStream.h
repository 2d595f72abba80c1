#pragma once
// The pattern streams of the flood peer (netcomp/net/tests/flood_peer.c,
// PatternByte there): byte j of a stream is j % 251, so that a byte lost,
// doubled or put out of its place shows at once. A PatternStream checks one
// stream as it is delivered.

inline unsigned char PatternByte(unsigned long long j)
{
    return static_cast<unsigned char>(j % 251);
}

struct PatternStream {
    unsigned long long bytes = 0;
    // Bytes that were not the ones due at their place.
    unsigned long long misplaced = 0;

    void Take(const char* data, int n)
    {
        for (int i = 0; i < n; ++i)
            misplaced += static_cast<unsigned char>(data[i]) != PatternByte(bytes + unsigned(i));
        bytes += unsigned(n);
    }
};
