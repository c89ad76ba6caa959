// What a platform test needs that only one build can give, behind one interface: the same test source
// runs over our own platform on Linux and over the real Win32 (under Wine) on Windows.
//
// Tests written against this header and platform/win32.h state how Win32 behaves; a difference between
// the two sides is ruled in tests/shared/RULINGS.md and marked at the test with one of the macros below.
#pragma once

#include "platform/win32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace test_platform {

// The instance handle a test registers its window classes with.
HINSTANCE Instance();

// A clean start for a test: no windows, no queued messages, no menus or classes left by another test.
// On Windows each test cleans up after itself; this destroys whatever top-level window it left.
void Reset();

// Runs every message already queued for this thread, as a message loop would, then returns.
void RunPendingMessages();

// A person's press and release of a key, sent to the focus window as the keyboard sends it, and the
// messages it causes run: WM_KEYDOWN, then WM_CHAR from TranslateMessage for a key that types, WM_KEYUP.
// typed is the character the key types: our platform's keyboard reports it with the key, Win32 works it
// out from the keyboard layout and the key state.
void PressKey(int vk, WCHAR typed = 0);

// The same, while a dialog is up: the key's messages run as the dialog's modal loop runs them, each offered
// to IsDialogMessageW(dialog) first.
void PressKeyInDialog(HWND dialog, int vk, WCHAR typed = 0);

// The key goes down or up as real input does: GetAsyncKeyState follows at once; its messages are queued
// for the focus and run by the next message loop (after which GetKeyState follows too).
void InputKey(int vk, bool down);

// A key such as Shift or Ctrl held down (or let go) in the thread's key state, as GetKeyState reads it,
// for the messages a test sends next; no key message is left queued.
void HoldKey(int vk, bool down);

// True when the tests run over the real Win32 (Windows or Wine), false over our own platform.
constexpr bool kOnWin32 =
#ifdef _WIN32
    true;
#else
    false;
#endif

// True under Wine, whose faults are marked apart from Windows' own behaviour.
bool OnWine();

// A module whose resources are those of a compiled resource file (.res) image, for FindResourceW,
// LoadResource, LoadStringW and LoadMenuW. It stays valid until the next call or Reset().
HMODULE ModuleWithResources(const std::vector<BYTE> &resFile);

// A folder of the test's own for the file tests, made empty, as a Win32 path without a trailing
// backslash to which a test appends its names ("\\a.txt"). Over our platform it is the device root,
// mapped onto a fresh Linux folder, so the path is empty; on Windows a fresh folder in the temporary one.
WString MakeScratchFolder();
// Removes the scratch folder and everything in it, and puts back what MakeScratchFolder changed.
void RemoveScratchFolder();

// A file's bytes, written (replacing the file) or read without the file calls under test, for setting a
// test up and checking what it left.
void WriteFileBytes(const WString &path, const std::string &bytes);
std::string ReadFileBytes(const WString &path);

// The key under HKEY_CURRENT_USER that the registry tests may create, fill and delete.
const WCHAR *ScratchRegistryKey();
// Makes the scratch key absent: over our platform a fresh registry in a file of the test's own, on
// Windows the key and everything under it deleted.
void UseScratchRegistry();
// Deletes the scratch key and puts back what UseScratchRegistry changed.
void RemoveScratchRegistry();
// Reads the registry again as a new process would: over our platform what was written must come back
// from its file; on Windows the registry is the system's and nothing changes.
void ReadRegistryAfresh();

}  // namespace test_platform

// Marks a test (or the rest of one) for one side only; the reason shows in the test's output.
// A fault of Wine's own, where Windows behaves as the test says.
#define SKIP_UNDER_WINE(reason)                                                                         \
    do {                                                                                                \
        if (test_platform::OnWine()) GTEST_SKIP() << "marked: Wine differs from Windows here: " reason; \
    } while (0)
// Where a desktop Windows differs from the phone's, which our platform follows.
#define SKIP_ON_DESKTOP_WINDOWS(reason)                                                                     \
    do {                                                                                                    \
        if (test_platform::kOnWin32) GTEST_SKIP() << "marked: the desktop differs from the phone: " reason; \
    } while (0)
// A deliberate departure of our platform from Win32, listed among the platform's known differences.
#define SKIP_ON_OUR_PLATFORM(reason)                                                                           \
    do {                                                                                                       \
        if (!test_platform::kOnWin32) GTEST_SKIP() << "marked: our platform departs from Win32 here: " reason; \
    } while (0)
