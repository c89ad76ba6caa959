// An edit control in a top-level window that records the notifications the edit sends it, and the
// messages and keys the edit tests send: written against Win32, for the tests on both sides.
#pragma once

#include "tests/support/test_platform.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

constexpr int kEditId = 120;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_BORDER;
constexpr DWORD kNoWrap =
    kChild | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL;
constexpr DWORD kWrap = kChild | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL;
constexpr DWORD kSingleLine = 0x50810080;  // WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL
// The pixels of one character cell on our platform; on Win32 the edit's size in them is only a size.
constexpr int kColumnWidth = 8;
constexpr int kRowHeight = 16;

using Codes = std::vector<WORD>;

inline std::pair<DWORD, DWORD> Range(DWORD start, DWORD end) {
    return {start, end};
}

class EditTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_platform::Reset();
        notifications_.clear();
        WNDCLASSW wc{};
        wc.lpfnWndProc = HostProc;
        wc.lpszClassName = TEXT("EditHost");
        wc.hInstance = test_platform::Instance();
        ASSERT_NE(RegisterClassW(&wc), 0);
        host = CreateWindowExW(0, TEXT("EditHost"), TEXT(""), WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, test_platform::Instance(), nullptr);
        ASSERT_NE(host, nullptr);
    }
    void TearDown() override {
        DestroyWindow(host);  // the controls free their state as they go
        test_platform::Reset();
        UnregisterClassW(TEXT("EditHost"), test_platform::Instance());
    }

    // An edit of cols x rows character cells.
    HWND Make(DWORD style, const WString &text = TEXT(""), int cols = 40, int rows = 10) {
        HWND edit = CreateWindowExW(0, TEXT("edit"), text.c_str(), style, 0, 0, cols * kColumnWidth, rows * kRowHeight,
                                    host, (HMENU)(UINT_PTR)kEditId, test_platform::Instance(), nullptr);
        EXPECT_NE(edit, nullptr);
        notifications_.clear();
        return edit;
    }

    // The codes received since the last call, all from the edit.
    Codes Received() {
        Codes codes;
        for (auto [id, code] : notifications_) {
            EXPECT_EQ(id, kEditId);
            codes.push_back(code);
        }
        notifications_.clear();
        return codes;
    }

    static WString Text(HWND edit) {
        int n = GetWindowTextLengthW(edit);
        WString text(size_t(n) + 1, TEXT('\0'));
        text.resize(size_t(GetWindowTextW(edit, text.data(), n + 1)));
        return text;
    }
    static std::pair<DWORD, DWORD> Sel(HWND edit) {
        DWORD start = 0xDEAD, end = 0xBEEF;
        SendMessageW(edit, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
        return {start, end};
    }
    static void Select(HWND edit, int start, int end) { SendMessageW(edit, EM_SETSEL, (WPARAM)start, (LPARAM)end); }
    static void Caret(HWND edit, int pos) { Select(edit, pos, pos); }
    static void Key(HWND edit, int vk) { SendMessageW(edit, WM_KEYDOWN, (WPARAM)vk, 1); }
    static void Char(HWND edit, WCHAR ch) { SendMessageW(edit, WM_CHAR, (WPARAM)ch, 1); }
    static void Type(HWND edit, const WString &text) {
        for (WCHAR ch : text)
            Char(edit, ch);
    }
    static void Replace(HWND edit, const WString &text, bool canUndo) {
        SendMessageW(edit, EM_REPLACESEL, canUndo, (LPARAM)text.c_str());
    }
    static LRESULT Send(HWND edit, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageW(edit, message, wParam, lParam);
    }
    // Shift or Ctrl held, as the key state says, for the keys sent next.
    static void Hold(int vk, bool down) { test_platform::HoldKey(vk, down); }

    HWND host = nullptr;

private:
    // WM_COMMAND notifications the host window received: (control id, code).
    static inline std::vector<std::pair<WORD, WORD>> notifications_;

    static LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_COMMAND && lParam) notifications_.push_back({LOWORD(wParam), HIWORD(wParam)});
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
};
