// The font chooser, through Menu, Misc., Change font and its soft keys, as a person uses it: the lists
// and where they open, the sample, what Done stores and applies, and what Cancel and failures leave.
#include "editing/font_chooser.h"
#include "settings/settings.h"
#include "tests/program/harness.h"
#include "platform/posix/controls/shell.h"
#include "platform/posix/drawing/gdi.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/reset.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

// The machine's families in the order the platform enumerates them, which is not the sorted order.
const std::vector<std::u16string> kFamilies = {u"DejaVu Sans Mono", u"Nina", u"DejaVu Sans"};

HWND List(int id) {
    return GetDlgItem(FontDialogWindow, id);
}

std::u16string ItemText(HWND list, LRESULT index) {
    WCHAR text[LF_FACESIZE + 1] = {};
    if (SendMessageW(list, LB_GETTEXTLEN, (WPARAM)index, 0) > LF_FACESIZE) return u"(too long)";
    SendMessageW(list, LB_GETTEXT, (WPARAM)index, (LPARAM)text);
    return text;
}

// The selected item's text, or "(none)".
std::u16string Selected(int id) {
    LRESULT index = SendMessageW(List(id), LB_GETCURSEL, 0, 0);
    return index == LB_ERR ? u"(none)" : ItemText(List(id), index);
}

std::vector<std::u16string> Items(int id) {
    std::vector<std::u16string> items;
    LRESULT count = SendMessageW(List(id), LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
        items.push_back(ItemText(List(id), i));
    return items;
}

HFONT SampleFontHandle() {
    return (HFONT)SendMessageW(GetDlgItem(FontDialogWindow, IDC_FONT_SAMPLE), WM_GETFONT, 0, 0);
}

HFONT EditorFontHandle() {
    return (HFONT)SendMessageW(EditorControl, WM_GETFONT, 0, 0);
}

std::u16string Decimal(long n) {
    std::u16string text;
    for (char c : std::to_string(n))
        text += char16_t(c);
    return text;
}

// "Face, height" of a font, as the terminal names it; "(none)" for no font object.
std::u16string Described(HFONT font) {
    const LOGFONTW *lf = posix::FontDescription(font);
    if (!lf) return u"(none)";
    return lf->lfFaceName + std::u16string(u", ") + Decimal(lf->lfHeight);
}

// The bytes of a hex(...) value in the registry file, its folded lines joined; empty when absent.
std::vector<int> StoredBytes(const std::string &registry, const std::string &name) {
    std::vector<int> bytes;
    std::string key = "\"" + name + "\"=hex(1):";
    size_t at = registry.find(key);
    if (at == std::string::npos) return bytes;
    for (size_t i = at + key.size(); i < registry.size();) {
        char c = registry[i];
        if (c == '\\' && i + 1 < registry.size() && registry[i + 1] == '\n') {
            i += 2;
            continue;
        }
        if (c == '\r' || c == '\n') break;
        if (std::isxdigit((unsigned char)c) && i + 1 < registry.size()) {
            bytes.push_back(std::stoi(registry.substr(i, 2), nullptr, 16));
            i += 2;
            continue;
        }
        ++i;
    }
    return bytes;
}

// A face stored by the settings rule: each character's two bytes, then the low byte of the terminator.
std::vector<int> StoredForm(const std::u16string &face) {
    std::vector<int> bytes;
    for (char16_t c : face) {
        bytes.push_back(c & 0xFF);
        bytes.push_back(c >> 8);
    }
    bytes.push_back(0);
    return bytes;
}

constexpr int kMisc = 5;
constexpr int kChangeFont = 2;
constexpr int kWordWrap = 1;

class FontChooserTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        SetFamilies();
    }
    void SetFamilies() { posix::SetFontFamilies(kFamilies); }
    void WriteRegistry(const std::string &values) const {
        std::ofstream out(registryFile(), std::ios::binary);
        out << "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Scrivel]\r\n" << values;
    }
    void StoreFont(const std::u16string &face, LONG size) const {
        std::string values = "\"Font\"=hex(1):";
        for (int b : StoredForm(face)) {
            char pair[4];
            std::snprintf(pair, sizeof pair, "%02x,", b);
            values += pair;
        }
        values.pop_back();
        char dword[32];
        std::snprintf(dword, sizeof dword, "\r\n\"FontSize\"=dword:%08x\r\n", unsigned(size));
        WriteRegistry(values + dword);
    }
    // As when the program is started again on the same machine: its memory is gone, its files stay.
    void NextStart() {
        posix::ResetPlatform();
        ResetProgramState();
        posix::SetFrontEnd(&screen);
        SetFamilies();
    }
    posix::HeadlessScreen &OpenChooser() { return Menu({kMisc, kChangeFont}); }
    posix::HeadlessScreen &Done() { return screen.Key(VK_TSOFT1); }
    posix::HeadlessScreen &Cancel() { return screen.Key(VK_TSOFT2); }
    // Where both lists stand while the chooser is open.
    posix::HeadlessScreen &NoteChoice(std::u16string &face, std::u16string &size) {
        return screen.Then([&face, &size] {
            face = Selected(IDC_FONT_NAMES);
            size = Selected(IDC_FONT_SIZES);
        });
    }
};

// ---------------------------------------------------------------------------------------------------
// Opening
// ---------------------------------------------------------------------------------------------------

TEST_F(FontChooserTest, WithNothingStoredItFillsTheScreenOnTheFirstFaceAndFifteen) {
    std::string shown, title, keys;
    std::u16string face, size, sample;
    std::vector<std::u16string> faces, sizes;
    std::vector<LRESULT> data;
    RECT dialog{};
    bool faceListFocused = false;
    OpenChooser().Then([&] {
        shown = screen.Text();
        title = screen.Row(0);
        keys = screen.Row(23);
        faces = Items(IDC_FONT_NAMES);
        sizes = Items(IDC_FONT_SIZES);
        for (LRESULT i = 0; i < LRESULT(sizes.size()); ++i)
            data.push_back(SendMessageW(List(IDC_FONT_SIZES), LB_GETITEMDATA, (WPARAM)i, 0));
        GetWindowRect(FontDialogWindow, &dialog);
        faceListFocused = GetFocus() == List(IDC_FONT_NAMES);
        sample = Described(SampleFontHandle());
    });
    NoteChoice(face, size);
    Cancel();
    Run();
    EXPECT_NE(title.find("Select font"), std::string::npos) << title;
    EXPECT_NE(keys.find("Done"), std::string::npos) << keys;
    EXPECT_NE(keys.find("Cancel"), std::string::npos) << keys;
    // Between the title row and the soft-key row, the whole width.
    EXPECT_EQ(dialog.left, 0);
    EXPECT_EQ(dialog.top, 16);
    EXPECT_EQ(dialog.right, 80 * 8);
    EXPECT_EQ(dialog.bottom, 23 * 16);
    EXPECT_EQ(faces, (std::vector<std::u16string>{u"DejaVu Sans", u"DejaVu Sans Mono", u"Nina"}));
    ASSERT_EQ(sizes.size(), 20u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(sizes[i], Decimal(i + 5));
        EXPECT_EQ(data[i], i + 5);
    }
    EXPECT_EQ(face, u"DejaVu Sans");
    EXPECT_EQ(size, u"15");
    EXPECT_TRUE(faceListFocused);
    EXPECT_EQ(sample, u"DejaVu Sans, 15") << "the face list's focus draws the first sample";
    EXPECT_NE(shown.find("<15>"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Sample of selected"), std::string::npos) << shown;
    EXPECT_NE(shown.find("DejaVu Sans, 15"), std::string::npos) << shown;
    EXPECT_EQ(FontDialogWindow, nullptr) << "forgotten once the chooser is gone";
}

TEST_F(FontChooserTest, LeftAndRightStepThroughBothListsAndTheSampleFollowsEveryMoveAndFocus) {
    std::u16string afterRight, afterDown, sizeAfterRight, sizeAfterLeft, afterBack, faceAfterBack;
    HFONT beforeDown = nullptr, afterFocus = nullptr;
    std::string shownMono;
    OpenChooser().Key(VK_RIGHT).Then([&] {
        afterRight = Described(SampleFontHandle());
        shownMono = screen.Text();
        beforeDown = SampleFontHandle();
    });
    // Down moves to the size list; its focus alone makes a new sample of the same choice.
    screen.Key(VK_DOWN).Then([&] {
        afterFocus = SampleFontHandle();
        afterDown = Described(afterFocus);
    });
    screen.Key(VK_RIGHT).Key(VK_RIGHT).Then([&] { sizeAfterRight = Described(SampleFontHandle()); });
    screen.Key(VK_LEFT).Key(VK_LEFT).Key(VK_LEFT).Then([&] { sizeAfterLeft = Described(SampleFontHandle()); });
    // Back goes to the focused list, which has no use for it: the chooser stays as it is.
    screen.Key(VK_TBACK).Then([&] {
        afterBack = Selected(IDC_FONT_SIZES);
        faceAfterBack = Selected(IDC_FONT_NAMES);
    });
    Cancel();
    Run();
    EXPECT_EQ(afterRight, u"DejaVu Sans Mono, 15");
    EXPECT_NE(shownMono.find("DejaVu Sans Mono, 15"), std::string::npos) << shownMono;
    EXPECT_EQ(afterDown, u"DejaVu Sans Mono, 15");
    EXPECT_NE(afterFocus, beforeDown);
    EXPECT_EQ(sizeAfterRight, u"DejaVu Sans Mono, 17");
    EXPECT_EQ(sizeAfterLeft, u"DejaVu Sans Mono, 14");
    EXPECT_EQ(afterBack, u"14");
    EXPECT_EQ(faceAfterBack, u"DejaVu Sans Mono");
}

// ---------------------------------------------------------------------------------------------------
// Done and Cancel
// ---------------------------------------------------------------------------------------------------

TEST_F(FontChooserTest, DoneStoresAndAppliesTheChoiceWhichEveryRebuildAndTheNextStartKeep) {
    std::u16string afterWrap, reopenedFace, reopenedSize, atNextStart, nextFace, nextSize;
    OpenChooser().Key(VK_RIGHT).Key(VK_DOWN).Key(VK_RIGHT).Key(VK_RIGHT);
    Done();
    Menu({kMisc, kWordWrap}).Then([&] { afterWrap = Described(EditorFontHandle()); });
    OpenChooser();
    NoteChoice(reopenedFace, reopenedSize);
    Cancel();
    Run();
    std::string registry = RegistryText();
    EXPECT_EQ(StoredBytes(registry, "Font"), StoredForm(u"DejaVu Sans Mono")) << registry;
    EXPECT_EQ(StoredBytes(registry, "Font").size(), 33u) << "2n + 1 bytes";
    EXPECT_NE(registry.find("\"FontSize\"=dword:00000011"), std::string::npos) << registry;
    EXPECT_EQ(FontFaceName, u"DejaVu Sans Mono");
    EXPECT_EQ(FontSize, 17);
    EXPECT_EQ(afterWrap, u"DejaVu Sans Mono, 17") << "the rebuilt editor shows the chosen font";
    EXPECT_EQ(reopenedFace, u"DejaVu Sans Mono");
    EXPECT_EQ(reopenedSize, u"17");

    NextStart();
    screen.Then([&] { atNextStart = Described(EditorFontHandle()); });
    OpenChooser();
    NoteChoice(nextFace, nextSize);
    Cancel();
    Run();
    EXPECT_EQ(atNextStart, u"DejaVu Sans Mono, 17");
    EXPECT_EQ(nextFace, u"DejaVu Sans Mono");
    EXPECT_EQ(nextSize, u"17");
    EXPECT_EQ(RegistryText(), registry) << "opening and cancelling writes nothing";
}

TEST_F(FontChooserTest, DoneWorksOnAnEmptyEditorAndGivesItTheFontAtOnce) {
    std::u16string applied;
    OpenChooser().Key(VK_DOWN).Key(VK_LEFT);
    Done().Then([&] { applied = Described(EditorFontHandle()); });
    Run();
    EXPECT_EQ(EditorText(), u"");
    EXPECT_EQ(applied, u"DejaVu Sans, 14");
    EXPECT_EQ(GetFocus(), EditorControl);
}

TEST_F(FontChooserTest, CancelAfterMovingThroughBothListsChangesNothing) {
    StoreFont(u"Nina", 9);
    std::string before;
    HFONT fontBefore = nullptr;
    screen.Then([&] {
        before = RegistryText();
        fontBefore = EditorFontHandle();
    });
    OpenChooser().Key(VK_LEFT).Key(VK_DOWN).Key(VK_RIGHT).Key(VK_RIGHT).Key(VK_UP).Key(VK_LEFT);
    Cancel();
    Run();
    EXPECT_EQ(RegistryText(), before);
    EXPECT_EQ(FontFaceName, u"Nina");
    EXPECT_EQ(FontSize, 9);
    EXPECT_EQ(EditorFontHandle(), fontBefore);
    EXPECT_EQ(Described(EditorFontHandle()), u"Nina, 9");
}

// ---------------------------------------------------------------------------------------------------
// Where a stored choice opens the lists
// ---------------------------------------------------------------------------------------------------

struct Preselection {
    std::u16string storedFace;
    LONG storedSize;
    std::u16string face;
    std::u16string size;
};

TEST_F(FontChooserTest, AStoredChoiceComesBackAsItWasStored) {
    const Preselection cases[] = {
        // The exact name, though another face begins with it and the search by prefix starts after it.
        {u"DejaVu Sans", 12, u"DejaVu Sans", u"12"},
        {u"DejaVu Sans Mono", 5, u"DejaVu Sans Mono", u"5"},
        {u"Nina", 24, u"Nina", u"24"},
        // Letter case does not count.
        {u"dejavu sans", 20, u"DejaVu Sans", u"20"},
        // No item of that name: the first that begins with it.
        {u"DejaVu", 15, u"DejaVu Sans", u"15"},
        {u"dejavu sans m", 10, u"DejaVu Sans Mono", u"10"},
        // No size of that number: the first that begins with it.
        {u"Nina", 1, u"Nina", u"10"},
        {u"Nina", 2, u"Nina", u"20"},
    };
    for (const Preselection &c : cases) {
        SCOPED_TRACE(Utf8(c.storedFace) + " " + std::to_string(c.storedSize));
        NextStart();
        StoreFont(c.storedFace, c.storedSize);
        std::u16string face, size;
        OpenChooser();
        NoteChoice(face, size);
        Cancel();
        Run();
        EXPECT_EQ(face, c.face);
        EXPECT_EQ(size, c.size);
    }
}

TEST_F(FontChooserTest, AStoredFaceOrSizeThatIsNotThereOpensAsIfNothingWereStoredAndDoneNeverStoresIt) {
    const Preselection cases[] = {
        {u"Tahoma", 12, u"DejaVu Sans", u"12"}, {u"", 12, u"DejaVu Sans", u"12"},
        {u"Nina", 3, u"Nina", u"15"},           {u"Nina", 25, u"Nina", u"15"},
        {u"Nina", 100, u"Nina", u"15"},         {u"Nina", 0, u"Nina", u"15"},
        {u"Nina", -1, u"Nina", u"15"},          {u"Wingdings", -5, u"DejaVu Sans", u"15"},
    };
    for (const Preselection &c : cases) {
        SCOPED_TRACE(Utf8(c.storedFace) + " " + std::to_string(c.storedSize));
        NextStart();
        StoreFont(c.storedFace, c.storedSize);
        std::u16string face, size, sample;
        OpenChooser();
        NoteChoice(face, size).Then([&] { sample = Described(SampleFontHandle()); });
        Done();
        Run();
        EXPECT_EQ(face, c.face);
        EXPECT_EQ(size, c.size);
        std::u16string chosen = c.face + u", " + c.size;
        EXPECT_EQ(sample, chosen);
        EXPECT_EQ(Described(EditorFontHandle()), chosen);
        EXPECT_EQ(FontFaceName, c.face);
        EXPECT_EQ(Decimal(FontSize), c.size);
        std::string registry = RegistryText();
        EXPECT_EQ(StoredBytes(registry, "Font"), StoredForm(c.face)) << registry;
        char dword[32];
        std::snprintf(dword, sizeof dword, "\"FontSize\"=dword:%08x", unsigned(FontSize));
        EXPECT_NE(registry.find(dword), std::string::npos) << registry;
    }
}

// ---------------------------------------------------------------------------------------------------
// Failures
// ---------------------------------------------------------------------------------------------------

TEST_F(FontChooserTest, ADialogThatCannotBeSetUpEndsAtOnceAndChangesNothing) {
    StoreFont(u"Nina", 9);
    std::string before, shown;
    HFONT fontBefore = nullptr;
    size_t fontsBefore = 0, fontsAfter = 0;
    std::u16string typed;
    screen.Then([&] {
        before = RegistryText();
        fontBefore = EditorFontHandle();
        fontsBefore = posix::LiveFontCount();
        posix::FailNextShellInitDialog();
    });
    OpenChooser().Then([&] {
        shown = screen.Text();
        fontsAfter = posix::LiveFontCount();
    });
    // The user is back in the editor: typing reaches it.
    screen.Type(u"ok").Then([&] { typed = EditorText(); });
    Run();
    EXPECT_EQ(shown.find("Select font"), std::string::npos) << shown;
    EXPECT_EQ(typed, u"ok");
    EXPECT_EQ(RegistryText(), before);
    EXPECT_EQ(EditorFontHandle(), fontBefore);
    EXPECT_EQ(FontFaceName, u"Nina");
    EXPECT_EQ(FontSize, 9);
    EXPECT_EQ(fontsAfter, fontsBefore);
    EXPECT_EQ(FontDialogWindow, nullptr);
}

HWND g_refusedDialog = nullptr;
LRESULT CALLBACK RefuseDialogs(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        auto *create = reinterpret_cast<CBT_CREATEWNDW *>(lParam);
        LPCWSTR cls = create->lpcs->lpszClass;
        if (cls && !IS_INTRESOURCE(cls) && std::u16string(cls) == u"#32770") {
            g_refusedDialog = (HWND)wParam;
            return 1;
        }
    }
    return 0;
}

TEST_F(FontChooserTest, ADialogThatCannotBeShownAppliesNoFont) {
    g_refusedDialog = nullptr;
    HHOOK hook = nullptr;
    HFONT fontBefore = nullptr, fontAfter = nullptr;
    size_t fontsBefore = 0, fontsAfter = 0;
    screen.Then([&] {
        fontBefore = EditorFontHandle();
        fontsBefore = posix::LiveFontCount();
        hook = SetWindowsHookExW(WH_CBT, RefuseDialogs, nullptr, 0);
    });
    OpenChooser().Then([&] {
        UnhookWindowsHookEx(hook);
        fontAfter = EditorFontHandle();
        fontsAfter = posix::LiveFontCount();
    });
    Run();
    EXPECT_NE(g_refusedDialog, nullptr) << "the dialog was asked for";
    EXPECT_EQ(fontBefore, nullptr);
    EXPECT_EQ(fontAfter, nullptr) << "no font from a result of -1";
    EXPECT_EQ(fontsAfter, fontsBefore);
    EXPECT_TRUE(FontFaceName.empty());
    EXPECT_EQ(RegistryText().find("FontSize"), std::string::npos);
}

// Every sample font goes once the next one replaces it or the chooser closes, and the editor's old font
// goes once the new one is set; the font the editor shows stays until then.
TEST_F(FontChooserTest, AHundredOpeningsLeaveNoFontBehind) {
    size_t afterFirst = 0, afterAll = 0;
    std::u16string shown;
    OpenChooser().Key(VK_RIGHT).Key(VK_DOWN).Key(VK_RIGHT);
    Done().Then([&] { afterFirst = posix::LiveFontCount(); });
    for (int i = 0; i < 100; ++i) {
        OpenChooser().Key(i % 3 == 0 ? VK_RIGHT : VK_LEFT).Key(VK_DOWN).Key(VK_RIGHT).Key(VK_UP);
        if (i % 2 == 0)
            Done();
        else
            Cancel();
    }
    screen.Then([&] {
        afterAll = posix::LiveFontCount();
        shown = Described(EditorFontHandle());
    });
    Run();
    EXPECT_GT(afterFirst, 0u);
    EXPECT_EQ(afterAll, afterFirst);
    EXPECT_EQ(shown, FontFaceName + u", " + Decimal(FontSize)) << "the editor still shows the last font chosen";
}

}  // namespace
