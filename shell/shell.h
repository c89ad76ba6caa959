// What every part of the program shares with the application shell: its handles and its menu helpers.
// It sits at the bottom of the program, so that document/, editing/ and settings/ never reach up into
// app/, which defines them.
#pragma once

#include "platform/win32.h"

// The window class of MainWindow and BrowserWindow, and the name of the single-instance mutex.
#define SCRIVEL_CLASS_NAME TEXT("Scrivel")

// The instance handle the platform started the program with; kept for the whole run.
extern HINSTANCE InstanceHandle;
// The program's main top-level window; null before start-up creates it and after it is destroyed.
extern HWND MainWindow;
// The soft-key bar of MainWindow ("Mark" and "Menu"); it lives as long as MainWindow.
extern HWND MainSoftKeyBar;
// The popup menu of the right soft key "Menu", read from the bar's button data.
extern HMENU MainMenu;

// Grey or enable the items of MainMenu that depend on the document's state.
void EnableSaveItem(bool enable);
void EnableSaveAsItem(bool enable);
void EnableUndoItem(bool enable);
