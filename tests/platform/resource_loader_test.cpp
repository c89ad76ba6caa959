// The resource loader on resource images built here: finding resources by ordinal and by name, their
// bytes, strings from string tables, menus from menu resources, and images that are cut short or
// corrupt, which must never be read past their end; and version resources read by the path of their blocks.
#include "platform/posix/base/win32_api.h"
#include "platform/posix/resources/resource_loader.h"
#include "platform/posix/windowing/menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;

// A resource type or name: an ordinal, or a string when name is not empty.
struct Key {
    WORD ordinal = 0;
    std::u16string name;
};
Key Ordinal(WORD n) {
    return Key{n, {}};
}
Key Named(const std::u16string &name) {
    return Key{0, name};
}

// Writes a resource image in the compiled .res layout.
class ImageWriter {
public:
    ImageWriter() { Add(Ordinal(0), Ordinal(0), 0, {}); }  // the empty entry every .res starts with

    // Returns where the entry's data ends: an image cut anywhere before that lacks the entry.
    size_t Add(const Key &type, const Key &name, WORD language, const Bytes &data) {
        Bytes header;
        PutKey(header, type);
        PutKey(header, name);
        while (header.size() % 4 != 0)
            header.push_back(0);
        PutDword(header, 0);    // DataVersion
        PutWord(header, 0x30);  // MemoryFlags
        PutWord(header, language);
        PutDword(header, 0);  // Version
        PutDword(header, 0);  // Characteristics
        PutDword(bytes, DWORD(data.size()));
        PutDword(bytes, DWORD(header.size() + 8));
        bytes.insert(bytes.end(), header.begin(), header.end());
        bytes.insert(bytes.end(), data.begin(), data.end());
        size_t end = bytes.size();
        while (bytes.size() % 4 != 0)
            bytes.push_back(0);
        return end;
    }

    static void PutWord(Bytes &out, WORD w) {
        out.push_back(BYTE(w));
        out.push_back(BYTE(w >> 8));
    }
    static void PutDword(Bytes &out, DWORD d) {
        PutWord(out, WORD(d));
        PutWord(out, WORD(d >> 16));
    }

    Bytes bytes;

private:
    static void PutKey(Bytes &out, const Key &key) {
        if (key.name.empty()) {
            PutWord(out, 0xFFFF);
            PutWord(out, key.ordinal);
            return;
        }
        for (char16_t c : key.name)
            PutWord(out, c);
        PutWord(out, 0);
    }
};

// A string-table block: 16 counted strings, the missing ones empty.
Bytes StringBlock(const std::vector<std::pair<int, std::u16string>> &strings) {
    std::u16string texts[16];
    for (const auto &[index, text] : strings)
        texts[index] = text;
    Bytes out;
    for (const std::u16string &text : texts) {
        ImageWriter::PutWord(out, WORD(text.size()));
        for (char16_t c : text)
            ImageWriter::PutWord(out, c);
    }
    return out;
}

Bytes Words(std::initializer_list<WORD> words) {
    Bytes out;
    for (WORD w : words)
        ImageWriter::PutWord(out, w);
    return out;
}

// A menu template with one popup "P" holding item 5 "x", then item 6 "y".
Bytes SmallMenu() {
    return Words({0, 0, MF_POPUP, u'P', 0, MF_END, 5, u'x', 0, MF_END, 6, u'y', 0});
}

std::string Narrow(const WCHAR *text, size_t length) {
    return std::string(text, text + length);
}

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

constexpr WORD kData = 10;    // RT_RCDATA
constexpr WORD kMenu = 4;     // RT_MENU
constexpr WORD kStrings = 6;  // RT_STRING
constexpr DWORD kUntouched = 0xDEADBEEF;

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
    EXPECT_EQ(SizeofResource(nullptr, resource), 5u);
    HGLOBAL loaded = LoadResource(nullptr, resource);
    EXPECT_EQ(LockResource(loaded), (LPVOID)loaded);
    EXPECT_EQ((uintptr_t)loaded % 4, 0u);
    EXPECT_EQ(BytesOf(resource), (Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(BytesOf(Find(3, kData)), (Bytes{9, 9, 9}));
}

TEST_F(ResourceLoaderTest, StringNamesAndTypesIgnoreCase) {
    ImageWriter image;
    image.Add(Named(u"TEXTS"), Named(u"GREETING"), 0x0406, {42});
    Use(image.bytes);
    EXPECT_EQ(BytesOf(FindResourceW(nullptr, u"Greeting", u"texts")), Bytes{42});
    EXPECT_EQ(BytesOf(FindResourceW(nullptr, u"GREETING", u"TEXTS")), Bytes{42});
    SetLastError(kUntouched);
    EXPECT_EQ(FindResourceW(nullptr, u"GREETINGS", u"TEXTS"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
}

TEST_F(ResourceLoaderTest, AHashAndANumberNameTheOrdinal) {
    ImageWriter image;
    image.Add(Ordinal(kData), Ordinal(105), 0x0406, {1});
    Use(image.bytes);
    EXPECT_EQ(BytesOf(FindResourceW(nullptr, u"#105", u"#10")), Bytes{1});
    EXPECT_EQ(FindResourceW(nullptr, u"#1x5", RT_RCDATA), nullptr);
    EXPECT_EQ(FindResourceW(nullptr, u"105", RT_RCDATA), nullptr);  // without the hash it is a name
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

TEST_F(ResourceLoaderTest, WithoutAnImageNothingIsFound) {
    SetLastError(kUntouched);
    EXPECT_EQ(Find(1, kData), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_DATA_NOT_FOUND));
    WCHAR buffer[8] = u"keep";
    EXPECT_EQ(LoadStringW(nullptr, 1, buffer, 8), 0);
    EXPECT_EQ(buffer[0], u'k');
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

// Strings 1 "Hello" and 2 "Hi" in block 1 (ids 0 to 15); 4 is an empty slot; block 2 is absent.
class StringTableTest : public ResourceLoaderTest {
protected:
    void SetUp() override {
        ResourceLoaderTest::SetUp();
        ImageWriter image;
        image.Add(Ordinal(kStrings), Ordinal(1), 0x0406, StringBlock({{1, u"Hello"}, {2, u"Hi"}}));
        image.Add(Ordinal(kStrings), Ordinal(3), 0x0406, StringBlock({{0, u"Thirty-two"}}));
        Use(image.bytes);
    }
};

TEST_F(StringTableTest, CopiesTheStringWithItsTerminator) {
    WCHAR buffer[16];
    EXPECT_EQ(LoadStringW(nullptr, 1, buffer, 16), 5);
    EXPECT_EQ(std::u16string(buffer), u"Hello");
    EXPECT_EQ(LoadStringW(nullptr, 32, buffer, 16), 10);
    EXPECT_EQ(std::u16string(buffer), u"Thirty-two");
}

TEST_F(StringTableTest, CutsTheStringToTheBuffer) {
    WCHAR buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(LoadStringW(nullptr, 1, buffer, 3), 2);
    EXPECT_EQ(std::u16string(buffer), u"He");
    EXPECT_EQ(buffer[3], u'#');
    EXPECT_EQ(LoadStringW(nullptr, 1, buffer, 6), 5);
    EXPECT_EQ(std::u16string(buffer), u"Hello");
}

TEST_F(StringTableTest, ASizeOfZeroGivesAPointerIntoTheTable) {
    const WCHAR *text = nullptr;
    EXPECT_EQ(LoadStringW(nullptr, 1, (LPWSTR)&text, 0), 5);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(Narrow(text, 5), "Hello");
    EXPECT_EQ(text[5], 2);  // not terminated: the count of the next string, "Hi", follows
}

TEST_F(StringTableTest, MissingStringsLoadAsNothing) {
    WCHAR buffer[8] = u"keep";
    EXPECT_EQ(LoadStringW(nullptr, 4, buffer, 8), 0);  // an empty slot of a block that exists
    EXPECT_EQ(buffer[0], 0);
    std::copy_n(u"keep", 5, buffer);
    EXPECT_EQ(LoadStringW(nullptr, 20, buffer, 8), 0);  // in block 2, which does not exist
    EXPECT_EQ(std::u16string(buffer), u"keep");
    EXPECT_EQ(LoadStringW(nullptr, 1, nullptr, 8), 0);
}

TEST_F(StringTableTest, OnlyTheLowWordOfTheIdCounts) {
    WCHAR buffer[8];
    EXPECT_EQ(LoadStringW(nullptr, 0x10001, buffer, 8), 5);
    EXPECT_EQ(std::u16string(buffer), u"Hello");
}

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

TEST_F(ResourceLoaderTest, LoadMenuReadsTheMenuResource) {
    ImageWriter image;
    image.Add(Ordinal(kMenu), Ordinal(50), 0x0406, SmallMenu());
    Use(image.bytes);
    HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(50));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 2);
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(GetMenuItemID(popup, 0), 5u);
    EXPECT_EQ(GetMenuItemID(menu, 1), 6u);

    SetLastError(kUntouched);
    EXPECT_EQ(LoadMenuW(nullptr, MAKEINTRESOURCEW(51)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
}

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

// One block of a version resource: its key, its value (text when it is a string), and its children.
Bytes VersionBlock(const std::u16string &key, const Bytes &value, bool text, const std::vector<Bytes> &children) {
    Bytes out(6, 0);
    for (char16_t ch : key + u'\0') {
        out.push_back(BYTE(ch));
        out.push_back(BYTE(ch >> 8));
    }
    while (out.size() % 4)
        out.push_back(0);
    out.insert(out.end(), value.begin(), value.end());
    for (const Bytes &child : children) {
        while (out.size() % 4)
            out.push_back(0);
        out.insert(out.end(), child.begin(), child.end());
    }
    size_t valueLength = text ? value.size() / 2 : value.size();
    out[0] = BYTE(out.size()), out[1] = BYTE(out.size() >> 8);
    out[2] = BYTE(valueLength), out[3] = BYTE(valueLength >> 8);
    out[4] = text ? 1 : 0;
    return out;
}

Bytes TextValue(const std::u16string &text) {
    Bytes out;
    for (char16_t ch : text + u'\0') {
        out.push_back(BYTE(ch));
        out.push_back(BYTE(ch >> 8));
    }
    return out;
}

// A version resource of file version 3.1.4.15 and one string table with a product name.
Bytes SampleVersion() {
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = 0xFEEF04BD;
    fixed.dwFileVersionMS = 0x00030001;
    fixed.dwFileVersionLS = 0x0004000F;
    Bytes fixedBytes(reinterpret_cast<BYTE *>(&fixed), reinterpret_cast<BYTE *>(&fixed) + sizeof fixed);
    Bytes name = VersionBlock(u"ProductName", TextValue(u"Sample"), true, {});
    Bytes table = VersionBlock(u"040904B0", {}, true, {name});
    Bytes strings = VersionBlock(u"StringFileInfo", {}, true, {table});
    return VersionBlock(u"VS_VERSION_INFO", fixedBytes, false, {strings});
}

TEST(VersionInfo, TheRootGivesTheFixedInfoAndAPathGivesItsText) {
    Bytes version = SampleVersion();
    LPVOID value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(version.data(), u"\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    auto *fixed = static_cast<VS_FIXEDFILEINFO *>(value);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 3);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), 15);

    // Keys ignore case, and the length of a text counts its characters with the terminator.
    ASSERT_TRUE(VerQueryValueW(version.data(), u"\\stringfileinfo\\040904b0\\productname", &value, &length));
    EXPECT_EQ(length, 7u);
    EXPECT_EQ(std::u16string(static_cast<const char16_t *>(value)), u"Sample");

    // A block that is there but holds no value is found, empty.
    ASSERT_TRUE(VerQueryValueW(version.data(), u"\\StringFileInfo", &value, &length));
    EXPECT_EQ(length, 0u);
}

TEST(VersionInfo, MissingPathsAndBrokenBlocksFindNothing) {
    Bytes version = SampleVersion();
    LPVOID value = nullptr;
    UINT length = 0;
    EXPECT_FALSE(VerQueryValueW(version.data(), u"\\VarFileInfo\\Translation", &value, &length));
    EXPECT_FALSE(VerQueryValueW(version.data(), u"\\StringFileInfo\\040904B0\\CompanyName", &value, &length));
    EXPECT_FALSE(VerQueryValueW(nullptr, u"\\", &value, &length));

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
