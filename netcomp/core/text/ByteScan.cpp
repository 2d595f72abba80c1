#include "netcomp/core/text/ByteScan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if defined(__SSE2__)
namespace {

// The offset of the first set bit of a compare's mask, for its 16 bytes.
inline int FirstMatch(__m128i compared)
{
    const int mask = _mm_movemask_epi8(compared);
    return mask ? __builtin_ctz(unsigned(mask)) : -1;
}

inline __m128i Load(const char* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

} // namespace
#endif

const char* FindByte(const char* data, size_t n, char c)
{
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(c);
    // 32 bytes a step while there are that many: one test for both halves.
    for (; i + 32 <= n; i += 32) {
        const __m128i low = _mm_cmpeq_epi8(Load(data + i), wanted);
        const __m128i high = _mm_cmpeq_epi8(Load(data + i + 16), wanted);
        if (_mm_movemask_epi8(_mm_or_si128(low, high)) != 0) {
            const int at = FirstMatch(low);
            return data + i + (at >= 0 ? at : 16 + FirstMatch(high));
        }
    }
    for (; i + 16 <= n; i += 16) {
        const int at = FirstMatch(_mm_cmpeq_epi8(Load(data + i), wanted));
        if (at >= 0)
            return data + i + at;
    }
#endif
    for (; i < n; ++i) {
        if (data[i] == c)
            return data + i;
    }
    return nullptr;
}

const char* FindLineBreak(const char* data, size_t n)
{
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; i + 16 <= n; i += 16) {
        const __m128i block = Load(data + i);
        const int at = FirstMatch(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)));
        if (at >= 0)
            return data + i + at;
    }
#endif
    for (; i < n; ++i) {
        if (data[i] == '\r' || data[i] == '\n')
            return data + i;
    }
    return nullptr;
}
