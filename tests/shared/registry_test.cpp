// The registry as Win32 has it: keys created, opened and closed, values of every type and size kept,
// queries following Win32's buffer rules, and names that are not valid UTF-16, in a key of the test's own.
#include <gtest/gtest.h>

#include "tests/shared/registry_values.h"
#include "tests/support/test_platform.h"

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

// The first count bytes of text with its terminator, padded with zeros.
Bytes StringBytes(const WString &text, size_t count) {
    Bytes bytes(count, 0);
    memcpy(bytes.data(), text.c_str(), std::min(count, (text.size() + 1) * sizeof(WCHAR)));
    return bytes;
}

Bytes DwordBytes(DWORD value) {
    return {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
}

class Registry : public ::testing::Test {
protected:
    void SetUp() override { test_platform::UseScratchRegistry(); }
    void TearDown() override { test_platform::RemoveScratchRegistry(); }

    // The path of the test's key under HKEY_CURRENT_USER, with below appended.
    static WString KeyPath(const WCHAR *below = TEXT("")) {
        return WString(test_platform::ScratchRegistryKey()) + below;
    }
    static HKEY Settings() {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        return key;
    }
};

TEST_F(Registry, EveryTypeAndSizeSurvivesARestart) {
    HKEY key = Settings();
    Bytes big(300);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = BYTE(i * 7);
    const std::vector<std::tuple<const WCHAR *, DWORD, Bytes>> values = {
        {TEXT("Empty"), REG_SZ, {}},
        {TEXT("Full"), REG_SZ, StringBytes(TEXT("abc"), 8)},
        {TEXT("Short"), REG_DWORD, {1, 2, 3}},
        {TEXT("Binary"), REG_BINARY, big},
        {TEXT("Multi"), REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}},
        {TEXT("Odd type"), 0x1234, {9}},
        {TEXT("Quote\"and\\slash"), REG_SZ, StringBytes(TEXT("x"), 4)},
        {TEXT("Line\nbreak"), REG_BINARY, {1}},
        {nullptr, REG_SZ, StringBytes(TEXT("default"), 16)},
    };
    for (const auto &[name, type, data] : values)
        ASSERT_EQ(SetValue(key, name, type, data), ERROR_SUCCESS);

    test_platform::ReadRegistryAfresh();
    key = Settings();
    for (const auto &[name, type, data] : values) {
        DWORD readType = 0;
        Bytes readData;
        ASSERT_TRUE(GetValue(key, name, readType, readData))
            << ::testing::PrintToString(WString(name ? name : TEXT("@")));
        EXPECT_EQ(readType, type);
        EXPECT_EQ(readData, data);
    }
}

TEST_F(Registry, QueriesFollowWin32BufferRules) {
    HKEY key = Settings();
    ASSERT_EQ(SetValue(key, TEXT("Font"), REG_SZ, StringBytes(TEXT("Nina"), 10)), ERROR_SUCCESS);
    ASSERT_EQ(SetValue(key, TEXT("Size"), REG_DWORD, DwordBytes(12)), ERROR_SUCCESS);
    ASSERT_EQ(SetValue(key, TEXT("Nothing"), REG_SZ, {}), ERROR_SUCCESS);

    BYTE buffer[16];
    memset(buffer, 0xCC, sizeof buffer);
    DWORD type = 77, size = 9;
    EXPECT_EQ(RegQueryValueExW(key, TEXT("Font"), nullptr, &type, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 10u);
    for (BYTE b : buffer)
        EXPECT_EQ(b, 0xCC);  // untouched, though only the terminator did not fit
    size = 10;
    EXPECT_EQ(RegQueryValueExW(key, TEXT("Font"), nullptr, nullptr, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(Bytes(buffer, buffer + 11), (Bytes{'N', 0, 'i', 0, 'n', 0, 'a', 0, 0, 0, 0xCC}));

    size = 2;
    EXPECT_EQ(RegQueryValueExW(key, TEXT("Size"), nullptr, nullptr, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    size = 0;
    EXPECT_EQ(RegQueryValueExW(key, TEXT("Size"), nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(type, DWORD(REG_DWORD));

    memset(buffer, 0xCC, sizeof buffer);
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExW(key, TEXT("Nothing"), nullptr, &type, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(buffer[0], 0xCC);  // no terminator added

    type = 77;
    size = 55;
    EXPECT_EQ(RegQueryValueExW(key, TEXT("Missing"), nullptr, &type, buffer, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(type, 77u);
    EXPECT_EQ(size, 55u);
    EXPECT_EQ(RegQueryValueExW(key, TEXT("Font"), nullptr, nullptr, buffer, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExW(reinterpret_cast<HKEY>(0x1234), TEXT("Font"), nullptr, nullptr, nullptr, &size),
              ERROR_INVALID_HANDLE);
}

// Desktop Windows adds the missing half of the terminator to a string of 2 x n + 1 bytes ("yes NT does
// this", in Wine's words) and so reads one byte past the caller's data; our platform keeps the count.
TEST_F(Registry, AStringOfAnOddByteCountGetsTheRestOfItsTerminator) {
    SKIP_ON_OUR_PLATFORM("the registry stores exactly the byte count it is given");
    HKEY key = Settings();
    const Bytes abc = StringBytes(TEXT("abc"), 10);  // the byte past the count is there to be read
    ASSERT_EQ(RegSetValueExW(key, TEXT("Odd"), 0, REG_SZ, abc.data(), 7), ERROR_SUCCESS);
    DWORD type = 0;
    Bytes data;
    ASSERT_TRUE(GetValue(key, TEXT("Odd"), type, data));
    ASSERT_EQ(data.size(), 9u);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 8), StringBytes(TEXT("abc"), 8));
}

TEST_F(Registry, KeysAreCreatedOpenedAndClosedAsOnWin32) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath().c_str(), 0, KEY_QUERY_VALUE, &key), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, DWORD(REG_CREATED_NEW_KEY));
    ASSERT_EQ(SetValue(key, TEXT("A"), REG_DWORD, DwordBytes(1)), ERROR_SUCCESS);

    // Key names ignore case, and a trailing backslash names the same key.
    WString otherCase = KeyPath(TEXT("\\"));
    CharUpperBuffW(otherCase.data(), DWORD(otherCase.size()));
    HKEY again = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, otherCase.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &again,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, DWORD(REG_OPENED_EXISTING_KEY));
    DWORD type;
    Bytes data;
    EXPECT_TRUE(GetValue(again, TEXT("a"), type, data));

    // A key opens below another opened key.
    const WString path = KeyPath();
    const size_t split = path.find(TEXT('\\'));
    ASSERT_NE(split, WString::npos);
    HKEY parent = nullptr, child = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.substr(0, split).c_str(), 0, KEY_QUERY_VALUE, &parent),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExW(parent, path.substr(split + 1).c_str(), 0, KEY_QUERY_VALUE, &child), ERROR_SUCCESS);
    EXPECT_TRUE(GetValue(child, TEXT("A"), type, data));
    RegCloseKey(parent);

    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (TEXT("\\") + path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCloseKey(child), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(child), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExW(child, TEXT("A"), nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

TEST_F(Registry, DeletingAValueWritesThrough) {
    HKEY key = Settings();
    ASSERT_EQ(SetValue(key, TEXT("Gone"), REG_DWORD, DwordBytes(1)), ERROR_SUCCESS);
    ASSERT_EQ(SetValue(key, TEXT("Kept"), REG_DWORD, DwordBytes(2)), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(key, TEXT("GONE")), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(key, TEXT("Gone")), ERROR_FILE_NOT_FOUND);
    test_platform::ReadRegistryAfresh();
    key = Settings();
    EXPECT_FALSE(HasValue(key, TEXT("Gone")));
    EXPECT_TRUE(HasValue(key, TEXT("Kept")));
}

// Half a surrogate pair is a name of its own: names holding one must neither become U+FFFD (two of them
// would then be one value) nor be lost.
TEST_F(Registry, NamesWithHalfASurrogatePairKeepEveryUnit) {
    const WString high = TEXT("Name\xD800"), low = TEXT("Name\xDC00"), pair = TEXT("Name\xD83D\xDE00"),
                  plain = TEXT("Name\xFFFD");
    const WString keyPath = KeyPath(TEXT("\\Sub\xDBFF"));
    HKEY key = Settings();
    ASSERT_EQ(SetValue(key, high.c_str(), REG_DWORD, DwordBytes(1)), ERROR_SUCCESS);
    ASSERT_EQ(SetValue(key, low.c_str(), REG_DWORD, DwordBytes(2)), ERROR_SUCCESS);
    ASSERT_EQ(SetValue(key, pair.c_str(), REG_DWORD, DwordBytes(3)), ERROR_SUCCESS);
    ASSERT_EQ(SetValue(key, plain.c_str(), REG_DWORD, DwordBytes(4)), ERROR_SUCCESS);
    HKEY sub = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(SetValue(sub, TEXT("In\xDFFF"), REG_SZ, StringBytes(TEXT("x\xD801y"), 8)), ERROR_SUCCESS);

    for (int pass = 0; pass < 2; ++pass) {  // as written, and once more after a write of what was read
        test_platform::ReadRegistryAfresh();
        key = Settings();
        DWORD type;
        Bytes data;
        int expected = 1;
        for (const WString &name : {high, low, pair, plain}) {
            ASSERT_TRUE(GetValue(key, name.c_str(), type, data)) << "pass " << pass << " value " << expected;
            EXPECT_EQ(data, DwordBytes(DWORD(expected++)));
        }
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_ALL_ACCESS, &sub), ERROR_SUCCESS);
        HKEY other = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(TEXT("\\Sub\xFFFD")).c_str(), 0, KEY_QUERY_VALUE, &other),
                  ERROR_FILE_NOT_FOUND);
        ASSERT_TRUE(GetValue(sub, TEXT("In\xDFFF"), type, data));
        EXPECT_EQ(data, StringBytes(TEXT("x\xD801y"), 8));
        ASSERT_EQ(SetValue(sub, TEXT("Touch"), REG_DWORD, DwordBytes(0)), ERROR_SUCCESS);
    }
}

}  // namespace
