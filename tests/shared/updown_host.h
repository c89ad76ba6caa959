// A host window for up-down tests that records what its up-down tells it, and can refuse a step:
// written against Win32, for the tests on both sides.
#pragma once

#include "tests/support/test_platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// What the host heard, in order: "delta <pos> <delta>", "command <id> <code>", "hscroll <pos>"...
inline std::vector<std::string> g_heard;
inline LRESULT g_deltaAnswer = 0;  // what the host answers UDN_DELTAPOS: non-zero refuses the step

inline LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NOTIFY: {
            auto *nm = reinterpret_cast<NMUPDOWN *>(lParam);
            if (nm->hdr.code != UDN_DELTAPOS) return 0;
            g_heard.push_back("delta " + std::to_string(nm->iPos) + " " + std::to_string(nm->iDelta));
            return g_deltaAnswer;
        }
        case WM_COMMAND:
            g_heard.push_back("command " + std::to_string(LOWORD(wParam)) + " " + std::to_string(HIWORD(wParam)));
            return 0;
        case WM_HSCROLL:
        case WM_VSCROLL:
            EXPECT_EQ(LOWORD(wParam), SB_THUMBPOSITION);
            g_heard.push_back(std::string(message == WM_HSCROLL ? "hscroll " : "vscroll ") +
                              std::to_string(short(HIWORD(wParam))));
            return 0;
        default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}
