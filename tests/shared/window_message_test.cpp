// Windows and their messages, the message loop, focus and activation, keys and the key state: how Win32
// behaves, on both sides.
#include "tests/support/test_platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Recorded {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Recorded> g_log;
LRESULT g_createResult = 0;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT && message != WM_GETTEXT && message != WM_GETTEXTLENGTH)
        g_log.push_back({hwnd, message, wParam, lParam});
    if (message == WM_CREATE) return g_createResult;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::vector<UINT> Messages(HWND hwnd) {
    std::vector<UINT> out;
    for (const Recorded &r : g_log)
        if (!hwnd || r.hwnd == hwnd) out.push_back(r.message);
    return out;
}

std::vector<Recorded> Of(UINT message) {
    std::vector<Recorded> out;
    for (const Recorded &r : g_log)
        if (r.message == message) out.push_back(r);
    return out;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_platform::Reset();
        g_log.clear();
        g_createResult = 0;
        WNDCLASSW wc{};
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = TEXT("Recorder");
        wc.hInstance = test_platform::Instance();
        ASSERT_NE(RegisterClassW(&wc), 0);
    }
    void TearDown() override {
        test_platform::Reset();
        UnregisterClassW(TEXT("Recorder"), test_platform::Instance());
    }
    HWND TopLevel(DWORD style = WS_VISIBLE) {
        return CreateWindowExW(0, TEXT("Recorder"), TEXT("Top"), style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, test_platform::Instance(), nullptr);
    }
    HWND Child(HWND parent, int id) {
        return CreateWindowExW(0, TEXT("Recorder"), TEXT(""), WS_CHILD | WS_VISIBLE, 0, 0, 80, 32, parent,
                               (HMENU)(UINT_PTR)id, test_platform::Instance(), nullptr);
    }
};

// ---------------------------------------------------------------------------------------------------
// Windows
// ---------------------------------------------------------------------------------------------------

// An overlapped top-level window is asked its size limits before anything else; every window is asked its
// client area after WM_NCCREATE. A child is told its size and place, its parent is told of it, and a
// visible child is shown.
TEST_F(WindowTest, CreationAndDestructionSendTheirMessagesInWin32Order) {
    HWND top = TopLevel(0);
    HWND child = Child(top, 7);
    ASSERT_TRUE(top && child);
    EXPECT_EQ(Messages(top),
              (std::vector<UINT>{WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_PARENTNOTIFY}));
    EXPECT_EQ(Messages(child),
              (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW}));
    ASSERT_EQ(Of(WM_PARENTNOTIFY).size(), 1u);
    EXPECT_EQ(Of(WM_PARENTNOTIFY)[0].wParam, MAKEWPARAM(WM_CREATE, 7));
    EXPECT_EQ((HWND)Of(WM_PARENTNOTIFY)[0].lParam, child);
    EXPECT_EQ(Of(WM_SHOWWINDOW)[0].wParam, WPARAM(TRUE));
    g_log.clear();
    ASSERT_TRUE(DestroyWindow(top));
    std::vector<std::pair<HWND, UINT>> order;
    for (const Recorded &r : g_log)
        if (r.message == WM_DESTROY || r.message == WM_NCDESTROY) order.push_back({r.hwnd, r.message});
    EXPECT_EQ(order, (std::vector<std::pair<HWND, UINT>>{
                         {top, WM_DESTROY}, {child, WM_DESTROY}, {child, WM_NCDESTROY}, {top, WM_NCDESTROY}}));
    EXPECT_TRUE(Of(WM_PARENTNOTIFY).empty()) << "children going with their parent tell nobody";
    EXPECT_FALSE(IsWindow(top));
    EXPECT_FALSE(IsWindow(child));
}

// A child destroyed on its own tells its parent before it sees WM_DESTROY; one made with
// WS_EX_NOPARENTNOTIFY tells it nothing, coming or going, and a popup is no child.
TEST_F(WindowTest, AChildTellsItsParentOfItsCreationAndDestruction) {
    HWND top = TopLevel(0);
    HWND child = Child(top, 7);
    g_log.clear();
    ASSERT_TRUE(DestroyWindow(child));
    std::vector<Recorded> seen;
    for (const Recorded &r : g_log)
        if (r.message == WM_PARENTNOTIFY || r.message == WM_DESTROY) seen.push_back(r);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].hwnd, top);
    EXPECT_EQ(seen[0].message, (UINT)WM_PARENTNOTIFY);
    EXPECT_EQ(seen[0].wParam, MAKEWPARAM(WM_DESTROY, 7));
    EXPECT_EQ((HWND)seen[0].lParam, child);
    EXPECT_EQ(seen[1].hwnd, child);
    g_log.clear();
    HWND quiet = CreateWindowExW(WS_EX_NOPARENTNOTIFY, TEXT("Recorder"), TEXT(""), WS_CHILD, 0, 0, 10, 10, top,
                                 (HMENU)8, test_platform::Instance(), nullptr);
    ASSERT_NE(quiet, nullptr);
    DestroyWindow(quiet);
    HWND popup = CreateWindowExW(0, TEXT("Recorder"), TEXT(""), WS_POPUP, 0, 0, 10, 10, top, nullptr,
                                 test_platform::Instance(), nullptr);
    ASSERT_NE(popup, nullptr);
    DestroyWindow(popup);
    EXPECT_TRUE(Of(WM_PARENTNOTIFY).empty());
    EXPECT_TRUE(Of(WM_GETMINMAXINFO).empty()) << "a popup without a sizing frame has no size limits to ask";
}

TEST_F(WindowTest, CreateReturningMinusOneFailsTheCreation) {
    g_createResult = -1;
    EXPECT_EQ(TopLevel(), nullptr);
    EXPECT_EQ(FindWindowW(TEXT("Recorder"), nullptr), nullptr);
    EXPECT_EQ(CreateWindowExW(0, TEXT("NoSuchClass"), TEXT(""), 0, 0, 0, 0, 0, nullptr, nullptr,
                              test_platform::Instance(), nullptr),
              nullptr);
}

TEST_F(WindowTest, AMissingClassIsTheErrorOfAFailedCreation) {
    SKIP_UNDER_WINE("Wine sets ERROR_CLASS_DOES_NOT_EXIST (1411); Windows sets ERROR_CANNOT_FIND_WND_CLASS");
    SetLastError(0);
    EXPECT_EQ(CreateWindowExW(0, TEXT("NoSuchClass"), TEXT(""), 0, 0, 0, 0, 0, nullptr, nullptr,
                              test_platform::Instance(), nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CANNOT_FIND_WND_CLASS);
}

TEST_F(WindowTest, ClassNamesIgnoreCaseAndRegisterOnce) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = TEXT("RECORDER");
    EXPECT_EQ(RegisterClassW(&wc), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_ALREADY_EXISTS);
    HWND w = CreateWindowExW(0, TEXT("recorder"), TEXT("x"), 0, 0, 0, 10, 10, nullptr, nullptr,
                             test_platform::Instance(), nullptr);
    EXPECT_NE(w, nullptr);
    EXPECT_EQ(FindWindowW(TEXT("RECORDER"), nullptr), w);
}

TEST_F(WindowTest, SubclassingReturnsTheOldProcedureAndCallWindowProcPassesOn) {
    HWND top = TopLevel(0);
    static WNDPROC base;
    static int seen;
    seen = 0;
    base = (WNDPROC)SetWindowLongPtrW(
        top, GWLP_WNDPROC, (LONG_PTR)(WNDPROC)[](HWND h, UINT m, WPARAM w, LPARAM l) {
            ++seen;
            return CallWindowProcW(base, h, m, w, l);
        });
    EXPECT_EQ(base, RecordingProc);
    g_log.clear();
    SendMessageW(top, WM_USER + 5, 1, 2);
    EXPECT_EQ(seen, 1);
    ASSERT_EQ(g_log.size(), 1u);
    EXPECT_EQ(g_log[0].message, (UINT)WM_USER + 5);
}

TEST_F(WindowTest, WindowTextGoesThroughTheMessages) {
    HWND top = TopLevel(0);
    EXPECT_TRUE(SetWindowTextW(top, TEXT("abcdef")));
    WCHAR buffer[4];
    EXPECT_EQ(GetWindowTextW(top, buffer, 4), 3);
    EXPECT_EQ(WString(buffer), TEXT("abc"));
    EXPECT_EQ(GetWindowTextLengthW(top), 6);
}

TEST_F(WindowTest, FocusMovesWithKillAndSetFocus) {
    HWND top = TopLevel(0);
    HWND a = Child(top, 1), b = Child(top, 2);
    SetFocus(a);
    g_log.clear();
    EXPECT_EQ(SetFocus(b), a);
    std::vector<Recorded> kills = Of(WM_KILLFOCUS), sets = Of(WM_SETFOCUS);
    ASSERT_EQ(kills.size(), 1u);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(kills[0].hwnd, a);
    EXPECT_EQ((HWND)kills[0].wParam, b);
    EXPECT_EQ(sets[0].hwnd, b);
    EXPECT_EQ(GetFocus(), b);
    // A visible child that goes while it has the focus gives it to its parent.
    DestroyWindow(b);
    EXPECT_EQ(GetFocus(), top);
}

// A child hidden, or destroyed while visible, is told it is hidden; if it has the focus itself, the
// focus goes to its parent. Hiding a window around the focus leaves the focus where it is.
TEST_F(WindowTest, HidingTheFocusGivesItToTheParent) {
    HWND top = TopLevel();
    HWND a = Child(top, 1);
    HWND inner = Child(a, 3);
    SetFocus(inner);
    ShowWindow(a, SW_HIDE);
    EXPECT_EQ(GetFocus(), inner) << "a window around the focus was hidden";
    g_log.clear();
    ShowWindow(inner, SW_HIDE);
    EXPECT_EQ(GetFocus(), a);
    std::vector<std::pair<HWND, UINT>> seen;
    for (const Recorded &r : g_log)
        if (r.message == WM_SHOWWINDOW || r.message == WM_KILLFOCUS || r.message == WM_SETFOCUS)
            seen.push_back({r.hwnd, r.message});
    EXPECT_EQ(seen,
              (std::vector<std::pair<HWND, UINT>>{{inner, WM_SHOWWINDOW}, {inner, WM_KILLFOCUS}, {a, WM_SETFOCUS}}));
    EXPECT_EQ(Of(WM_SHOWWINDOW)[0].wParam, WPARAM(FALSE));
    HWND b = Child(top, 2);
    SetFocus(b);
    g_log.clear();
    DestroyWindow(b);
    seen.clear();
    for (const Recorded &r : g_log)
        if (r.message == WM_SHOWWINDOW || r.message == WM_KILLFOCUS || r.message == WM_SETFOCUS ||
            r.message == WM_DESTROY)
            seen.push_back({r.hwnd, r.message});
    EXPECT_EQ(seen, (std::vector<std::pair<HWND, UINT>>{
                        {b, WM_SHOWWINDOW}, {b, WM_KILLFOCUS}, {top, WM_SETFOCUS}, {b, WM_DESTROY}}));
    HWND c = Child(top, 4);
    HWND cInner = Child(c, 5);
    SetFocus(cInner);
    g_log.clear();
    DestroyWindow(c);
    EXPECT_EQ(GetFocus(), nullptr) << "a focus inside a child destroyed goes with it, untold";
    seen.clear();
    for (const Recorded &r : g_log)
        if (r.message == WM_SHOWWINDOW || r.message == WM_KILLFOCUS || r.message == WM_SETFOCUS ||
            r.message == WM_DESTROY)
            seen.push_back({r.hwnd, r.message});
    EXPECT_EQ(seen, (std::vector<std::pair<HWND, UINT>>{{c, WM_SHOWWINDOW}, {c, WM_DESTROY}, {cInner, WM_DESTROY}}));
}

TEST_F(WindowTest, ShowingATopLevelWindowActivatesItAndDefaultHandlingFocusesIt) {
    HWND first = TopLevel(0);
    ShowWindow(first, SW_SHOW);
    EXPECT_EQ(GetActiveWindow(), first);
    EXPECT_EQ(GetFocus(), first);
    HWND second = TopLevel(0);
    g_log.clear();
    ShowWindow(second, SW_SHOW);
    ASSERT_EQ(Of(WM_ACTIVATE).size(), 2u);
    EXPECT_EQ(Of(WM_ACTIVATE)[0].hwnd, first);
    EXPECT_EQ(LOWORD(Of(WM_ACTIVATE)[0].wParam), WA_INACTIVE);
    EXPECT_EQ(Of(WM_ACTIVATE)[1].hwnd, second);
    DestroyWindow(second);
    EXPECT_EQ(GetActiveWindow(), first) << "the window behind comes back";
}

// ---------------------------------------------------------------------------------------------------
// Messages and the loop
// ---------------------------------------------------------------------------------------------------

TEST_F(WindowTest, PostedMessagesComeInOrderAndTheQuitMessageLast) {
    HWND top = TopLevel(0);
    PostMessageW(top, WM_USER + 1, 0, 0);
    PostQuitMessage(3);
    PostMessageW(top, WM_USER + 2, 0, 0);
    MSG msg;
    ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, (UINT)WM_USER + 1);
    ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, (UINT)WM_USER + 2);
    EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, (UINT)WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(WindowTest, KeysReachTheFocusAndTranslateMessageAddsTheCharacter) {
    HWND top = TopLevel();
    HWND child = Child(top, 1);
    SetFocus(child);
    g_log.clear();
    test_platform::PressKey('A', TEXT('a'));
    test_platform::PressKey(VK_LEFT);
    std::vector<UINT> seen;
    for (const Recorded &r : g_log)
        if (r.hwnd == child && r.message >= WM_KEYFIRST && r.message <= WM_KEYLAST) seen.push_back(r.message);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYDOWN, WM_KEYUP}));
    ASSERT_EQ(Of(WM_CHAR).size(), 1u);
    EXPECT_EQ(Of(WM_CHAR)[0].wParam, (WPARAM)TEXT('a'));
    EXPECT_EQ(Of(WM_KEYDOWN)[0].wParam, (WPARAM)'A');
}

TEST_F(WindowTest, AsyncKeyStateFollowsPressAndRelease) {
    TopLevel();
    test_platform::RunPendingMessages();  // the window is up and in front before the key goes down
    test_platform::InputKey(VK_TSOFT1, true);
    SHORT during = GetAsyncKeyState(VK_TSOFT1);
    test_platform::InputKey(VK_TSOFT1, false);
    test_platform::RunPendingMessages();
    EXPECT_EQ(during & 0x8000, 0x8000);
    EXPECT_EQ(GetAsyncKeyState(VK_TSOFT1), 0);
}

// Bit 0 says the key went down since the last call asked; the call that reads it clears it. GetKeyState
// reads only whether the key is down, once its message has been taken, with its whole high byte, and
// leaves bit 0 for GetAsyncKeyState.
TEST_F(WindowTest, AsyncKeyStateSaysOnceThatTheKeyWentDown) {
    TopLevel();
    test_platform::RunPendingMessages();
    std::vector<int> seen;
    auto read = [&] { seen.push_back(WORD(GetAsyncKeyState(VK_TSOFT1))); };
    test_platform::InputKey(VK_TSOFT1, true);
    test_platform::RunPendingMessages();
    seen.push_back(WORD(GetKeyState(VK_TSOFT1)) & 0xFFFE);  // bit 0 toggles with every press before
    read();
    read();
    test_platform::InputKey(VK_TSOFT1, false);
    read();
    test_platform::InputKey(VK_TSOFT1, true);
    test_platform::InputKey(VK_TSOFT1, false);
    read();
    read();
    test_platform::RunPendingMessages();
    EXPECT_EQ(seen, (std::vector<int>{0xFF80, 0x8001, 0x8000, 0, 0x0001, 0}));
}

}  // namespace
