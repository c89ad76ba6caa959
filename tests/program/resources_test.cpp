// The loader on a real compiled resource file, the one the build makes: which resources it holds and in
// which language, its menus through LoadMenuW, its soft-key bar data, its strings through LoadStringW,
// the fields of its dialog templates, its icon group and version block, and every cut of the file.
#include "platform/posix/resources/resource_loader.h"
#include "platform/posix/windowing/menu.h"
#include "tests/support/menu_dump.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;
using menu_dump::Dump;

constexpr WORD kLanguage = 0x0406;
constexpr WORD kIcon = 3, kMenu = 4, kDialog = 5, kStrings = 6, kData = 10, kIconGroup = 14, kVersion = 16;

Bytes ReadFile(const char *path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Little-endian fields of one resource, read in order.
class FieldReader {
public:
    FieldReader(const BYTE *data, size_t size) : data_(data), size_(size) {}

    WORD Word() {
        if (at_ + 2 > size_) {
            overrun_ = true;
            return 0;
        }
        WORD w = WORD(data_[at_] | (data_[at_ + 1] << 8));
        at_ += 2;
        return w;
    }
    DWORD Dword() {
        DWORD low = Word();
        return low | (DWORD(Word()) << 16);
    }
    BYTE Byte() {
        if (at_ + 1 > size_) {
            overrun_ = true;
            return 0;
        }
        return data_[at_++];
    }
    std::string String() {
        std::string out;
        for (WORD c = Word(); c != 0 && !overrun_; c = Word())
            out += char(c);
        return out;
    }
    // A class or menu field of a dialog template: 0 for none, 0xFFFF and an ordinal, or a string.
    std::string NameOrOrdinal() {
        WORD first = Word();
        if (first == 0) return "";
        if (first == 0xFFFF) return "#" + std::to_string(Word());
        at_ -= 2;
        return String();
    }
    void AlignDword() { at_ = (at_ + 3) & ~size_t(3); }
    void Skip(size_t bytes) { at_ += bytes; }
    size_t Offset() const { return at_; }
    bool Overrun() const { return overrun_ || at_ > size_; }

private:
    const BYTE *data_;
    size_t size_;
    size_t at_ = 0;
    bool overrun_ = false;
};

class CompiledResourcesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { file = ReadFile(SCRIVEL_RES_FILE); }

    void SetUp() override {
        ASSERT_FALSE(file.empty()) << "cannot read " << SCRIVEL_RES_FILE;
        posix::ResetMenus();
        posix::SetResourceImage({file.data(), file.size()});
    }
    void TearDown() override {
        posix::SetResourceImage({});
        posix::ResetMenus();
    }

    static HRSRC Find(WORD name, WORD type) {
        return FindResourceW(nullptr, MAKEINTRESOURCEW(name), MAKEINTRESOURCEW(type));
    }
    static FieldReader Reader(HRSRC resource) {
        auto *data = static_cast<const BYTE *>(LockResource(LoadResource(nullptr, resource)));
        return FieldReader(data, data ? SizeofResource(nullptr, resource) : 0);
    }
    static std::string String(UINT id) {
        WCHAR buffer[64];
        int length = LoadStringW(nullptr, id, buffer, 64);
        return std::string(buffer, buffer + length);
    }

    static Bytes file;
};

Bytes CompiledResourcesTest::file;

// ---------------------------------------------------------------------------------------------------
// What the file holds
// ---------------------------------------------------------------------------------------------------

TEST_F(CompiledResourcesTest, HoldsExactlyTheseResourcesAllInOneLanguage) {
    std::set<std::pair<WORD, WORD>> found;
    int icons = 0;
    for (const posix::ResourceListing &r : posix::ListResources()) {
        EXPECT_EQ(r.language, kLanguage) << "type " << r.typeOrdinal << " name " << r.nameOrdinal;
        EXPECT_TRUE(r.typeName.empty() && r.name.empty()) << "every type and name is a number";
        if (r.typeOrdinal == kIcon)
            ++icons;  // images of the icon group, numbered by the resource compiler
        else
            EXPECT_TRUE(found.insert({r.typeOrdinal, r.nameOrdinal}).second) << "twice: " << r.nameOrdinal;
    }
    const std::set<std::pair<WORD, WORD>> expected = {
        {kMenu, 105},     {kMenu, 106},     {kMenu, 107},     {kMenu, 112},     {kMenu, 114},      {kData, 105},
        {kData, 106},     {kData, 107},     {kData, 112},     {kData, 114},     {kDialog, 111},    {kDialog, 113},
        {kStrings, 2501}, {kStrings, 2502}, {kStrings, 2503}, {kStrings, 2504}, {kIconGroup, 110}, {kVersion, 1},
    };
    EXPECT_EQ(found, expected);
    EXPECT_EQ(icons, 2);
}

// ---------------------------------------------------------------------------------------------------
// Menus
// ---------------------------------------------------------------------------------------------------

TEST_F(CompiledResourcesTest, MainMenuLoadsWithItsGreyAndUncheckedItems) {
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(105));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Dump(menu),
              "Mark 40025\n"
              "Menu >\n"
              "  File >\n"
              "    Open 40017\n"
              "    New 40026\n"
              "    Save As 40008\n"
              "    Save 40007\n"
              "    --- grey\n"
              "    Recent files 40055 grey\n"
              "  Edit >\n"
              "    Undo 40047 grey\n"
              "    --- grey\n"
              "    Cut 40037\n"
              "    Copy 40036\n"
              "    Paste 40038\n"
              "  Find 40041\n"
              "  Find next 40056 grey\n"
              "  --- grey\n"
              "  Misc. >\n"
              "    Word wrap 40040\n"
              "    Change font 40048\n"
              "    --- grey\n"
              "    About 40027\n"
              "  --- grey\n"
              "  Quit 40011\n");
    // The calls the program makes on it reach into the submenus.
    EXPECT_EQ(CheckMenuItem(menu, 40040, MF_BYCOMMAND | MF_CHECKED), DWORD(MF_UNCHECKED));
    EXPECT_EQ(EnableMenuItem(menu, 40056, MF_BYCOMMAND | MF_ENABLED), DWORD(MF_GRAYED));
    EXPECT_TRUE(DeleteMenu(menu, 40055, MF_BYCOMMAND));
}

TEST_F(CompiledResourcesTest, EachSoftKeyMenuHoldsItsTwoItems) {
    const std::map<WORD, std::string> expected = {
        {106, "Select 40030\nCancel 106\n"},
        {107, "Open 40024\nCancel 40023\n"},
        {112, "Find 40042\nCancel 40045\n"},
        {114, "Done 40049\nCancel 40045\n"},
    };
    for (const auto &[id, items] : expected) {
        HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(id));
        ASSERT_NE(menu, nullptr) << id;
        EXPECT_EQ(Dump(menu), items) << id;
    }
}

// ---------------------------------------------------------------------------------------------------
// Soft-key bar data
// ---------------------------------------------------------------------------------------------------

std::vector<WORD> Words(FieldReader reader, size_t count) {
    std::vector<WORD> words;
    for (size_t i = 0; i < count; ++i)
        words.push_back(reader.Word());
    return words;
}

// Menu, button count, then per button: image, command, state, style, label string, 0, popup index.
TEST_F(CompiledResourcesTest, EachBarHoldsItsSixteenFields) {
    const std::map<WORD, std::vector<WORD>> expected = {
        {105, {105, 2, 0xFFFE, 40025, 4, 16, 40039, 0, 0xFFFF, 0xFFFE, 40004, 4, 24, 40006, 0, 1}},
        {106, {106, 2, 0xFFFE, 40030, 4, 16, 40029, 0, 0xFFFF, 0xFFFE, 106, 4, 16, 40015, 0, 0xFFFF}},
        {107, {107, 2, 0xFFFE, 40024, 4, 16, 40020, 0, 0xFFFF, 0xFFFE, 40023, 4, 16, 40015, 0, 0xFFFF}},
        {112, {112, 2, 0xFFFE, 40042, 4, 16, 40044, 0, 0xFFFF, 0xFFFE, 40045, 4, 16, 40015, 0, 0xFFFF}},
        {114, {114, 2, 0xFFFE, 40049, 4, 16, 40051, 0, 0xFFFF, 0xFFFE, 40045, 4, 16, 40015, 0, 0xFFFF}},
    };
    for (const auto &[id, fields] : expected) {
        HRSRC bar = Find(id, kData);
        ASSERT_NE(bar, nullptr) << id;
        EXPECT_EQ(SizeofResource(nullptr, bar), 32u) << id;
        EXPECT_EQ(Words(Reader(bar), 16), fields) << id;
    }
}

// What the bar data points at exists: the menu, the labels, and the commands of the menu's items.
TEST_F(CompiledResourcesTest, EveryBarNamesItsMenuItemsAndLabels) {
    for (WORD id : {105, 106, 107, 112, 114}) {
        std::vector<WORD> fields = Words(Reader(Find(id, kData)), 16);
        HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(fields[0]));
        ASSERT_NE(menu, nullptr) << id;
        ASSERT_EQ(GetMenuItemCount(menu), 2) << id;
        for (int button = 0; button < 2; ++button) {
            const WORD *b = &fields[2 + 7 * button];
            EXPECT_FALSE(String(b[4]).empty()) << "bar " << id << " label " << b[4];
            if (b[6] == 0xFFFF)
                EXPECT_EQ(GetMenuItemID(menu, button), b[1]) << "bar " << id << " button " << button;
            else
                EXPECT_NE(GetSubMenu(menu, b[6]), nullptr) << "bar " << id << " popup " << b[6];
        }
    }
}

// ---------------------------------------------------------------------------------------------------
// Strings
// ---------------------------------------------------------------------------------------------------

TEST_F(CompiledResourcesTest, StringsLoadByTheirIds) {
    const std::map<UINT, std::string> expected = {
        {40003, "Save"}, {40006, "Menu"},   {40013, "Save"}, {40015, "Cancel"}, {40016, "Save"},
        {40020, "Open"}, {40029, "Select"}, {40039, "Mark"}, {40044, "Find"},   {40051, "Done"},
    };
    for (const auto &[id, text] : expected)
        EXPECT_EQ(String(id), text) << id;
}

TEST_F(CompiledResourcesTest, StringsAreCutToTheBufferAndMissingOnesAreEmpty) {
    WCHAR buffer[8];
    EXPECT_EQ(LoadStringW(nullptr, 40015, buffer, 4), 3);
    EXPECT_EQ(std::u16string(buffer), u"Can");
    EXPECT_EQ(LoadStringW(nullptr, 40004, buffer, 8), 0);  // in a block that exists
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(LoadStringW(nullptr, 100, buffer, 8), 0);  // in a block that does not
    const WCHAR *text = nullptr;
    EXPECT_EQ(LoadStringW(nullptr, 40029, (LPWSTR)&text, 0), 6);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::u16string(text, 6), u"Select");
}

// ---------------------------------------------------------------------------------------------------
// Dialogs
// ---------------------------------------------------------------------------------------------------

std::string Hex(DWORD value) {
    char text[16];
    snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// Class names ignore case, and resource compilers differ in the case they write.
std::string ClassName(const std::string &field) {
    static const std::map<std::string, std::string> predefined = {
        {"#128", "button"}, {"#129", "edit"}, {"#130", "static"}, {"#131", "listbox"}, {"#133", "combobox"}};
    auto it = predefined.find(field);
    if (it != predefined.end()) return it->second;
    std::string lower = field;
    for (char &c : lower)
        c = char(std::tolower((unsigned char)c));
    return lower;
}

// A DLGTEMPLATE and its DLGITEMTEMPLATEs as text: the header on the first line, one control a line.
std::string DescribeDialog(FieldReader r) {
    DWORD style = r.Dword();
    DWORD exStyle = r.Dword();
    int count = r.Word();
    int x = short(r.Word()), y = short(r.Word()), cx = short(r.Word()), cy = short(r.Word());
    std::string menu = r.NameOrOrdinal();
    std::string windowClass = r.NameOrOrdinal();
    std::string out = "style " + Hex(style) + " ex " + Hex(exStyle) + " at " + std::to_string(x) + "," +
                      std::to_string(y) + " size " + std::to_string(cx) + "x" + std::to_string(cy) + " menu '" + menu +
                      "' class '" + windowClass + "' caption '" + r.String() + "'";
    if (style & DS_SETFONT) {
        int points = r.Word();
        out += " font " + std::to_string(points) + " '" + r.String() + "'";
    }
    out += " controls " + std::to_string(count) + "\n";
    for (int i = 0; i < count; ++i) {
        r.AlignDword();
        DWORD controlStyle = r.Dword();
        DWORD controlExStyle = r.Dword();
        int values[4];
        for (int &v : values)
            v = short(r.Word());
        int id = short(r.Word());
        std::string controlClass = ClassName(r.NameOrOrdinal());
        std::string text = r.NameOrOrdinal();
        r.Skip(r.Word());  // creation data
        out += controlClass + " " + std::to_string(id) + " '" + text + "' " + std::to_string(values[0]) + "," +
               std::to_string(values[1]) + "," + std::to_string(values[2]) + "," + std::to_string(values[3]) + " " +
               Hex(controlStyle) + (controlExStyle ? " ex " + Hex(controlExStyle) : "") + "\n";
    }
    if (r.Overrun()) out += "overrun\n";
    return out;
}

TEST_F(CompiledResourcesTest, FindDialogTemplate) {
    HRSRC dialog = Find(111, kDialog);
    ASSERT_NE(dialog, nullptr);
    // WS_POPUP | DS_CENTER | DS_MODALFRAME | DS_SETFONT; no caption.
    EXPECT_EQ(DescribeDialog(Reader(dialog)),
              "style 0x800008C0 ex 0x00000000 at 0,0 size 98x22 menu '' class '' caption '' font 8 'System' "
              "controls 2\n"
              "static -1 'Search for:' 1,1,58,8 0x50020000\n"
              "edit 1000 '' 0,10,97,12 0x50810180\n");
}

TEST_F(CompiledResourcesTest, FontDialogTemplate) {
    HRSRC dialog = Find(113, kDialog);
    ASSERT_NE(dialog, nullptr);
    // WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT. List boxes: LBS_NOTIFY, LBS_NOINTEGRALHEIGHT, and
    // LBS_SORT for the names; spinners: UDS_WRAP, SETBUDDYINT, ALIGNRIGHT, AUTOBUDDY, ARROWKEYS, HORZ,
    // EXPANDABLE.
    EXPECT_EQ(DescribeDialog(Reader(dialog)),
              "style 0x80C000C0 ex 0x00000000 at 0,0 size 102x95 menu '' class '' caption 'Select font' font 8 "
              "'System' controls 7\n"
              "static 1001 'Sample of selected font' 1,50,98,33 0x50820000\n"
              "listbox 1002 '' 1,12,90,9 0x50010103\n"
              "msctls_updown32 1004 'Fontname' 91,12,10,13 0x50000277\n"
              "listbox 1005 '' 1,35,29,9 0x50010101\n"
              "msctls_updown32 1006 'Fontsize' 33,34,11,12 0x50000277\n"
              "static -1 'Fontname:' 2,2,51,10 0x50020000\n"
              "static -1 'Fontsize:' 1,26,38,8 0x50020000\n");
}

// ---------------------------------------------------------------------------------------------------
// Icon and version
// ---------------------------------------------------------------------------------------------------

TEST_F(CompiledResourcesTest, IconGroupHoldsA32AndA16PixelImageOf16Colours) {
    HRSRC group = Find(110, kIconGroup);
    ASSERT_NE(group, nullptr);
    FieldReader r = Reader(group);
    EXPECT_EQ(r.Word(), 0);  // reserved
    EXPECT_EQ(r.Word(), 1);  // icons, not cursors
    int count = r.Word();
    ASSERT_EQ(count, 2);
    std::vector<int> sizes;
    for (int i = 0; i < count; ++i) {
        int width = r.Byte(), height = r.Byte(), colours = r.Byte();
        r.Byte();
        r.Word();  // planes
        int bits = r.Word();
        DWORD bytes = r.Dword();
        WORD id = r.Word();
        EXPECT_EQ(width, height);
        EXPECT_EQ(colours, 16);
        EXPECT_EQ(bits, 4);
        sizes.push_back(width);

        HRSRC image = Find(id, kIcon);
        ASSERT_NE(image, nullptr) << "image " << id;
        EXPECT_EQ(SizeofResource(nullptr, image), bytes);
        FieldReader header = Reader(image);  // BITMAPINFOHEADER: the height counts the mask too
        EXPECT_EQ(header.Dword(), 40u);
        EXPECT_EQ(int(header.Dword()), width);
        EXPECT_EQ(int(header.Dword()), 2 * height);
        EXPECT_EQ(header.Word(), 1);
        EXPECT_EQ(header.Word(), 4);
    }
    EXPECT_FALSE(r.Overrun());
    EXPECT_EQ(sizes, (std::vector<int>{32, 16}));
}

// A node of a version block: its key, its value's bytes, and its children.
struct VersionNode {
    std::string key;
    Bytes value;
    std::vector<VersionNode> children;

    const VersionNode *Child(const std::string &name) const {
        for (const VersionNode &c : children)
            if (c.key == name) return &c;
        return nullptr;
    }
    std::string Text() const {
        std::string out;
        for (size_t i = 0; i + 1 < value.size() && (value[i] || value[i + 1]); i += 2)
            out += char(value[i]);
        return out;
    }
};

// wLength, wValueLength (in characters for text), wType, key, padding, value, padding, children.
VersionNode ReadVersionNode(const BYTE *data, size_t size) {
    FieldReader r(data, size);
    VersionNode node;
    size_t length = std::min<size_t>(r.Word(), size);
    size_t valueLength = r.Word();
    bool text = r.Word() == 1;
    node.key = r.String();
    r.AlignDword();
    size_t valueBytes = std::min(text ? valueLength * 2 : valueLength, length - std::min(length, r.Offset()));
    node.value.assign(data + r.Offset(), data + r.Offset() + valueBytes);
    r.Skip(valueBytes);
    r.AlignDword();
    while (r.Offset() + 6 <= length) {
        VersionNode child = ReadVersionNode(data + r.Offset(), length - r.Offset());
        size_t childLength = data[r.Offset()] | (data[r.Offset() + 1] << 8);
        if (childLength == 0) break;
        node.children.push_back(child);
        r.Skip(childLength);
        r.AlignDword();
    }
    return node;
}

TEST_F(CompiledResourcesTest, VersionBlockGivesOneZeroZeroTwoAndOneProductName) {
    HRSRC version = Find(1, kVersion);
    ASSERT_NE(version, nullptr);
    auto *data = static_cast<const BYTE *>(LockResource(LoadResource(nullptr, version)));
    VersionNode root = ReadVersionNode(data, SizeofResource(nullptr, version));
    EXPECT_EQ(root.key, "VS_VERSION_INFO");

    FieldReader fixed(root.value.data(), root.value.size());  // VS_FIXEDFILEINFO
    ASSERT_EQ(root.value.size(), 52u);
    EXPECT_EQ(fixed.Dword(), 0xFEEF04BDu);
    fixed.Dword();                          // structure version
    EXPECT_EQ(fixed.Dword(), 0x00010000u);  // file version 1.0
    EXPECT_EQ(fixed.Dword(), 0x00000002u);  //              .0.2
    EXPECT_EQ(fixed.Dword(), 0x00010000u);  // product version
    EXPECT_EQ(fixed.Dword(), 0x00000002u);

    const VersionNode *strings = root.Child("StringFileInfo");
    ASSERT_NE(strings, nullptr);
    ASSERT_EQ(strings->children.size(), 1u);
    const VersionNode &table = strings->children[0];
    EXPECT_EQ(table.key, "040604B0");  // the language, and the UTF-16 code page 1200
    for (const char *key : {"FileVersion", "ProductVersion"}) {
        ASSERT_NE(table.Child(key), nullptr) << key;
        EXPECT_EQ(table.Child(key)->Text(), "1, 0, 0, 2") << key;
    }
    for (const char *key : {"ProductName", "InternalName", "FileDescription"})
        ASSERT_NE(table.Child(key), nullptr) << key;
    std::string product = table.Child("ProductName")->Text();
    EXPECT_FALSE(product.empty());
    EXPECT_EQ(table.Child("InternalName")->Text(), product);
    EXPECT_EQ(table.Child("FileDescription")->Text(), product);

    const VersionNode *variables = root.Child("VarFileInfo");
    ASSERT_NE(variables, nullptr);
    ASSERT_NE(variables->Child("Translation"), nullptr);
    EXPECT_EQ(variables->Child("Translation")->value, (Bytes{0x06, 0x04, 0xB0, 0x04}));
}

// ---------------------------------------------------------------------------------------------------
// The file cut short
// ---------------------------------------------------------------------------------------------------

// Cut anywhere, the file still reads safely, and a longer cut never finds fewer resources.
TEST_F(CompiledResourcesTest, EveryCutOfTheFileReadsSafely) {
    const std::vector<std::pair<WORD, WORD>> resources = {
        {105, kMenu},   {106, kMenu},   {107, kMenu},  {112, kMenu},      {114, kMenu},
        {105, kData},   {106, kData},   {107, kData},  {112, kData},      {114, kData},
        {111, kDialog}, {113, kDialog}, {1, kVersion}, {110, kIconGroup}, {2504, kStrings}};
    int previous = 0;
    for (size_t length = 0; length <= file.size(); ++length) {
        posix::SetResourceImage({file.data(), length});
        int found = 0;
        for (const auto &[name, type] : resources) {
            HRSRC resource = Find(name, type);
            if (!resource) continue;
            ++found;
            EXPECT_LE(SizeofResource(nullptr, resource), length);
            if (type == kMenu)
                if (HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(name))) DestroyMenu(menu);
        }
        WCHAR buffer[8];
        for (UINT id : {40003u, 40039u, 40051u})
            EXPECT_LE(LoadStringW(nullptr, id, buffer, 8), 7);
        ASSERT_GE(found, previous) << "cut to " << length;
        previous = found;
    }
    EXPECT_EQ(previous, int(resources.size()));
}

}  // namespace
