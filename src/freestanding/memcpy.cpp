// memcpy, which Clang calls to copy initialisers and records; see memset.cpp
// for why a string instruction, and why two spellings of it.
#include <stddef.h>

#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#pragma function(memcpy)
#endif

extern "C" void *memcpy(void *destination, const void *source, size_t count)
{
#if defined(_MSC_VER) && !defined(__clang__)
    __movsb((unsigned char *)destination, (const unsigned char *)source, count);
#else
    void *to = destination;
    const void *from = source;
    __asm__ volatile("rep movsb" : "+D"(to), "+S"(from), "+c"(count) : : "memory");
#endif
    return destination;
}
