#include <windows.h>

extern "C" int InitializePlugin(void)
{
    return 0;
}

// The host passes nothing we need; there is nothing to release.
extern "C" int ShutdownPlugin(void)
{
    return 0;
}

// The plug-in starts nothing and keeps nothing per process or thread.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, void *)
{
    return TRUE;
}
