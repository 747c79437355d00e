#include "text/buffers.h"

#include "text/utf8.h"

#include <cstring>

// Length of the longest prefix of `src`, at most `limit` bytes, that ends
// on a whole UTF-8 character.
static std::size_t wholeCharPrefix(const char* src, std::size_t limit)
{
    const std::size_t length = std::strlen(src);
    if (length <= limit)
        return length;
    std::size_t cut = limit;
    // Step back over continuation bytes to the start of the cut character.
    while (cut > 0 && isUtf8Continuation(src[cut]))
        --cut;
    return cut;
}

void copyCut(char* dst, std::size_t size, const char* src)
{
    const std::size_t n = wholeCharPrefix(src, size - 1);
    std::memmove(dst, src, n);
    dst[n] = '\0';
}

void appendCut(char* dst, std::size_t size, const char* src)
{
    const std::size_t used = std::strlen(dst);
    if (used + 1 >= size)
        return;
    copyCut(dst + used, size - used, src);
}
