// The plug-in links no C runtime, so it provides the routines compilers emit
// calls to on their own: memset, for zero-filled local buffers and records.
#include <stddef.h>

#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#pragma function(memset) // cl.exe takes memset for its own unless told otherwise
#endif

extern "C" void *memset(void *destination, int value, size_t count)
{
    // A string instruction rather than a loop, which the optimiser would turn
    // back into a call to memset. cl.exe has no inline assembly for x64, only
    // the intrinsic; clang-cl turns that very intrinsic into a call to memset,
    // so every compiler but cl.exe takes the assembly.
#if defined(_MSC_VER) && !defined(__clang__)
    __stosb((unsigned char *)destination, (unsigned char)value, count);
#else
    void *cursor = destination;
    __asm__ volatile("rep stosb" : "+D"(cursor), "+c"(count) : "a"(value) : "memory");
#endif
    return destination;
}
