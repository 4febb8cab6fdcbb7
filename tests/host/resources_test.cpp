// The module's resources, read the way Windows reads them.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "identity.h"
#include "support/support.h"

namespace {
class Resources : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::wstring path = PluginPath();
        DWORD size = GetFileVersionInfoSizeW(path.c_str(), NULL);
        ASSERT_GT(size, 0u);
        Info.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, Info.data()));
    }
    static std::wstring Value(const wchar_t *key)
    {
        std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
        wchar_t *text = NULL;
        UINT length = 0;
        if (!VerQueryValueW(Info.data(), query.c_str(), (void **)&text, &length) || !text)
            return L"<missing>";
        return text;
    }
    static std::vector<unsigned char> Info;
};
std::vector<unsigned char> Resources::Info;

TEST_F(Resources, FixedVersionPart)
{
    VS_FIXEDFILEINFO *fixed = NULL;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(Info.data(), L"\\", (void **)&fixed, &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD high = TOLVARIS_VERSION_MAJOR << 16 | TOLVARIS_VERSION_MINOR;
    const DWORD low = TOLVARIS_VERSION_BUILD << 16 | TOLVARIS_VERSION_REVISION;
    EXPECT_EQ(fixed->dwFileVersionMS, high);
    EXPECT_EQ(fixed->dwFileVersionLS, low);
    EXPECT_EQ(fixed->dwProductVersionMS, high);
    EXPECT_EQ(fixed->dwProductVersionLS, low);
    EXPECT_EQ(fixed->dwFileType, (DWORD)VFT_DLL);
    EXPECT_EQ(fixed->dwFileOS, (DWORD)VOS_NT_WINDOWS32);
    EXPECT_EQ(fixed->dwFileSubtype, 0u);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0u);
    EXPECT_EQ(fixed->dwFileDateMS, 0u);
    EXPECT_EQ(fixed->dwFileDateLS, 0u);
}

TEST_F(Resources, StringValuesAndTranslation)
{
    EXPECT_EQ(Value(L"FileDescription"), L"Tolvaris plugin for Take Command");
    EXPECT_EQ(Utf8(Value(L"FileVersion")), FullVersionText());
    // The author as the descriptor gives it.
    EXPECT_EQ(Value(L"CompanyName"), L"The Tolvaris developers");
    EXPECT_EQ(Value(L"InternalName"), L"Tolvaris");
    EXPECT_EQ(Value(L"LegalCopyright"), L"Copyright (C) 2026 The Tolvaris developers");
    EXPECT_EQ(Value(L"OriginalFilename"), L"Tolvaris.dll");
    EXPECT_EQ(Value(L"ProductName"), L"Tolvaris plugin");
    EXPECT_EQ(Utf8(Value(L"ProductVersion")), FullVersionText() + "  (x64)");
    EXPECT_GT(Value(L"Built On").size(), 0u);
    EXPECT_NE(Value(L"Built On"), L"<missing>");

    // "2023-10-16 08:33:33"
    const std::wstring build = Value(L"Build");
    ASSERT_EQ(build.size(), 19u) << Utf8(build);
    for (size_t i = 0; i < build.size(); ++i) {
        wchar_t expected = i == 4 || i == 7 ? L'-' : i == 10 ? L' ' : i == 13 || i == 16 ? L':' : 0;
        if (expected)
            EXPECT_EQ(build[i], expected) << Utf8(build);
        else
            EXPECT_TRUE(build[i] >= L'0' && build[i] <= L'9') << Utf8(build);
    }

    WORD *translation = NULL;
    UINT length = 0;
    ASSERT_TRUE(
        VerQueryValueW(Info.data(), L"\\VarFileInfo\\Translation", (void **)&translation, &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);
}

// A version block: length, value length, type, key, padding to 4 bytes,
// value, then its children, each aligned to 4 bytes.
struct Block {
    const unsigned char *start;
    WORD length;
    std::wstring key;
    const unsigned char *children;
};

Block ReadBlock(const unsigned char *at, bool textValue)
{
    Block block;
    block.start = at;
    memcpy(&block.length, at, 2);
    WORD valueLength;
    memcpy(&valueLength, at + 2, 2);
    block.key = (const wchar_t *)(at + 6);
    size_t offset = (6 + (block.key.size() + 1) * 2 + 3) & ~(size_t)3;
    offset += textValue ? valueLength * 2 : valueLength;
    block.children = at + ((offset + 3) & ~(size_t)3);
    return block;
}

TEST_F(Resources, OneStringTableWithItsKeysInOrder)
{
    HMODULE module = Plugin().module;
    HRSRC found = FindResourceExW(module, MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1), 0x0409);
    ASSERT_NE(found, nullptr);
    const unsigned char *root = (const unsigned char *)LockResource(LoadResource(module, found));
    Block version = ReadBlock(root, false);
    EXPECT_EQ(version.key, L"VS_VERSION_INFO");

    std::vector<std::wstring> tables, keys;
    for (const unsigned char *at = version.children; at < root + version.length;) {
        Block info = ReadBlock(at, true);
        if (info.key == L"StringFileInfo") {
            for (const unsigned char *t = info.children; t < at + info.length;) {
                Block table = ReadBlock(t, true);
                tables.push_back(table.key);
                for (const unsigned char *s = table.children; s < t + table.length;) {
                    Block entry = ReadBlock(s, true);
                    keys.push_back(entry.key);
                    s += (entry.length + 3) & ~3;
                }
                t += (table.length + 3) & ~3;
            }
        }
        at += (info.length + 3) & ~3;
    }
    EXPECT_EQ(tables, std::vector<std::wstring>{L"040904B0"});
    const std::vector<std::wstring> order = {
        L"FileDescription",  L"FileVersion", L"CompanyName",    L"InternalName", L"LegalCopyright",
        L"OriginalFilename", L"ProductName", L"ProductVersion", L"Build",        L"Built On"};
    EXPECT_EQ(keys, order);
}

TEST_F(Resources, ManifestAsksToRunAsInvoker)
{
    HMODULE module = Plugin().module;
    HRSRC found = FindResourceExW(module, MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(2), 0x0409);
    ASSERT_NE(found, nullptr);
    std::string manifest((const char *)LockResource(LoadResource(module, found)),
                         SizeofResource(module, found));
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos) << manifest;
}
} // namespace
