// The plug-in links no C runtime, so it provides the one routine the
// compiler emits calls to on its own: memset, for zero-filled local buffers.
#include <stddef.h>

extern "C" void *memset(void *destination, int value, size_t count)
{
    // A string instruction rather than a loop, which the optimiser would turn
    // back into a call to memset.
    void *cursor = destination;
    __asm__ volatile("rep stosb" : "+D"(cursor), "+c"(count) : "a"(value) : "memory");
    return destination;
}
