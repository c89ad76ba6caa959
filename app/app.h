// The application shell: start-up, the single-instance rule, the one window procedure and its command
// table, the soft-key bar of MainWindow and the menu behind its right soft key.
#pragma once

#include "platform/win32.h"
#include "shell/shell.h"

// Hands the foreground to a running instance, if there is one (alreadyRunning is then set).
HRESULT EnsureSingleInstance(LPCWSTR className, LPCWSTR windowTitle, bool *alreadyRunning);

// The window procedure of every top-level window of the program.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void ShowAbout();
// The program's version ("1.0.0.2"), read from its version resource; empty when there is none.
WString ProgramVersion(HINSTANCE instance);

// Puts every process-wide variable of the program back to its start value, so that a test of the whole
// program can start it again in the same process.
void ResetProgramState();
void ResetApplicationState();
