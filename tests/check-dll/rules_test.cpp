// The image rules check-dll applies (tools/check-dll): on the built
// plug-in, which keeps them all; on copies of its bytes changed to break
// one rule each, or cut short; and on the DLLs of bin/bad_images/, built to
// break the rules that a change of a few bytes cannot.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "rules.h"
#include "support/support.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes ReadBytes(const std::wstring &path)
{
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    std::string text = file == INVALID_HANDLE_VALUE ? "" : ReadWholeFile(file);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return Bytes(text.begin(), text.end());
}

// Little-endian fields of the headers, where the PE format keeps them.
DWORD Get(const Bytes &image, size_t at, size_t width = 4)
{
    DWORD value = 0;
    for (size_t i = width; i-- > 0;)
        value = value << 8 | image.at(at + i);
    return value;
}
void Put(Bytes &image, size_t at, DWORD value, size_t width = 4)
{
    for (size_t i = 0; i < width; ++i)
        image.at(at + i) = (unsigned char)(value >> 8 * i);
}
size_t Optional(const Bytes &image)
{
    return Get(image, 0x3c) + 24;
}
size_t Directory(const Bytes &image, int entry) // its address; its size follows
{
    return Optional(image) + 112 + 8 * entry;
}
void ClearDllCharacteristic(Bytes &image, DWORD flag)
{
    Put(image, Optional(image) + 70, Get(image, Optional(image) + 70, 2) & ~flag, 2);
}
void MakeCodeWritable(Bytes &image)
{
    size_t at = Optional(image) + Get(image, Get(image, 0x3c) + 20, 2) + 36;
    while (!(Get(image, at) & IMAGE_SCN_CNT_CODE))
        at += 40; // the next section's header
    Put(image, at, Get(image, at) | IMAGE_SCN_MEM_WRITE);
}
DWORD GrowOverTheCap(Bytes &image) // returns how much
{
    DWORD added = MaxImageSize + 1 - (DWORD)image.size();
    image.resize(image.size() + added, 0x5a);
    return added;
}

// The bytes as the build made them: a signed copy (the suite may test one)
// without its signature, so that each change below starts from no
// security directory.
Bytes Unsigned(Bytes image)
{
    const DWORD signatureAt = Get(image, Directory(image, 4));
    if (Get(image, Directory(image, 4) + 4) != 0 && signatureAt <= image.size()) {
        image.resize(signatureAt);
        Put(image, Directory(image, 4), 0);
        Put(image, Directory(image, 4) + 4, 0);
    }
    return image;
}

} // namespace

TEST(ImageRules, EachBreaksItsOneRule)
{
    const Bytes read = ReadBytes(PluginPath());
    ASSERT_GT(read.size(), 0x200u) << "cannot read " << Utf8(PluginPath());
    const Bytes built = Unsigned(read);
    const struct {
        const char *what;
        void (*change)(Bytes &); // of the built DLL's bytes, or
        const wchar_t *bad;      // a DLL of bin/bad_images/
        const char *fault;       // what the one fault says; "": no fault
    } cases[] = {
        {"the built DLL", [](Bytes &) {}, NULL, ""},
        {"no unwind data", [](Bytes &i) { Put(i, Directory(i, 3) + 4, 0); }, NULL,
         "no unwind data"},
        {"a 32-bit machine", [](Bytes &i) { Put(i, Get(i, 0x3c) + 4, 0x14c, 2); }, NULL,
         "machine 0x014c - expected x64"},
        {"no DYNAMIC_BASE", [](Bytes &i) { ClearDllCharacteristic(i, 0x40); }, NULL,
         "without DYNAMIC_BASE"},
        {"no HIGH_ENTROPY_VA", [](Bytes &i) { ClearDllCharacteristic(i, 0x20); }, NULL,
         "without HIGH_ENTROPY_VA"},
        {"no NX_COMPAT", [](Bytes &i) { ClearDllCharacteristic(i, 0x100); }, NULL,
         "without NX_COMPAT"},
        {"writable code", MakeCodeWritable, NULL, "is code and writable"},
        {"over the cap", [](Bytes &i) { GrowOverTheCap(i); }, NULL,
         "expected at most 10240 (1 over)"},
        {"the same bytes, a signature",
         [](Bytes &i) {
             Put(i, Directory(i, 4), (DWORD)i.size());
             Put(i, Directory(i, 4) + 4, GrowOverTheCap(i));
         },
         NULL, ""},
        {"a signature past the end",
         [](Bytes &i) {
             Put(i, Directory(i, 4), (DWORD)i.size() - 8);
             Put(i, Directory(i, 4) + 4, 16);
         },
         NULL, "16 bytes at 0x"},
        {"exports out of the file", [](Bytes &i) { Put(i, Directory(i, 0), 0x7ffff000); }, NULL,
         "the export directory at 0x7ffff000 is cut short"},
        {"imports out of the file", [](Bytes &i) { Put(i, Directory(i, 1), 0x7ffff000); }, NULL,
         "the import directory at 0x7ffff000 is cut short"},
        {"headers out of the file", [](Bytes &i) { Put(i, 0x3c, 0xfffffffc); }, NULL,
         "no \"PE\" signature at 0xfffffffc"},
        {"garbage", [](Bytes &i) { i.assign(i.size(), 0xcc); }, NULL, "not a PE image"},
        {"a sixth export", NULL, L"sixth_export.dll", "exports: Extra GetPluginInfo Help"},
        {"a C++ name", NULL, L"decorated_export.dll",
         "exports: GetPluginInfo InitializePlugin ShutdownPlugin _Z4HelpPw"},
        {"msvcrt.dll", NULL, L"msvcrt_import.dll",
         "imports from msvcrt.dll - expected: from ADVAPI32.dll"},
        {"the UCRT's API set", NULL, L"ucrt_import.dll",
         "imports from api-ms-win-crt-convert-l1-1-0.dll - expected: from ADVAPI32.dll"},
        {"ucrtbase.dll", NULL, L"ucrtbase_import.dll",
         "imports from ucrtbase.dll - expected: from ADVAPI32.dll"},
        {"no unwind data, built", NULL, L"no_unwind.dll", "no unwind data"},
        {"over the cap, built", NULL, L"over_cap.dll", "- expected at most 10240"},
    };
    for (const auto &each : cases) {
        Bytes image = each.bad ? ReadBytes(BinFolder() + L"bad_images\\" + each.bad) : built;
        ASSERT_FALSE(image.empty() && each.bad) << "cannot read bad_images\\" << Utf8(each.bad);
        if (each.change)
            each.change(image);
        ImageCheck check = CheckImage(image.data(), image.size());
        std::string faults;
        for (const std::string &fault : check.faults)
            faults += "\n  " + fault;
        if (*each.fault == '\0') {
            EXPECT_TRUE(check.faults.empty()) << each.what << ":" << faults;
            EXPECT_NE(check.summary.find("under the cap of 10240: imports "), std::string::npos)
                << each.what << ": " << check.summary;
        } else {
            EXPECT_EQ(check.faults.size(), 1u) << each.what << ":" << faults;
            EXPECT_NE(faults.find(each.fault), std::string::npos)
                << each.what << ":" << faults << "\n  expected: " << each.fault;
        }
    }
}

TEST(ImageRules, TheBuiltDllCutShortAnywhereIsAFault)
{
    const Bytes built = ReadBytes(PluginPath());
    ASSERT_FALSE(built.empty()) << "cannot read " << Utf8(PluginPath());
    for (size_t size = 0; size < built.size(); ++size)
        ASSERT_FALSE(CheckImage(built.data(), size).faults.empty()) << "cut at " << size;
}
