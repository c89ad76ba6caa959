// The resource loader where only our platform can look: the process module holding the image set in
// memory, handles that outlive their image, the listing of every entry, and images that are cut short or
// corrupt, which must never be read past their end (also in version resources). What Win32 does with
// well-formed resources is in tests/shared/resource_loader_test.cpp.
#include "platform/posix/base/win32_api.h"
#include "platform/posix/resources/resource_loader.h"
#include "platform/posix/windowing/menu.h"
#include "tests/support/resource_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace resource_file;

class ResourceLoaderTest : public ::testing::Test {
protected:
    void SetUp() override { posix::ResetMenus(); }
    void TearDown() override {
        posix::SetResourceImage({});
        posix::ResetMenus();
    }
    void Use(const Bytes &image) { posix::SetResourceImage({image.data(), image.size()}); }

    static HRSRC Find(WORD name, WORD type) {
        return FindResourceW(nullptr, MAKEINTRESOURCEW(name), MAKEINTRESOURCEW(type));
    }

    static Bytes BytesOf(HRSRC resource) {
        auto *data = static_cast<const BYTE *>(LockResource(LoadResource(nullptr, resource)));
        return data ? Bytes(data, data + SizeofResource(nullptr, resource)) : Bytes();
    }
};

constexpr DWORD kUntouched = 0xDEADBEEF;

// ---------------------------------------------------------------------------------------------------
// Finding resources
// ---------------------------------------------------------------------------------------------------

TEST_F(ResourceLoaderTest, TheProcessModuleHoldsTheImage) {
    ImageWriter image;
    image.Add(Ordinal(kData), Ordinal(1), 0x0406, {1});
    Use(image.bytes);
    HMODULE self = GetModuleHandleW(nullptr);
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(GetModuleHandleW(nullptr), self);
    EXPECT_NE(FindResourceW(self, MAKEINTRESOURCEW(1), RT_RCDATA), nullptr);

    SetLastError(kUntouched);
    EXPECT_EQ(GetModuleHandleW(u"other.dll"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    HMODULE other = (HMODULE)(uintptr_t)0x7650000;
    EXPECT_EQ(FindResourceW(other, MAKEINTRESOURCEW(1), RT_RCDATA), nullptr);
}

TEST_F(ResourceLoaderTest, HandlesThatNameNoResourceAreRefused) {
    ImageWriter image;
    image.Add(Ordinal(kData), Ordinal(1), 0x0406, {1});
    image.Add(Ordinal(kData), Ordinal(2), 0x0406, {2});
    Use(image.bytes);
    HRSRC second = Find(2, kData);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(LoadResource(nullptr, (HRSRC)(uintptr_t)0x1234), nullptr);
    EXPECT_EQ(SizeofResource(nullptr, nullptr), 0u);

    ImageWriter smaller;
    smaller.Add(Ordinal(kData), Ordinal(1), 0x0406, {1});
    Use(smaller.bytes);
    EXPECT_EQ(LoadResource(nullptr, second), nullptr);  // it named an entry the new image lacks
    EXPECT_EQ(SizeofResource(nullptr, second), 0u);
}

TEST_F(ResourceLoaderTest, TheListingShowsEveryEntryButTheFirst) {
    ImageWriter image;
    image.Add(Named(u"KIND"), Ordinal(4), 0x0409, {1, 2});
    image.Add(Ordinal(kData), Named(u"NAME"), 0x0406, {});
    Use(image.bytes);
    std::vector<posix::ResourceListing> listing = posix::ListResources();
    ASSERT_EQ(listing.size(), 2u);
    EXPECT_EQ(listing[0].typeName, u"KIND");
    EXPECT_EQ(listing[0].nameOrdinal, 4);
    EXPECT_EQ(listing[0].language, 0x0409);
    EXPECT_EQ(listing[0].size, 2u);
    EXPECT_EQ(listing[1].typeOrdinal, kData);
    EXPECT_EQ(listing[1].name, u"NAME");
    EXPECT_EQ(listing[1].size, 0u);
}

// ---------------------------------------------------------------------------------------------------
// Strings
// ---------------------------------------------------------------------------------------------------

TEST_F(ResourceLoaderTest, AStringBlockThatOverrunsItselfLoadsNothing) {
    ImageWriter image;
    Bytes block = Words({0, 3, u'a', u'b', u'c', 50, u'x'});  // string 2 claims 50 characters
    image.Add(Ordinal(kStrings), Ordinal(1), 0x0406, block);
    image.Add(Ordinal(kData), Ordinal(1), 0x0406, Bytes(200, 'z'));  // readable bytes right after
    Use(image.bytes);
    WCHAR buffer[64];
    EXPECT_EQ(LoadStringW(nullptr, 1, buffer, 64), 3);
    EXPECT_EQ(LoadStringW(nullptr, 2, buffer, 64), 0);
    EXPECT_EQ(LoadStringW(nullptr, 9, buffer, 64), 0);
}

// ---------------------------------------------------------------------------------------------------
// Menus from menu resources
// ---------------------------------------------------------------------------------------------------

TEST_F(ResourceLoaderTest, MalformedMenuResourcesAreRefused) {
    Bytes deep = Words({0, 0});
    for (int i = 0; i < 40; ++i)
        deep.insert(deep.end(), {BYTE(MF_POPUP | MF_END), 0, 'p', 0, 0, 0});
    deep.insert(deep.end(), {BYTE(MF_END), 0, 1, 0, 'x', 0, 0, 0});
    const std::vector<std::pair<const char *, Bytes>> cases = {
        {"no MF_END", Words({0, 0, 0, 1, u'a', 0})},
        {"popup that never ends", Words({0, 0, MF_POPUP | MF_END, u'P', 0, 0, 5, u'x', 0})},
        {"text without terminator", Words({0, 0, MF_END, 1, u'a', u'b'})},
        {"header larger than the resource", Words({0, 40, MF_END, 1, u'a', 0})},
        {"extended template", Words({1, 4, 0, 0, 0, 0})},
        {"empty", Bytes()},
        {"popups nested 40 deep", deep},
    };
    for (const auto &[what, data] : cases) {
        ImageWriter image;
        image.Add(Ordinal(kMenu), Ordinal(1), 0x0406, data);
        image.Add(Ordinal(kData), Ordinal(1), 0x0406, Bytes(64, 0));  // zeros that look like items
        Use(image.bytes);
        SetLastError(kUntouched);
        EXPECT_EQ(LoadMenuW(nullptr, MAKEINTRESOURCEW(1)), nullptr) << what;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA)) << what;
    }
}

// ---------------------------------------------------------------------------------------------------
// Images cut short or corrupt
// ---------------------------------------------------------------------------------------------------

TEST_F(ResourceLoaderTest, ACutImageKeepsTheEntriesThatAreWhole) {
    ImageWriter image;
    size_t menuEnd = image.Add(Ordinal(kMenu), Ordinal(1), 0x0406, SmallMenu());
    size_t stringsEnd = image.Add(Ordinal(kStrings), Ordinal(1), 0x0406, StringBlock({{1, u"Hello"}}));
    size_t namedEnd = image.Add(Named(u"KIND"), Named(u"SOME NAME"), 0x0406, Bytes(37, 7));
    ASSERT_EQ(namedEnd + 3, image.bytes.size());
    for (size_t length = 0; length <= image.bytes.size(); ++length) {
        Bytes cut(image.bytes.begin(), image.bytes.begin() + length);
        Use(cut);
        SCOPED_TRACE("image cut to " + std::to_string(length) + " bytes");
        HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(1));
        EXPECT_EQ(menu != nullptr, length >= menuEnd);
        WCHAR buffer[8];
        EXPECT_EQ(LoadStringW(nullptr, 1, buffer, 8), length >= stringsEnd ? 5 : 0);
        HRSRC named = FindResourceW(nullptr, u"some name", u"kind");
        EXPECT_EQ(named != nullptr, length >= namedEnd);
        EXPECT_EQ(SizeofResource(nullptr, named), named ? 37u : 0u);
        if (menu) DestroyMenu(menu);
    }
}

// An entry whose header does not hold together ends the directory: what came before stays.
TEST_F(ResourceLoaderTest, AnEntryThatLiesEndsTheDirectory) {
    struct Lie {
        const char *what;
        size_t offset;  // within the bad entry
        Bytes bytes;
    };
    const std::vector<Lie> lies = {
        {"data size past the end", 0, {0xFF, 0xFF, 0xFF, 0x7F}},
        {"header size past the end", 4, {0x00, 0x00, 0x01, 0x00}},
        {"header too small for its fields", 4, {0x10, 0, 0, 0}},
        {"header size not in whole DWORDs", 4, {0x22, 0, 0, 0}},
        {"name runs through the header", 12, Bytes(20, 'A')},
    };
    for (const Lie &lie : lies) {
        ImageWriter image;
        image.Add(Ordinal(kData), Ordinal(1), 0x0406, {1});
        size_t bad = image.bytes.size();
        image.Add(Ordinal(kData), Named(u"N"), 0x0406, {2});
        image.Add(Ordinal(kData), Ordinal(3), 0x0406, {3});
        std::copy(lie.bytes.begin(), lie.bytes.end(), image.bytes.begin() + bad + lie.offset);
        Use(image.bytes);
        EXPECT_NE(Find(1, kData), nullptr) << lie.what;
        EXPECT_EQ(Find(3, kData), nullptr) << lie.what;
    }
}

// A small generator with a fixed seed, so that every run tries the same images.
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed) {}
    uint32_t Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }

private:
    uint32_t state_;
};

// Every lookup the program makes, over ids near those it uses; none may read outside the image.
void LookEverywhere(size_t imageSize) {
    for (WORD type : {4, 5, 6, 10, 14, 16}) {
        for (WORD name = 0; name < 24; ++name) {
            HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(name), MAKEINTRESOURCEW(type));
            if (!resource) continue;
            EXPECT_LE(SizeofResource(nullptr, resource), imageSize);
            EXPECT_NE(LockResource(LoadResource(nullptr, resource)), nullptr);
        }
    }
    WCHAR buffer[16];
    for (UINT id = 0; id < 64; ++id)
        EXPECT_LE(LoadStringW(nullptr, id, buffer, 16), 15);
    for (WORD name = 0; name < 24; ++name)
        if (HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(name))) DestroyMenu(menu);
}

TEST_F(ResourceLoaderTest, RandomBytesNeverReadOutsideTheImage) {
    Noise noise(12345);
    for (int round = 0; round < 300; ++round) {
        Bytes image(noise.Next() % 600);
        for (BYTE &b : image)
            b = BYTE(noise.Next());
        Use(image);
        LookEverywhere(image.size());
    }
}

TEST_F(ResourceLoaderTest, CorruptedImagesNeverReadOutsideTheImage) {
    ImageWriter image;
    image.Add(Ordinal(kMenu), Ordinal(1), 0x0406, SmallMenu());
    image.Add(Ordinal(kStrings), Ordinal(1), 0x0406, StringBlock({{1, u"Hello"}, {15, u"end"}}));
    image.Add(Ordinal(kData), Ordinal(2), 0x0406, Bytes(40, 1));
    Noise noise(777);
    for (int round = 0; round < 500; ++round) {
        Bytes corrupt = image.bytes;
        for (int hits = 1 + noise.Next() % 4; hits > 0; --hits)
            corrupt[noise.Next() % corrupt.size()] = BYTE(noise.Next());
        Use(corrupt);
        LookEverywhere(corrupt.size());
    }
}

// ---------------------------------------------------------------------------------------------------
// Version resources
// ---------------------------------------------------------------------------------------------------

TEST(VersionInfo, BrokenBlocksFindNothing) {
    Bytes version = SampleVersion();
    LPVOID value = nullptr;
    UINT length = 0;
    // A child that claims to reach past its parent is never read beyond the resource.
    Bytes broken = version;
    // The header and the key "VS_VERSION_INFO" take 40 bytes with their padding; the fixed info follows.
    size_t strings = 40 + sizeof(VS_FIXEDFILEINFO);
    ASSERT_EQ(broken[strings + 6], 'S');
    broken[strings] = 0xFF;
    broken[strings + 1] = 0x7F;
    EXPECT_FALSE(VerQueryValueW(broken.data(), u"\\StringFileInfo\\040904B0\\ProductName", &value, &length));
    // Corruption anywhere but the outermost length (which the resource's size vouches for) never leads
    // outside the resource.
    Noise noise(99);
    for (int round = 0; round < 300; ++round) {
        Bytes corrupt = version;
        corrupt[2 + noise.Next() % (corrupt.size() - 2)] = BYTE(noise.Next());
        if (VerQueryValueW(corrupt.data(), u"\\StringFileInfo\\040904B0\\ProductName", &value, &length)) {
            auto *at = static_cast<const BYTE *>(value);
            EXPECT_TRUE(at >= corrupt.data() && at <= corrupt.data() + corrupt.size());
        }
    }
}

}  // namespace
