#include <string.h>

#include <gtest/gtest.h>

#include <windows.h>

int main(int argc, char **argv)
{
    // The test program doubles as the child process whose token the tests
    // probe: it idles until it is ended.
    if (argc > 1 && strcmp(argv[1], "--idle") == 0) {
        Sleep(120000);
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
