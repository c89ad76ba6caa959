// Menus where only our platform can look: freeing every menu between tests, and running out of memory.
#include "platform/posix/windowing/menu.h"
#include "tests/support/allocation_budget.h"
#include "tests/support/menu_dump.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using menu_dump::Dump;

class MenuPosixTest : public ::testing::Test {
protected:
    void SetUp() override { posix::ResetMenus(); }
    void TearDown() override { posix::ResetMenus(); }
};

TEST_F(MenuPosixTest, ResetMenusFreesEveryMenu) {
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    HMENU recent = CreatePopupMenu();
    AppendMenuW(recent, MF_STRING, 7000, u"one.txt");
    AppendMenuW(file, MF_POPUP, (UINT_PTR)recent, u"Recent");
    AppendMenuW(bar, MF_POPUP, (UINT_PTR)file, u"File");
    HMENU loose = CreatePopupMenu();
    posix::ResetMenus();
    for (HMENU gone : {bar, file, recent, loose})
        EXPECT_EQ(posix::MenuFromHandle(gone), nullptr);
}

TEST_F(MenuPosixTest, WithoutMemoryNoMenuIsMadeAndNoItemGoesIn) {
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, u"kept");
    HMENU none;
    {
        testing_support::AllocationBudget budget(0);
        none = CreatePopupMenu();
        EXPECT_TRUE(budget.Refused());
    }
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
    BOOL inserted;
    const std::u16string longText(40, u'x');  // longer than a string keeps without the heap
    {
        testing_support::AllocationBudget budget(0);
        inserted = InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, 2, longText.c_str());
    }
    EXPECT_FALSE(inserted);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(Dump(menu), "kept 1\n");
    // Memory back, both work again, and the new menu's handle is one no other menu has.
    HMENU later = CreatePopupMenu();
    ASSERT_NE(later, nullptr);
    EXPECT_NE(later, menu);
    EXPECT_TRUE(InsertMenuW(menu, 0, MF_BYPOSITION | MF_POPUP, (UINT_PTR)later, u"sub"));
}

}  // namespace
