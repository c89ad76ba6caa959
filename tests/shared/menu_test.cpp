// Menus against Win32 behaviour: finding items by position and by command (which searches submenus),
// item information and its text-length rules, inserting, checking and enabling, deleting and removing,
// handles and their errors, and menus built from templates.
#include "tests/support/menu_dump.h"
#include "tests/support/test_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr DWORD kUntouched = 0xDEADBEEF;  // a last-error value no call here sets
constexpr DWORD kNoItem = 0xFFFFFFFF;     // what the state calls return for a missing item

// A handle that names no menu: one that did, before the menu was destroyed.
HMENU GoneMenu() {
    HMENU menu = CreatePopupMenu();
    DestroyMenu(menu);
    return menu;
}

using menu_dump::Dump;
using menu_dump::InfoRecord;
using menu_dump::Narrow;

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override { test_platform::Reset(); }
    void TearDown() override {
        if (bar) DestroyMenu(bar);
        test_platform::Reset();
    }

    // A menu bar "File" (Open 101, Save 102, separator, popup "Recent" (7000)) and "Help" (About 200).
    void BuildMenuBar() {
        bar = CreateMenu();
        file = CreatePopupMenu();
        recent = CreatePopupMenu();
        help = CreatePopupMenu();
        AppendMenuW(recent, MF_STRING, 7000, TEXT("one.txt"));
        AppendMenuW(file, MF_STRING, 101, TEXT("&Open"));
        AppendMenuW(file, MF_STRING, 102, TEXT("Save"));
        AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(file, MF_POPUP, (UINT_PTR)recent, TEXT("Recent"));
        AppendMenuW(help, MF_STRING, 200, TEXT("About"));
        AppendMenuW(bar, MF_POPUP, (UINT_PTR)file, TEXT("File"));
        AppendMenuW(bar, MF_POPUP, (UINT_PTR)help, TEXT("Help"));
    }

    HMENU bar = nullptr;
    HMENU file = nullptr;
    HMENU recent = nullptr;
    HMENU help = nullptr;
};

// ---------------------------------------------------------------------------------------------------
// Building and reading back
// ---------------------------------------------------------------------------------------------------

TEST_F(MenuTest, AppendedItemsReadBackInOrder) {
    BuildMenuBar();
    EXPECT_EQ(Dump(bar),
              "File >\n"
              "  &Open 101\n"
              "  Save 102\n"
              "  --- grey\n"
              "  Recent >\n"
              "    one.txt 7000\n"
              "Help >\n"
              "  About 200\n");
}

TEST_F(MenuTest, PopupItemsHaveTheirMenuAsIdButNoCommand) {
    BuildMenuBar();
    EXPECT_EQ(GetSubMenu(bar, 0), file);
    EXPECT_EQ(GetSubMenu(file, 0), nullptr);  // a plain item opens nothing
    EXPECT_EQ(GetSubMenu(file, 9), nullptr);
    EXPECT_EQ(GetMenuItemID(bar, 0), UINT(-1));
    EXPECT_EQ(GetMenuItemID(file, 1), 102u);
    EXPECT_EQ(GetMenuItemID(file, 2), 0u);  // a separator's id
    EXPECT_EQ(GetMenuItemID(file, 4), UINT(-1));

    MENUITEMINFOW info = InfoRecord(MIIM_ID | MIIM_SUBMENU);
    ASSERT_TRUE(GetMenuItemInfoW(bar, 1, TRUE, &info));
    EXPECT_EQ(info.wID, UINT((UINT_PTR)help));
    EXPECT_EQ(info.hSubMenu, help);
}

TEST_F(MenuTest, GetMenuStateReportsFlagsAndASubmenusSize) {
    BuildMenuBar();
    EnableMenuItem(file, 102, MF_BYCOMMAND | MF_GRAYED);
    CheckMenuItem(file, 101, MF_BYCOMMAND | MF_CHECKED);
    EXPECT_EQ(GetMenuState(file, 101, MF_BYCOMMAND), UINT(MF_CHECKED));
    EXPECT_EQ(GetMenuState(file, 102, MF_BYCOMMAND), UINT(MF_GRAYED));
    EXPECT_EQ(GetMenuState(file, 2, MF_BYPOSITION), UINT(MF_SEPARATOR | MF_GRAYED | MF_DISABLED));
    EXPECT_EQ(GetMenuState(bar, 0, MF_BYPOSITION), (4u << 8) | MF_POPUP);
    EXPECT_EQ(GetMenuState(bar, 101, MF_BYCOMMAND), UINT(MF_CHECKED));  // found inside File
    EXPECT_EQ(GetMenuState(bar, 999, MF_BYCOMMAND), UINT(-1));
    EXPECT_EQ(GetMenuState(bar, 2, MF_BYPOSITION), UINT(-1));
}

// ---------------------------------------------------------------------------------------------------
// GetMenuItemInfoW
// ---------------------------------------------------------------------------------------------------

TEST_F(MenuTest, MissingItemsFailWithMenuItemNotFound) {
    BuildMenuBar();
    MENUITEMINFOW info = InfoRecord(MIIM_ID);
    SetLastError(kUntouched);
    EXPECT_FALSE(GetMenuItemInfoW(file, GetMenuItemCount(file), TRUE, &info));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MENU_ITEM_NOT_FOUND));
    SetLastError(kUntouched);
    EXPECT_FALSE(GetMenuItemInfoW(file, 50, TRUE, &info));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MENU_ITEM_NOT_FOUND));
    SetLastError(kUntouched);
    EXPECT_FALSE(GetMenuItemInfoW(bar, 4242, FALSE, &info));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MENU_ITEM_NOT_FOUND));
    // Setting a missing item fails too, but Win32 leaves the last error alone.
    SetLastError(kUntouched);
    EXPECT_FALSE(SetMenuItemInfoW(bar, 4242, FALSE, &info));
    EXPECT_FALSE(SetMenuItemInfoW(file, 50, TRUE, &info));
    EXPECT_EQ(GetLastError(), kUntouched);
}

TEST_F(MenuTest, ARecordOfAnotherSizeIsRefused) {
    BuildMenuBar();
    for (UINT size : {UINT(sizeof(MENUITEMINFOW) - 4), 0u}) {
        MENUITEMINFOW info = InfoRecord(MIIM_ID);
        info.cbSize = size;
        SetLastError(kUntouched);
        EXPECT_FALSE(GetMenuItemInfoW(file, 0, TRUE, &info)) << size;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER)) << size;
        SetLastError(kUntouched);
        EXPECT_FALSE(SetMenuItemInfoW(file, 0, TRUE, &info)) << size;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER)) << size;
    }
}

// Desktop headers end the record with a bitmap handle; a caller built with them passes the longer size.
TEST_F(MenuTest, TheDesktopRecordWithItsBitmapHandleIsAcceptedToo) {
    SKIP_ON_DESKTOP_WINDOWS("the desktop record already ends with the bitmap handle; one more is no record size");
    BuildMenuBar();
    struct DesktopRecord {
        MENUITEMINFOW info;
        HANDLE hbmpItem;
    } record{};
    record.info.cbSize = sizeof(MENUITEMINFOW) + sizeof(HANDLE);
    record.info.fMask = MIIM_ID;
    record.hbmpItem = (HANDLE)0x77;
    ASSERT_TRUE(GetMenuItemInfoW(file, 1, TRUE, &record.info));
    EXPECT_EQ(record.info.wID, 102u);
    EXPECT_EQ(record.hbmpItem, (HANDLE)0x77);
    record.info.wID = 105;
    ASSERT_TRUE(SetMenuItemInfoW(file, 1, TRUE, &record.info));
    EXPECT_EQ(GetMenuItemID(file, 1), 105u);
}

TEST_F(MenuTest, ItemTextFollowsTheCchRules) {
    BuildMenuBar();
    struct Case {
        UINT cch;
        const char *text;  // what the buffer holds afterwards
        UINT cchOut;
    };
    for (const Case &c : {Case{64, "&Open", 5}, Case{6, "&Open", 5}, Case{5, "&Ope", 4}, Case{3, "&O", 2}}) {
        WCHAR buffer[80];
        std::fill(std::begin(buffer), std::end(buffer), TEXT('#'));
        MENUITEMINFOW info = InfoRecord(MIIM_TYPE);
        info.dwTypeData = buffer;
        info.cch = c.cch;
        EXPECT_TRUE(GetMenuItemInfoW(file, 101, FALSE, &info)) << "cch " << c.cch;
        EXPECT_EQ(Narrow(buffer), c.text) << "cch " << c.cch;
        EXPECT_EQ(info.cch, c.cchOut) << "cch " << c.cch;
        EXPECT_EQ(buffer[c.cch], TEXT('#')) << "wrote past cch " << c.cch;
    }
}

TEST_F(MenuTest, WithoutABufferCchReceivesTheLength) {
    BuildMenuBar();
    for (UINT cch : {0u, 3u, 64u}) {
        MENUITEMINFOW info = InfoRecord(MIIM_TYPE);
        info.cch = cch;
        EXPECT_TRUE(GetMenuItemInfoW(file, 101, FALSE, &info));
        EXPECT_EQ(info.cch, 5u) << "cch in " << cch;
    }
    WCHAR untouched[4] = {TEXT('x'), 0};
    MENUITEMINFOW info = InfoRecord(MIIM_TYPE);
    info.dwTypeData = untouched;
    info.cch = 0;
    EXPECT_TRUE(GetMenuItemInfoW(file, 101, FALSE, &info));
    EXPECT_EQ(info.cch, 5u);
    EXPECT_EQ(untouched[0], TEXT('x'));
}

TEST_F(MenuTest, SeparatorsHaveNoTextAndAreGreyed) {
    BuildMenuBar();
    WCHAR buffer[8] = TEXT("zz");
    MENUITEMINFOW info = InfoRecord(MIIM_TYPE | MIIM_STATE);
    info.dwTypeData = buffer;
    info.cch = 8;
    ASSERT_TRUE(GetMenuItemInfoW(file, 2, TRUE, &info));
    EXPECT_EQ(info.fType, UINT(MFT_SEPARATOR));
    EXPECT_EQ(info.cch, 0u);
    EXPECT_EQ(info.fState, UINT(MFS_GRAYED));
}

// ---------------------------------------------------------------------------------------------------
// SetMenuItemInfoW
// ---------------------------------------------------------------------------------------------------

TEST_F(MenuTest, SetMenuItemInfoChangesOnlyWhatTheMaskNames) {
    BuildMenuBar();
    MENUITEMINFOW set = InfoRecord(MIIM_STATE | MIIM_DATA | MIIM_TYPE);
    set.fState = MFS_CHECKED | MFS_GRAYED;
    set.dwItemData = 0x1234;
    set.fType = MFT_STRING;
    set.dwTypeData = const_cast<WCHAR *>(TEXT("Save all"));
    set.wID = 555;  // not in the mask
    ASSERT_TRUE(SetMenuItemInfoW(bar, 102, FALSE, &set));

    MENUITEMINFOW got = InfoRecord(MIIM_DATA | MIIM_ID | MIIM_STATE);
    ASSERT_TRUE(GetMenuItemInfoW(file, 1, TRUE, &got));
    EXPECT_EQ(got.dwItemData, ULONG_PTR(0x1234));
    EXPECT_EQ(got.wID, 102u);
    EXPECT_EQ(got.fState, UINT(MFS_CHECKED | MFS_GRAYED));
    EXPECT_EQ(Dump(file),
              "&Open 101\n"
              "Save all 102 grey checked\n"
              "--- grey\n"
              "Recent >\n"
              "  one.txt 7000\n");
}

TEST_F(MenuTest, SetMenuItemInfoChangesIdsAndSubmenus) {
    BuildMenuBar();
    MENUITEMINFOW set = InfoRecord(MIIM_ID);
    set.wID = 103;
    ASSERT_TRUE(SetMenuItemInfoW(file, 0, TRUE, &set));
    EXPECT_EQ(GetMenuItemID(file, 0), 103u);
    EXPECT_EQ(GetMenuState(bar, 101, MF_BYCOMMAND), UINT(-1));

    HMENU extra = CreatePopupMenu();
    AppendMenuW(extra, MF_STRING, 300, TEXT("Extra"));
    set = InfoRecord(MIIM_SUBMENU);
    set.hSubMenu = extra;
    ASSERT_TRUE(SetMenuItemInfoW(help, 0, TRUE, &set));
    EXPECT_EQ(GetSubMenu(help, 0), extra);
    EXPECT_EQ(GetMenuState(bar, 300, MF_BYCOMMAND), 0u);  // reachable through the new submenu
}

TEST_F(MenuTest, SetMenuItemInfoRefusesABadSubmenu) {
    BuildMenuBar();
    MENUITEMINFOW set = InfoRecord(MIIM_SUBMENU);
    set.hSubMenu = GoneMenu();
    SetLastError(kUntouched);
    EXPECT_FALSE(SetMenuItemInfoW(file, 0, TRUE, &set));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    set.hSubMenu = bar;  // the bar inside its own File popup would be a cycle
    SetLastError(kUntouched);
    EXPECT_FALSE(SetMenuItemInfoW(file, 0, TRUE, &set));
    EXPECT_EQ(GetSubMenu(file, 0), nullptr);
}

TEST_F(MenuTest, ARefusedSetMenuItemInfoChangesNothing) {
    SKIP_UNDER_WINE("Wine sets the state before it looks at the submenu it then refuses");
    BuildMenuBar();
    MENUITEMINFOW set = InfoRecord(MIIM_SUBMENU | MIIM_STATE);
    set.fState = MFS_GRAYED;
    for (HMENU bad : {GoneMenu(), bar}) {
        set.hSubMenu = bad;
        EXPECT_FALSE(SetMenuItemInfoW(file, 0, TRUE, &set));
        EXPECT_EQ(GetMenuState(file, 0, MF_BYPOSITION), 0u);
    }
}

TEST_F(MenuTest, ItemDataStartsAtZeroAndTravelsByCommandThroughTheBar) {
    BuildMenuBar();
    MENUITEMINFOW got = InfoRecord(MIIM_DATA);
    got.dwItemData = 99;
    ASSERT_TRUE(GetMenuItemInfoW(recent, 0, TRUE, &got));
    EXPECT_EQ(got.dwItemData, ULONG_PTR(0));

    // Set two levels down from the bar, by command; read back by position, by command and from the bar.
    MENUITEMINFOW set = InfoRecord(MIIM_DATA);
    set.dwItemData = 0xABCD0123;
    ASSERT_TRUE(SetMenuItemInfoW(bar, 7000, FALSE, &set));
    for (auto [menu, item, byPosition] : {std::tuple{recent, 0u, TRUE}, std::tuple{recent, 7000u, FALSE},
                                          std::tuple{file, 7000u, FALSE}, std::tuple{bar, 7000u, FALSE}}) {
        got = InfoRecord(MIIM_DATA | MIIM_ID);
        ASSERT_TRUE(GetMenuItemInfoW(menu, item, byPosition, &got)) << item;
        EXPECT_EQ(got.dwItemData, ULONG_PTR(0xABCD0123)) << item;
        EXPECT_EQ(got.wID, 7000u);
    }
}

TEST_F(MenuTest, StateAndSubmenuReadBackThroughTheRecord) {
    BuildMenuBar();
    EnableMenuItem(file, 102, MF_BYCOMMAND | MF_GRAYED);
    CheckMenuItem(file, 101, MF_BYCOMMAND | MF_CHECKED);
    MENUITEMINFOW info = InfoRecord(MIIM_STATE | MIIM_SUBMENU);
    ASSERT_TRUE(GetMenuItemInfoW(bar, 101, FALSE, &info));
    EXPECT_EQ(info.fState, UINT(MFS_CHECKED));
    EXPECT_EQ(info.hSubMenu, nullptr);
    ASSERT_TRUE(GetMenuItemInfoW(bar, 102, FALSE, &info));
    EXPECT_EQ(info.fState & MFS_GRAYED, UINT(MF_GRAYED));
    ASSERT_TRUE(GetMenuItemInfoW(file, 3, TRUE, &info));
    EXPECT_EQ(info.hSubMenu, recent);

    // Setting the state replaces it whole: the check goes, the grey comes.
    MENUITEMINFOW set = InfoRecord(MIIM_STATE);
    set.fState = MFS_GRAYED;
    ASSERT_TRUE(SetMenuItemInfoW(file, 0, TRUE, &set));
    EXPECT_EQ(GetMenuState(file, 0, MF_BYPOSITION), UINT(MFS_GRAYED));
}

// The steps a program takes to swap a greyed placeholder for a submenu of its own, then to move an item
// of that submenu to its top keeping its command, text and data.
TEST_F(MenuTest, APlaceholderGivesWayToANewSubmenuWhoseItemsMove) {
    BuildMenuBar();
    AppendMenuW(file, MF_STRING | MF_GRAYED, 40055, TEXT("Later"));
    ASSERT_TRUE(DeleteMenu(bar, 40055, MF_BYCOMMAND));
    HMENU list = CreatePopupMenu();
    ASSERT_TRUE(InsertMenuW(file, UINT(-1), MF_BYPOSITION | MF_POPUP, (UINT_PTR)list, TEXT("List")));
    MENUITEMINFOW info = InfoRecord(MIIM_ID);
    ASSERT_TRUE(GetMenuItemInfoW(file, 4, TRUE, &info));
    EXPECT_EQ(info.wID, UINT((UINT_PTR)list));
    EXPECT_EQ(GetMenuItemID(file, 4), UINT(-1));

    ASSERT_TRUE(InsertMenuW(list, 0, MF_BYPOSITION | MF_STRING, 8000, TEXT("a")));
    ASSERT_TRUE(InsertMenuW(list, 0, MF_BYPOSITION | MF_STRING, 8001, TEXT("b")));
    MENUITEMINFOW data = InfoRecord(MIIM_DATA);
    data.dwItemData = 0xA;
    ASSERT_TRUE(SetMenuItemInfoW(bar, 8000, FALSE, &data));

    WCHAR text[16];
    MENUITEMINFOW read = InfoRecord(MIIM_ID | MIIM_TYPE | MIIM_DATA);
    read.dwTypeData = text;
    read.cch = 16;
    ASSERT_TRUE(GetMenuItemInfoW(list, 1, TRUE, &read));
    ASSERT_TRUE(DeleteMenu(list, read.wID, MF_BYCOMMAND));
    ASSERT_TRUE(InsertMenuW(list, 0, MF_BYPOSITION | MF_STRING, read.wID, text));
    ASSERT_TRUE(SetMenuItemInfoW(list, read.wID, FALSE, &read));
    EXPECT_EQ(Dump(file),
              "&Open 101\n"
              "Save 102\n"
              "--- grey\n"
              "Recent >\n"
              "  one.txt 7000\n"
              "List >\n"
              "  a 8000\n"
              "  b 8001\n");
    data = InfoRecord(MIIM_DATA);
    ASSERT_TRUE(GetMenuItemInfoW(list, 0, TRUE, &data));
    EXPECT_EQ(data.dwItemData, ULONG_PTR(0xA));
}

// ---------------------------------------------------------------------------------------------------
// Commands are searched for in submenus
// ---------------------------------------------------------------------------------------------------

TEST_F(MenuTest, ByCommandCallsReachIntoSubmenus) {
    BuildMenuBar();
    EXPECT_EQ(EnableMenuItem(bar, 7000, MF_BYCOMMAND | MF_GRAYED), 0u);
    EXPECT_EQ(GetMenuState(recent, 0, MF_BYPOSITION), UINT(MF_GRAYED));
    EXPECT_EQ(CheckMenuItem(bar, 200, MF_BYCOMMAND | MF_CHECKED), 0u);
    EXPECT_EQ(GetMenuState(help, 0, MF_BYPOSITION), UINT(MF_CHECKED));
    EXPECT_TRUE(DeleteMenu(bar, 102, MF_BYCOMMAND));
    EXPECT_EQ(Dump(file),
              "&Open 101\n"
              "--- grey\n"
              "Recent >\n"
              "  one.txt 7000 grey\n");
}

TEST_F(MenuTest, APlainItemWinsOverAPopupWithTheSameId) {
    BuildMenuBar();
    UINT recentId = UINT((UINT_PTR)recent);
    AppendMenuW(file, MF_STRING, recentId, TEXT("Same id"));
    // The Recent popup comes first and carries that id too, but the plain item after it wins.
    EXPECT_EQ(CheckMenuItem(bar, recentId, MF_BYCOMMAND | MF_CHECKED), 0u);
    EXPECT_EQ(GetMenuState(file, 4, MF_BYPOSITION), UINT(MF_CHECKED));
    EXPECT_EQ(GetMenuState(file, 3, MF_BYPOSITION) & MF_CHECKED, 0u);
}

TEST_F(MenuTest, APopupIsFoundByItsIdWhenNothingElseHasIt) {
    BuildMenuBar();
    EXPECT_EQ(EnableMenuItem(bar, UINT((UINT_PTR)recent), MF_BYCOMMAND | MF_GRAYED), 0u);
    EXPECT_EQ(GetMenuState(file, 3, MF_BYPOSITION), (1u << 8) | MF_POPUP | MF_GRAYED);
}

// ---------------------------------------------------------------------------------------------------
// CheckMenuItem and EnableMenuItem
// ---------------------------------------------------------------------------------------------------

TEST_F(MenuTest, CheckMenuItemReturnsThePreviousCheck) {
    BuildMenuBar();
    EXPECT_EQ(CheckMenuItem(file, 101, MF_BYCOMMAND | MF_CHECKED), DWORD(MF_UNCHECKED));
    EXPECT_EQ(CheckMenuItem(file, 101, MF_BYCOMMAND | MF_CHECKED), DWORD(MF_CHECKED));
    EXPECT_EQ(CheckMenuItem(file, 0, MF_BYPOSITION | MF_UNCHECKED), DWORD(MF_CHECKED));
    EXPECT_EQ(CheckMenuItem(file, 101, MF_BYCOMMAND | MF_UNCHECKED), DWORD(MF_UNCHECKED));
    EXPECT_EQ(CheckMenuItem(file, 999, MF_BYCOMMAND | MF_CHECKED), kNoItem);
    EXPECT_EQ(CheckMenuItem(file, 9, MF_BYPOSITION | MF_CHECKED), kNoItem);
}

TEST_F(MenuTest, EnableMenuItemReturnsThePreviousState) {
    BuildMenuBar();
    CheckMenuItem(file, 102, MF_BYCOMMAND | MF_CHECKED);
    EXPECT_EQ(EnableMenuItem(file, 102, MF_BYCOMMAND | MF_GRAYED), DWORD(MF_ENABLED));
    EXPECT_EQ(EnableMenuItem(file, 102, MF_BYCOMMAND | MF_GRAYED), DWORD(MF_GRAYED));
    EXPECT_EQ(EnableMenuItem(file, 1, MF_BYPOSITION | MF_ENABLED), DWORD(MF_GRAYED));
    EXPECT_EQ(EnableMenuItem(file, 102, MF_BYCOMMAND | MF_ENABLED), DWORD(MF_ENABLED));
    EXPECT_EQ(GetMenuState(file, 102, MF_BYCOMMAND), UINT(MF_CHECKED));  // the check mark is left alone
    EXPECT_EQ(EnableMenuItem(file, 999, MF_BYCOMMAND | MF_GRAYED), kNoItem);
}

// ---------------------------------------------------------------------------------------------------
// InsertMenuW
// ---------------------------------------------------------------------------------------------------

TEST_F(MenuTest, InsertByPositionPastTheEndAppends) {
    HMENU menu = CreatePopupMenu();
    ASSERT_TRUE(InsertMenuW(menu, 0, MF_BYPOSITION, 1, TEXT("a")));
    ASSERT_TRUE(InsertMenuW(menu, 0xFFFFFFFF, MF_BYPOSITION, 2, TEXT("b")));
    ASSERT_TRUE(InsertMenuW(menu, 40, MF_BYPOSITION, 3, TEXT("c")));
    ASSERT_TRUE(InsertMenuW(menu, 0, MF_BYPOSITION, 4, TEXT("d")));
    ASSERT_TRUE(InsertMenuW(menu, 2, MF_BYPOSITION, 5, TEXT("e")));
    EXPECT_EQ(Dump(menu), "d 4\na 1\ne 5\nb 2\nc 3\n");
}

TEST_F(MenuTest, InsertByCommandGoesBeforeThatItemWhereverItIs) {
    BuildMenuBar();
    ASSERT_TRUE(InsertMenuW(bar, 7000, MF_BYCOMMAND, 7001, TEXT("two.txt")));
    EXPECT_EQ(Dump(recent), "two.txt 7001\none.txt 7000\n");
}

TEST_F(MenuTest, InsertBeforeAMissingCommandAppendsToTheMenuGiven) {
    BuildMenuBar();
    ASSERT_TRUE(InsertMenuW(bar, 4242, MF_BYCOMMAND, 300, TEXT("Tools")));
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    EXPECT_EQ(GetMenuItemID(bar, 2), 300u);
}

TEST_F(MenuTest, InsertTakesItsFlags) {
    HMENU menu = CreatePopupMenu();
    HMENU sub = CreatePopupMenu();
    AppendMenuW(sub, MF_STRING, 9, TEXT("inner"));
    ASSERT_TRUE(AppendMenuW(menu, MF_STRING | MF_GRAYED, 1, TEXT("grey")));
    ASSERT_TRUE(AppendMenuW(menu, MF_STRING | MF_CHECKED, 2, TEXT("ticked")));
    ASSERT_TRUE(AppendMenuW(menu, MF_SEPARATOR, 0, nullptr));
    ASSERT_TRUE(AppendMenuW(menu, MF_STRING, 3, nullptr));  // a string item without text is a separator
    ASSERT_TRUE(AppendMenuW(menu, MF_POPUP | MF_GRAYED, (UINT_PTR)sub, TEXT("more")));
    EXPECT_EQ(Dump(menu),
              "grey 1 grey\n"
              "ticked 2 checked\n"
              "--- grey\n"
              "--- grey\n"
              "more grey >\n"
              "  inner 9\n");
}

// A popup whose handle names no menu goes in as a plain item, that value its command.
TEST_F(MenuTest, APopupHandleThatNamesNoMenuMakesAPlainItem) {
    HMENU menu = CreatePopupMenu();
    HMENU gone = GoneMenu();
    ASSERT_TRUE(AppendMenuW(menu, MF_POPUP, (UINT_PTR)gone, TEXT("nothing")));
    EXPECT_EQ(GetSubMenu(menu, 0), nullptr);
    EXPECT_EQ(GetMenuItemID(menu, 0), UINT((UINT_PTR)gone));
    EXPECT_EQ(GetMenuState(menu, 0, MF_BYPOSITION), 0u);
    EXPECT_EQ(Dump(menu), "nothing " + std::to_string(UINT((UINT_PTR)gone)) + "\n");
}

// Appends menu to itself, then inside a menu it holds; both would make a cycle.
void ExpectCyclesRefused(HMENU menu) {
    EXPECT_FALSE(AppendMenuW(menu, MF_POPUP, (UINT_PTR)menu, TEXT("itself")));
    HMENU outer = CreatePopupMenu();
    AppendMenuW(outer, MF_POPUP, (UINT_PTR)menu, TEXT("inner"));
    EXPECT_FALSE(AppendMenuW(menu, MF_POPUP, (UINT_PTR)outer, TEXT("around")));
}

TEST_F(MenuTest, InsertRefusesAPopupThatMakesACycle) {
    ExpectCyclesRefused(CreatePopupMenu());
}

TEST_F(MenuTest, ARefusedInsertLeavesNoItem) {
    SKIP_UNDER_WINE("Wine leaves the refused item in the menu, though its InsertMenuW means to remove it");
    HMENU menu = CreatePopupMenu();
    ExpectCyclesRefused(menu);
    EXPECT_EQ(GetMenuItemCount(menu), 0);
}

// ---------------------------------------------------------------------------------------------------
// DeleteMenu and RemoveMenu
// ---------------------------------------------------------------------------------------------------

TEST_F(MenuTest, DeleteMenuDestroysAPopupsSubmenu) {
    BuildMenuBar();
    ASSERT_TRUE(DeleteMenu(file, 3, MF_BYPOSITION));
    EXPECT_EQ(GetMenuItemCount(recent), -1);
    EXPECT_EQ(GetMenuItemCount(file), 3);
}

TEST_F(MenuTest, RemoveMenuKeepsAPopupsSubmenu) {
    BuildMenuBar();
    ASSERT_TRUE(RemoveMenu(file, 3, MF_BYPOSITION));
    EXPECT_EQ(Dump(recent), "one.txt 7000\n");
    EXPECT_EQ(GetMenuItemCount(file), 3);
    ASSERT_TRUE(RemoveMenu(bar, 200, MF_BYCOMMAND));
    EXPECT_EQ(GetMenuItemCount(help), 0);
}

TEST_F(MenuTest, DeletingAMissingItemFailsWithoutSettingAnError) {
    BuildMenuBar();
    SetLastError(kUntouched);
    EXPECT_FALSE(DeleteMenu(bar, 4242, MF_BYCOMMAND));
    EXPECT_FALSE(RemoveMenu(bar, 2, MF_BYPOSITION));
    EXPECT_EQ(GetLastError(), kUntouched);
    EXPECT_EQ(GetMenuItemCount(bar), 2);
}

// ---------------------------------------------------------------------------------------------------
// Handles
// ---------------------------------------------------------------------------------------------------

// Calls each menu function on a handle that names no menu and expects it to fail; with errors checked,
// also to set ERROR_INVALID_MENU_HANDLE.
void ExpectEveryCallRefuses(HMENU bogus, bool checkErrors) {
    MENUITEMINFOW info = InfoRecord(MIIM_ID);
    auto expectInvalid = [checkErrors](const char *call) {
        if (checkErrors) {
            EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_MENU_HANDLE)) << call;
        }
        SetLastError(kUntouched);
    };
    SetLastError(kUntouched);
    EXPECT_EQ(GetMenuItemCount(bogus), -1);
    expectInvalid("GetMenuItemCount");
    EXPECT_FALSE(GetMenuItemInfoW(bogus, 0, TRUE, &info));
    expectInvalid("GetMenuItemInfoW");
    EXPECT_FALSE(SetMenuItemInfoW(bogus, 0, TRUE, &info));
    expectInvalid("SetMenuItemInfoW");
    EXPECT_FALSE(InsertMenuW(bogus, 0, MF_BYPOSITION, 1, TEXT("x")));
    expectInvalid("InsertMenuW");
    EXPECT_FALSE(DeleteMenu(bogus, 0, MF_BYPOSITION));
    expectInvalid("DeleteMenu");
    EXPECT_FALSE(DestroyMenu(bogus));
    expectInvalid("DestroyMenu");
    EXPECT_EQ(EnableMenuItem(bogus, 0, MF_BYPOSITION), kNoItem);
    expectInvalid("EnableMenuItem");
    EXPECT_EQ(CheckMenuItem(bogus, 0, MF_BYPOSITION), kNoItem);
    expectInvalid("CheckMenuItem");
    EXPECT_EQ(GetSubMenu(bogus, 0), nullptr);
    expectInvalid("GetSubMenu");
    EXPECT_EQ(GetMenuItemID(bogus, 0), UINT(-1));
    expectInvalid("GetMenuItemID");
}

TEST_F(MenuTest, AHandleThatNamesNoMenuIsRefused) {
    ExpectEveryCallRefuses(GoneMenu(), false);
}

TEST_F(MenuTest, AHandleThatNamesNoMenuFailsWithInvalidMenuHandle) {
    SKIP_UNDER_WINE("Wine leaves the last error alone for a menu handle it cannot find");
    ExpectEveryCallRefuses(GoneMenu(), true);
}

TEST_F(MenuTest, DestroyMenuTakesItsSubmenusAlong) {
    BuildMenuBar();
    HMENU spare = CreatePopupMenu();
    ASSERT_TRUE(DestroyMenu(bar));
    for (HMENU gone : {bar, file, recent, help})
        EXPECT_EQ(GetMenuItemCount(gone), -1);
    EXPECT_EQ(GetMenuItemCount(spare), 0);
    EXPECT_FALSE(DestroyMenu(bar));
    bar = nullptr;
    DestroyMenu(spare);
}

TEST_F(MenuTest, HandlesAreDistinctAndFitInACommandId) {
    std::vector<HMENU> menus;
    for (int i = 0; i < 64; ++i)
        menus.push_back(i % 2 ? CreateMenu() : CreatePopupMenu());
    for (size_t i = 0; i < menus.size(); ++i) {
        ASSERT_NE(menus[i], nullptr);
        for (size_t j = 0; j < i; ++j)
            EXPECT_NE(menus[i], menus[j]);
        EXPECT_EQ((UINT_PTR)menus[i] >> 32, 0u) << "a popup's id must be able to hold its handle";
    }
}

// ---------------------------------------------------------------------------------------------------
// Menus and windows
// ---------------------------------------------------------------------------------------------------

LRESULT CALLBACK PlainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class MenuWindowTest : public MenuTest {
protected:
    void SetUp() override {
        MenuTest::SetUp();
        WNDCLASSW wc{};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = test_platform::Instance();
        wc.lpszClassName = TEXT("menu test window");
        // The class outlives a test where Reset() cannot unregister it.
        ASSERT_TRUE(RegisterClassW(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS);
    }
    HWND NewWindow() {
        return CreateWindowExW(0, TEXT("menu test window"), TEXT(""), WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                               test_platform::Instance(), nullptr);
    }
};

TEST_F(MenuWindowTest, MenuAndWindowHandlesNeverMeet) {
    std::vector<HWND> windows;
    std::vector<HMENU> menus;
    for (int i = 0; i < 32; ++i) {
        windows.push_back(NewWindow());
        menus.push_back(CreatePopupMenu());
    }
    for (HWND window : windows) {
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(GetMenuItemCount((HMENU)window), -1);
    }
    for (HMENU menu : menus)
        EXPECT_FALSE(IsWindow((HWND)menu));
}

TEST_F(MenuWindowTest, DrawMenuBarNeedsAWindowButNoMenu) {
    HWND window = NewWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(DrawMenuBar(window)) << "a window without a menu";
    DestroyWindow(window);
    SetLastError(kUntouched);
    EXPECT_FALSE(DrawMenuBar(window));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    SetLastError(kUntouched);
    EXPECT_FALSE(DrawMenuBar(nullptr));
    EXPECT_EQ(GetLastError(), kUntouched);
}

// ---------------------------------------------------------------------------------------------------
// Menu templates
// ---------------------------------------------------------------------------------------------------

// Builds a menu template: MENUHEADER, then items of WORD flags, WORD id (not for popups) and text.
class TemplateWriter {
public:
    TemplateWriter() { Words({0, 0}); }
    TemplateWriter &Item(WORD flags, WORD id, const WString &text) {
        Words({flags, id});
        return Text(text);
    }
    TemplateWriter &Popup(WORD flags, const WString &text) {
        Words({WORD(flags | MF_POPUP)});
        return Text(text);
    }
    const WORD *Data() const { return words_.data(); }

private:
    void Words(std::initializer_list<WORD> words) { words_.insert(words_.end(), words); }
    TemplateWriter &Text(const WString &text) {
        words_.insert(words_.end(), text.begin(), text.end());
        words_.push_back(0);
        return *this;
    }
    std::vector<WORD> words_;
};

TEST_F(MenuTest, LoadMenuIndirectBuildsTheTree) {
    TemplateWriter t;
    t.Item(0, 10, TEXT("First"))
        .Popup(0, TEXT("Sub"))
        .Item(MF_GRAYED, 20, TEXT("Grey"))
        .Item(0, 0, TEXT(""))  // a separator, as resource compilers write one
        .Popup(MF_END, TEXT("Deeper"))
        .Item(MF_CHECKED | MF_END, 30, TEXT("Ticked"))
        .Item(MF_END, 40, TEXT("Last"));
    HMENU menu = LoadMenuIndirectW(t.Data());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Dump(menu),
              "First 10\n"
              "Sub >\n"
              "  Grey 20 grey\n"
              "  --- grey\n"
              "  Deeper >\n"
              "    Ticked 30 checked\n"
              "Last 40\n");
}

const WORD kUnknownVersion[] = {2, 0, MF_END, 1, TEXT('a'), 0};

TEST_F(MenuTest, LoadMenuIndirectRefusesTemplateVersionsItDoesNotKnow) {
    EXPECT_EQ(LoadMenuIndirectW(kUnknownVersion), nullptr);
}

TEST_F(MenuTest, ATemplateOfAnUnknownVersionIsInvalidData) {
    SKIP_UNDER_WINE("Wine sets no error for a template version it does not know");
    SetLastError(kUntouched);
    EXPECT_EQ(LoadMenuIndirectW(kUnknownVersion), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA));
}

// A version-1 header starts an extended template, which the desktop reads and the phone does not have.
TEST_F(MenuTest, LoadMenuIndirectRefusesExtendedTemplates) {
    SKIP_ON_DESKTOP_WINDOWS("the desktop reads extended (version 1) menu templates; the phone has none");
    const WORD extended[] = {1, 4, 0, 0, 0, 0};
    SetLastError(kUntouched);
    EXPECT_EQ(LoadMenuIndirectW(extended), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA));
}

}  // namespace
