// The test DLL has nothing to do when it is loaded.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, void *)
{
    return TRUE;
}
