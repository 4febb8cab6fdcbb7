// check-dll: checks a built Tolvaris.dll's image (see rules.h). Each
// broken rule is a line on standard error; when none is, one line on
// standard output gives the size and the headroom under the cap.
//
//   check-dll PATH/TO/Tolvaris.dll
//
// Exit status: 0 when every rule holds, 1 when one does not or the file
// cannot be read, 2 when no file is given.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "rules.h"

int main(int argc, char **argv)
{
#ifdef _WIN32
    // Lines end with \n alone, as the scripts that read them here expect,
    // under Wine too.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    const char usage[] = "usage: check-dll PATH/TO/Tolvaris.dll\n";
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc != 2) {
        std::fputs(usage, stderr);
        return 2;
    }
    std::string path = argv[1];
    std::string name = path.substr(path.find_last_of("/\\") + 1);
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad()) {
        std::fprintf(stderr, "check-dll: cannot read %s\n", path.c_str());
        return 1;
    }
    ImageCheck check = CheckImage(file.data(), file.size());
    for (const std::string &fault : check.faults)
        std::fprintf(stderr, "%s: %s\n", name.c_str(), fault.c_str());
    if (!check.faults.empty())
        return 1;
    std::printf("%s, %s\n", name.c_str(), check.summary.c_str());
    return 0;
}
