// A DLL that breaks the one image rule its BAD_ macro names and keeps the
// others, for check-dll's tests (tests/check-dll/rules_test.cpp). The plug-in's
// five exports are data here: the rules read their names alone.
#ifdef BAD_NO_UNWIND
// An entry point without the compiler's unwind directives, and no function
// of C++: nothing gives the linker unwind data.
asm(".text\n.globl DllMain\nDllMain:\n\tmovl $1, %eax\n\tret\n");
#else
#ifdef BAD_CRT_IMPORT
extern "C" int atoi(const char *); // from the C runtime the DLL is linked with
#endif
extern "C" int DllMain(void *, unsigned long reason, void *reserved)
{
#ifdef BAD_CRT_IMPORT
    if (reason == 0xbad) // never: only its import is wanted
        return atoi(static_cast<const char *>(reserved));
#endif
    (void)reason, (void)reserved;
    return 1;
}
#endif

extern "C" {
__declspec(dllexport) int GetPluginInfo, InitializePlugin, ShutdownPlugin, f_tolvaris;
#ifndef BAD_DECORATED_EXPORT
__declspec(dllexport) int Help;
#endif
#ifdef BAD_SIXTH_EXPORT
__declspec(dllexport) int Extra;
#endif
#ifdef BAD_OVER_CAP
char Padding[12000] = {1}; // in the file's data, not left to be zeroed on load
#endif
}
#ifdef BAD_DECORATED_EXPORT
// Without extern "C": exported under C++'s name for it, _Z4HelpPw.
__declspec(dllexport) int Help(wchar_t *)
{
    return 0;
}
#endif
