// The editor in MainWindow and the Word wrap command that rebuilds it.
#include "document/textfile.h"
#include "tests/program/harness.h"
#include "tests/support/allocation_budget.h"
#include "platform/posix/drawing/gdi.h"

namespace {

using EditorTest = ProgramTest;

DWORD Style(HWND hwnd) {
    return (DWORD)GetWindowLongW(hwnd, GWL_STYLE);
}

std::pair<DWORD, DWORD> Selection() {
    DWORD start = 0, end = 0;
    SendMessageW(EditorControl, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    return {start, end};
}

std::u16string Words(size_t length) {
    std::u16string text;
    while (text.size() < length)
        text += u"word ";
    text.resize(length);
    return text;
}

TEST_F(EditorTest, TheEditorFillsTheWindowWithoutWrapAndTakesLongTexts) {
    RECT client{}, editor{};
    screen.Then([&] {
        GetClientRect(MainWindow, &client);
        GetClientRect(EditorControl, &editor);
        SetWindowTextW(EditorControl, std::u16string(30000, u'a').c_str());
        SendMessageW(EditorControl, EM_SETSEL, 30000, 30000);
    });
    screen.Type(u"bc");
    Run();
    EXPECT_EQ(Style(EditorControl), 0x50B101C4u);
    EXPECT_EQ(GetDlgCtrlID(EditorControl), 120);
    EXPECT_EQ(editor.right, client.right);
    EXPECT_EQ(editor.bottom, client.bottom);
    EXPECT_EQ(SendMessageW(EditorControl, EM_GETLIMITTEXT, 0, 0), (LRESULT)0xFFFFFFFFu);
    EXPECT_EQ(GetWindowTextLengthW(EditorControl), 30002) << "typing goes on past 30,000 characters";
}

TEST_F(EditorTest, WordWrapWrapsALongLineAndTheNextToggleBringsItBack) {
    std::u16string line = Words(300);
    bool checkedWhileOn = false;
    DWORD styleWhileOn = 0;
    std::string wrappedRow2;
    screen.Then([&] {
        SetWindowTextW(EditorControl, line.c_str());
        SendMessageW(EditorControl, EM_SETSEL, 0, 0);
    });
    Menu({5, 1}).Then([&] {
        checkedWhileOn = MenuItemChecked(IDM_MISC_WORDWRAP);
        styleWhileOn = Style(EditorControl);
        wrappedRow2 = screen.Row(2);
    });
    Menu({5, 1});
    Run();
    EXPECT_TRUE(checkedWhileOn);
    EXPECT_EQ(styleWhileOn, 0x50A10144u);
    EXPECT_FALSE(MenuItemChecked(IDM_MISC_WORDWRAP));
    EXPECT_EQ(Style(EditorControl), 0x50B101C4u);
    EXPECT_EQ(EditorText(), line);
    // Wrapped, the words go on to the next rows; unwrapped, the line stays on the first.
    EXPECT_NE(wrappedRow2.find("word"), std::string::npos) << wrappedRow2;
    EXPECT_EQ(screen.Row(1).find("word"), 0u) << screen.Text();
    EXPECT_EQ(screen.Row(2).find("word"), std::string::npos) << screen.Text();
}

struct SelectionCase {
    DWORD from, to;
};
class ToggleSelectionTest : public ProgramTest, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(ToggleSelectionTest, AToggleKeepsTextSelectionFocusAndDocumentState) {
    SelectionCase c = GetParam();
    std::pair<DWORD, DWORD> after{};
    std::u16string titleBefore;
    screen.Type(u"some text here for a toggle").Then([&] {
        SendMessageW(EditorControl, EM_SETSEL, c.from, c.to);
        titleBefore = Title();
    });
    Menu({5, 1}).Then([&] { after = Selection(); });
    Run();
    EXPECT_EQ(after.first, std::min(c.from, c.to));
    EXPECT_EQ(after.second, std::max(c.from, c.to));
    EXPECT_EQ(EditorText(), u"some text here for a toggle");
    EXPECT_EQ(GetFocus(), EditorControl);
    EXPECT_EQ(Title(), titleBefore);
    EXPECT_TRUE(DirtyFlag);
    EXPECT_EQ(SendMessageW(EditorControl, EM_CANUNDO, 0, 0), 0) << "nothing to undo after a toggle";
}

INSTANTIATE_TEST_SUITE_P(ForwardBackwardAndCaret, ToggleSelectionTest,
                         ::testing::Values(SelectionCase{5, 12}, SelectionCase{12, 5}, SelectionCase{7, 7}));

TEST_F(EditorTest, AToggleKeepsPositionsBeyondSixteenBits) {
    std::u16string text = Words(70000);
    std::pair<DWORD, DWORD> after{};
    screen.Then([&] {
        SetWindowTextW(EditorControl, text.c_str());
        SendMessageW(EditorControl, EM_SETSEL, 69990, 65530);
    });
    Menu({5, 1}).Then([&] { after = Selection(); });
    Run();
    EXPECT_EQ(after, (std::pair<DWORD, DWORD>{65530, 69990}));
    EXPECT_EQ(EditorText(), text);
}

TEST_F(EditorTest, AnEmptyDocumentTogglesToAnEmptyEditorWithTheCaretAtTheStart) {
    Menu({5, 1});
    Run();
    EXPECT_EQ(EditorText(), u"");
    EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{0, 0}));
    EXPECT_FALSE(DirtyFlag);
    EXPECT_EQ(Title(), u"Scrivel - untitled");
}

const LOGFONTW *EditorFont() {
    return posix::FontDescription((HFONT)SendMessageW(EditorControl, WM_GETFONT, 0, 0));
}

TEST_F(EditorTest, AToggleCarriesAChosenFontOfPositiveSize) {
    std::u16string face;
    LONG height = 0;
    screen.Then([&] {
        FontFaceName = u"Nina";
        FontSize = 12;
        ApplyEditorFont();
    });
    Menu({5, 1}).Then([&] {
        const LOGFONTW *lf = EditorFont();
        ASSERT_NE(lf, nullptr);
        face = lf->lfFaceName;
        height = lf->lfHeight;
    });
    Run();
    EXPECT_EQ(face, u"Nina");
    EXPECT_EQ(height, 12);
}

TEST_F(EditorTest, AToggleReleasesTheFontTheOldEditorShowed) {
    HFONT before = nullptr;
    LOGFONTW lf{};
    int sizeAfter = -1;
    screen.Then([&] {
        FontFaceName = u"Nina";
        FontSize = 12;
        ApplyEditorFont();
        before = (HFONT)SendMessageW(EditorControl, WM_GETFONT, 0, 0);
    });
    Menu({5, 1}).Then([&] { sizeAfter = GetObjectW(before, sizeof(lf), &lf); });
    Run();
    ASSERT_NE(before, nullptr);
    EXPECT_EQ(sizeAfter, 0) << "no font object is left behind by a toggle";
    EXPECT_NE(SendMessageW(EditorControl, WM_GETFONT, 0, 0), (LRESULT)before);
}

TEST_F(EditorTest, AToggleDropsAFontWithoutAPositiveSize) {
    bool fontBefore = false;
    const LOGFONTW *after = reinterpret_cast<const LOGFONTW *>(1);
    screen.Then([&] {
        FontFaceName = u"Nina";
        FontSize = 0;
        ApplyEditorFont();
        fontBefore = EditorFont() != nullptr;
    });
    Menu({5, 1}).Then([&] { after = EditorFont(); });
    Run();
    EXPECT_TRUE(fontBefore);
    EXPECT_EQ(after, nullptr) << "the default font";
}

TEST_F(EditorTest, TheFaceNameIsCutToThirtyOneCharacters) {
    std::u16string face;
    screen.Then([&] {
        FontFaceName = u"An extraordinarily long font face name";
        FontSize = 9;
        ApplyEditorFont();
        face = EditorFont()->lfFaceName;
    });
    Run();
    EXPECT_EQ(face, u"An extraordinarily long font fa");
}

// A creation hook that refuses edit controls, as a machine out of window memory would.
int g_refusals = 0;
LRESULT CALLBACK RefuseEdits(int code, WPARAM, LPARAM lParam) {
    if (code == HCBT_CREATEWND && g_refusals > 0) {
        auto *create = reinterpret_cast<CBT_CREATEWNDW *>(lParam);
        if (create->lpcs->lpszClass && !IS_INTRESOURCE(create->lpcs->lpszClass) &&
            std::u16string(create->lpcs->lpszClass) == u"edit") {
            --g_refusals;
            return 1;
        }
    }
    return 0;
}

// Types the text, then has the next count edit controls refused; hook is to be unhooked by the test.
void TypeThenRefuseEditors(posix::HeadlessScreen &screen, const std::u16string &text, int count, HHOOK &hook) {
    screen.Type(text).Then([&hook, count] {
        g_refusals = count;
        hook = SetWindowsHookExW(WH_CBT, RefuseEdits, nullptr, 0);
    });
}

TEST_F(EditorTest, WhenTheNewEditorCannotBeMadeTheTextStays) {
    HHOOK hook = nullptr;
    bool checked = true;
    TypeThenRefuseEditors(screen, u"precious words", 1, hook);
    Menu({5, 1}).Then([&] { checked = MenuItemChecked(IDM_MISC_WORDWRAP); });
    Run();
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(EditorText(), u"precious words");
    EXPECT_FALSE(checked) << "the check mark matches the editor that exists";
    EXPECT_EQ(Style(EditorControl), 0x50B101C4u);
}

TEST_F(EditorTest, WhenNoEditorCanBeMadeTheUserIsToldAndTheTextComesBackLater) {
    HHOOK hook = nullptr;
    std::string box;
    TypeThenRefuseEditors(screen, u"precious words", 2, hook);
    Menu({5, 1}).Then([&] { box = screen.Text(); }).Key(VK_TSOFT1);
    Menu({5, 1});
    Run();
    UnhookWindowsHookEx(hook);
    EXPECT_NE(box.find("Error"), std::string::npos) << box;
    ASSERT_TRUE(IsWindow(EditorControl));
    EXPECT_EQ(EditorText(), u"precious words");
}

// Work on the document while no editor exists first brings the kept text back into one, so the kept
// text can never turn up later in another document.
TEST_F(EditorTest, OpeningAFileWhileNoEditorExistsBringsTheKeptTextBackFirst) {
    WriteFile("other.txt", "the other file");
    HHOOK hook = nullptr;
    std::u16string textBeforeOpen;
    TypeThenRefuseEditors(screen, u"precious words", 2, hook);
    Menu({5, 1}).Key(VK_TSOFT1);
    screen.Then([&] {
        UnhookWindowsHookEx(hook);
        textBeforeOpen = EditorText();
        OpenDocument(u"\\other.txt");
    });
    Menu({5, 1});
    Run();
    EXPECT_EQ(textBeforeOpen, u"") << "no editor while the text is kept";
    EXPECT_EQ(EditorText(), u"the other file");
    EXPECT_EQ(Title(), u"Scrivel - other.txt ");
}

TEST_F(EditorTest, NewWhileNoEditorExistsAsksAboutTheKeptText) {
    HHOOK hook = nullptr;
    std::string question;
    TypeThenRefuseEditors(screen, u"precious words", 2, hook);
    Menu({5, 1}).Key(VK_TSOFT1).Then([&] { UnhookWindowsHookEx(hook); });
    Menu({1, 2}).Then([&] { question = screen.Text(); }).Key(VK_TSOFT2);
    Run();
    EXPECT_NE(question.find("discard"), std::string::npos) << question;
    ASSERT_TRUE(IsWindow(EditorControl));
    EXPECT_EQ(EditorText(), u"precious words");
    EXPECT_TRUE(DirtyFlag);
}

TEST_F(EditorTest, WhenTheNewEditorHasNoMemoryForTheTextTheTextIsKept) {
    const std::u16string text = Words(300000);
    std::string box;
    bool refused = false;
    screen.Then([&] { SetWindowTextW(EditorControl, text.c_str()); });
    screen.Then([&] {
        // Room for the copy of the text taken before the old editor goes, not for the new editor's.
        testing_support::AllocationBudget budget(2 * text.size() + 200000);
        ToggleWordWrap(MainWindow);
        refused = budget.Refused();
    });
    screen.Then([&] { box = screen.Text(); }).Key(VK_TSOFT1);
    Menu({5, 1});
    Run();
    EXPECT_TRUE(refused);
    EXPECT_NE(box.find("Error"), std::string::npos) << box;
    ASSERT_TRUE(IsWindow(EditorControl));
    EXPECT_EQ(EditorText(), text);
}

}  // namespace
