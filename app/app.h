// The application shell: start-up, the single-instance rule, the one window procedure and its command
// table, the soft-key bar of MainWindow and the menu behind its right soft key.
#pragma once

#include "platform/win32.h"

// The instance handle the platform started the program with; kept for the whole run.
extern HINSTANCE InstanceHandle;
// The program's main top-level window; null before start-up creates it and after it is destroyed.
extern HWND MainWindow;
// The soft-key bar of MainWindow ("Mark" and "Menu"); it lives as long as MainWindow.
extern HWND MainSoftKeyBar;
// The popup menu of the right soft key "Menu", read from the bar's button data.
extern HMENU MainMenu;

// The program's window class and the name of its single-instance mutex.
#define SCRIVEL_CLASS_NAME TEXT("Scrivel")

// Hands the foreground to a running instance, if there is one (alreadyRunning is then set).
HRESULT EnsureSingleInstance(LPCWSTR className, LPCWSTR windowTitle, bool *alreadyRunning);

// The window procedure of every top-level window of the program.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void EnableSaveItem(bool enable);
void EnableSaveAsItem(bool enable);
void EnableUndoItem(bool enable);
void ShowAbout();

// Puts every process-wide variable of the program back to its start value, so that a test of the whole
// program can start it again in the same process.
void ResetProgramState();
void ResetApplicationState();
