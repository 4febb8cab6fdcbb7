// The rules a built Tolvaris.dll's image keeps, read from the file's bytes
// alone: no loader, no objdump, the same on every system. The DLL loads on a
// bare Windows (the system's DLLs and the host's only, no C runtime), the
// host finds it by its five names, and making it small has not cost what it
// must not: unwind data, ASLR with 64-bit entropy, DEP, read-only code.
#ifndef TOLVARIS_IMAGE_RULES_H
#define TOLVARIS_IMAGE_RULES_H

#include <cstddef>
#include <string>
#include <vector>

// The most the DLL may weigh, an Authenticode signature not counted: as lean
// as every toolchain has made it so far.
constexpr unsigned long MaxImageSize = 10240;

struct ImageCheck {
    // One line per broken rule: what is wrong, and what was expected. A file
    // that is not a whole 64-bit PE image is one fault, saying where it ends.
    std::vector<std::string> faults;
    // What a reader wants to see when every rule holds: "9216 bytes, 1024
    // under the cap of 10240: imports ADVAPI32.dll ...; exports ...".
    std::string summary;
};

ImageCheck CheckImage(const unsigned char *file, std::size_t size);

#endif
