// A module's resources: finding them by ordinal and by name, their bytes, strings from string tables,
// menus from menu resources, and version resources read by the path of their blocks. Each test builds a
// resource file in memory and asks for a module that holds it.
#include "tests/support/resource_file.h"
#include "tests/support/test_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace resource_file;

constexpr DWORD kUntouched = 0xDEADBEEF;

std::string Narrow(const WCHAR *text, size_t length) {
    return std::string(text, text + length);
}

class ResourceLoaderTest : public ::testing::Test {
protected:
    void SetUp() override { test_platform::Reset(); }
    void TearDown() override { test_platform::Reset(); }

    void Use(const Bytes &image) {
        module = test_platform::ModuleWithResources(image);
        ASSERT_NE(module, nullptr);
    }

    HRSRC Find(WORD name, WORD type) const {
        return FindResourceW(module, MAKEINTRESOURCEW(name), MAKEINTRESOURCEW(type));
    }

    Bytes BytesOf(HRSRC resource) const {
        auto *data = static_cast<const BYTE *>(LockResource(LoadResource(module, resource)));
        return data ? Bytes(data, data + SizeofResource(module, resource)) : Bytes();
    }

    HMODULE module = nullptr;
};

// ---------------------------------------------------------------------------------------------------
// Finding resources
// ---------------------------------------------------------------------------------------------------

TEST_F(ResourceLoaderTest, FindsAResourceByOrdinalAndGivesItsBytesAligned) {
    ImageWriter image;
    image.Add(Ordinal(kData), Ordinal(3), 0x0406, {9, 9, 9});  // odd size: the next one is padded
    image.Add(Ordinal(kData), Ordinal(7), 0x0406, {1, 2, 3, 4, 5});
    Use(image.bytes);
    HRSRC resource = Find(7, kData);
    ASSERT_NE(resource, nullptr);
    EXPECT_EQ(SizeofResource(module, resource), 5u);
    HGLOBAL loaded = LoadResource(module, resource);
    EXPECT_EQ(LockResource(loaded), (LPVOID)loaded);
    EXPECT_EQ((uintptr_t)loaded % 4, 0u);
    EXPECT_EQ(BytesOf(resource), (Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(BytesOf(Find(3, kData)), (Bytes{9, 9, 9}));
}

TEST_F(ResourceLoaderTest, StringNamesAndTypesIgnoreCase) {
    ImageWriter image;
    image.Add(Named(TEXT("TEXTS")), Named(TEXT("GREETING")), 0x0406, {42});
    Use(image.bytes);
    EXPECT_EQ(BytesOf(FindResourceW(module, TEXT("Greeting"), TEXT("texts"))), Bytes{42});
    EXPECT_EQ(BytesOf(FindResourceW(module, TEXT("GREETING"), TEXT("TEXTS"))), Bytes{42});
    SetLastError(kUntouched);
    EXPECT_EQ(FindResourceW(module, TEXT("GREETINGS"), TEXT("TEXTS")), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
}

TEST_F(ResourceLoaderTest, AHashAndANumberNameTheOrdinal) {
    ImageWriter image;
    image.Add(Ordinal(kData), Ordinal(105), 0x0406, {1});
    Use(image.bytes);
    EXPECT_EQ(BytesOf(FindResourceW(module, TEXT("#105"), TEXT("#10"))), Bytes{1});
    EXPECT_EQ(FindResourceW(module, TEXT("#1x5"), RT_RCDATA), nullptr);
    EXPECT_EQ(FindResourceW(module, TEXT("105"), RT_RCDATA), nullptr);  // without the hash it is a name
}

TEST_F(ResourceLoaderTest, AMissingTypeAndAMissingNameHaveTheirOwnErrors) {
    ImageWriter image;
    image.Add(Ordinal(kData), Ordinal(1), 0x0406, {1});
    Use(image.bytes);
    SetLastError(kUntouched);
    EXPECT_EQ(Find(1, kMenu), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_TYPE_NOT_FOUND));
    SetLastError(kUntouched);
    EXPECT_EQ(Find(2, kData), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
}

TEST_F(ResourceLoaderTest, TheNeutralLanguageIsPreferred) {
    ImageWriter image;
    image.Add(Ordinal(kData), Ordinal(9), 0x0406, {1});
    image.Add(Ordinal(kData), Ordinal(9), 0x0000, {2});
    Use(image.bytes);
    EXPECT_EQ(BytesOf(Find(9, kData)), Bytes{2});
}

TEST_F(ResourceLoaderTest, AModuleWithoutResourcesFindsNothing) {
    Use(ImageWriter().bytes);
    SetLastError(kUntouched);
    EXPECT_EQ(Find(1, kData), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_DATA_NOT_FOUND));
    WCHAR buffer[8] = TEXT("keep");
    EXPECT_EQ(LoadStringW(module, 1, buffer, 8), 0);
    EXPECT_EQ(buffer[0], TEXT('k'));
}

// ---------------------------------------------------------------------------------------------------
// Strings
// ---------------------------------------------------------------------------------------------------

// Strings 1 "Hello" and 2 "Hi" in block 1 (ids 0 to 15); 4 is an empty slot; block 2 is absent.
class StringTableTest : public ResourceLoaderTest {
protected:
    void SetUp() override {
        ResourceLoaderTest::SetUp();
        ImageWriter image;
        image.Add(Ordinal(kStrings), Ordinal(1), 0x0406, StringBlock({{1, TEXT("Hello")}, {2, TEXT("Hi")}}));
        image.Add(Ordinal(kStrings), Ordinal(3), 0x0406, StringBlock({{0, TEXT("Thirty-two")}}));
        Use(image.bytes);
    }
};

TEST_F(StringTableTest, CopiesTheStringWithItsTerminator) {
    WCHAR buffer[16];
    EXPECT_EQ(LoadStringW(module, 1, buffer, 16), 5);
    EXPECT_EQ(WString(buffer), TEXT("Hello"));
    EXPECT_EQ(LoadStringW(module, 32, buffer, 16), 10);
    EXPECT_EQ(WString(buffer), TEXT("Thirty-two"));
}

TEST_F(StringTableTest, CutsTheStringToTheBuffer) {
    WCHAR buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), TEXT('#'));
    EXPECT_EQ(LoadStringW(module, 1, buffer, 3), 2);
    EXPECT_EQ(WString(buffer), TEXT("He"));
    EXPECT_EQ(buffer[3], TEXT('#'));
    EXPECT_EQ(LoadStringW(module, 1, buffer, 6), 5);
    EXPECT_EQ(WString(buffer), TEXT("Hello"));
}

TEST_F(StringTableTest, ASizeOfZeroGivesAPointerIntoTheTable) {
    const WCHAR *text = nullptr;
    EXPECT_EQ(LoadStringW(module, 1, (LPWSTR)&text, 0), 5);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(Narrow(text, 5), "Hello");
    EXPECT_EQ(text[5], 2);  // not terminated: the count of the next string, "Hi", follows
}

TEST_F(StringTableTest, MissingStringsLoadAsNothing) {
    WCHAR buffer[8] = TEXT("keep");
    EXPECT_EQ(LoadStringW(module, 4, buffer, 8), 0);  // an empty slot of a block that exists
    EXPECT_EQ(buffer[0], 0);
    std::copy_n(TEXT("keep"), 5, buffer);
    EXPECT_EQ(LoadStringW(module, 20, buffer, 8), 0);  // in block 2, which does not exist
    EXPECT_EQ(WString(buffer), TEXT("keep"));
    EXPECT_EQ(LoadStringW(module, 1, nullptr, 8), 0);
}

TEST_F(StringTableTest, OnlyTheLowWordOfTheIdCounts) {
    WCHAR buffer[8];
    EXPECT_EQ(LoadStringW(module, 0x10001, buffer, 8), 5);
    EXPECT_EQ(WString(buffer), TEXT("Hello"));
}

// ---------------------------------------------------------------------------------------------------
// Menus from menu resources
// ---------------------------------------------------------------------------------------------------

TEST_F(ResourceLoaderTest, LoadMenuReadsTheMenuResource) {
    ImageWriter image;
    image.Add(Ordinal(kMenu), Ordinal(50), 0x0406, SmallMenu());
    Use(image.bytes);
    HMENU menu = LoadMenuW(module, MAKEINTRESOURCEW(50));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 2);
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(GetMenuItemID(popup, 0), 5u);
    EXPECT_EQ(GetMenuItemID(menu, 1), 6u);
    DestroyMenu(menu);

    SetLastError(kUntouched);
    EXPECT_EQ(LoadMenuW(module, MAKEINTRESOURCEW(51)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
}

// ---------------------------------------------------------------------------------------------------
// Version resources
// ---------------------------------------------------------------------------------------------------

TEST(VersionInfo, TheRootGivesTheFixedInfoAndAPathGivesItsText) {
    Bytes version = SampleVersion();
    LPVOID value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(version.data(), TEXT("\\"), &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    auto *fixed = static_cast<VS_FIXEDFILEINFO *>(value);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 3);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), 15);

    // Keys ignore case, and the length of a text counts its characters with the terminator.
    ASSERT_TRUE(VerQueryValueW(version.data(), TEXT("\\stringfileinfo\\040904b0\\productname"), &value, &length));
    EXPECT_EQ(length, 7u);
    EXPECT_EQ(WString(static_cast<const WCHAR *>(value)), TEXT("Sample"));

    // A block that is there but holds no value is found, empty.
    ASSERT_TRUE(VerQueryValueW(version.data(), TEXT("\\StringFileInfo"), &value, &length));
    EXPECT_EQ(length, 0u);
}

TEST(VersionInfo, MissingPathsFindNothing) {
    Bytes version = SampleVersion();
    LPVOID value = nullptr;
    UINT length = 0;
    EXPECT_FALSE(VerQueryValueW(version.data(), TEXT("\\VarFileInfo\\Translation"), &value, &length));
    EXPECT_FALSE(VerQueryValueW(version.data(), TEXT("\\StringFileInfo\\040904B0\\CompanyName"), &value, &length));
    EXPECT_FALSE(VerQueryValueW(nullptr, TEXT("\\"), &value, &length));
}

}  // namespace
