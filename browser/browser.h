// The file browser: a second top-level window, BrowserWindow, holding FolderTree and a soft-key bar of
// its own, for File, Open (pick an existing file to read) and File, Save As (pick a folder or file, then
// edit the proposed path in a name field and save). Every way out shows MainWindow, gives EditorControl
// the focus and destroys BrowserWindow.
#pragma once

#include "platform/win32.h"

// What the browser is for; kept after it closes until the next one opens.
enum BrowserModes { kBrowseToOpen = 1, kBrowseToSaveAs = 2 };

// The current browser window; a new one each time the browser opens, a destroyed handle after it closes.
extern HWND BrowserWindow;
// kBrowseToOpen or kBrowseToSaveAs (0 before the first browser).
extern int BrowserMode;
// The browser's soft-key bar: "Open"/"Cancel", or "Select" (later "Save")/"Cancel".
extern HWND BrowserSoftKeyBar;
// The tree item that was selected when Select was last pressed.
extern HTREEITEM SavedTreeSelection;
// The Save As strip's name field and its label, made by the first Select.
extern HWND SaveNameField;
extern HWND SaveAsLabel;

// File, Open (asking first about unsaved changes) and File, Save As. window received the command.
LRESULT OpenBrowser(HWND window, int mode);
// Open: reads the selected file after checking its attributes.
LRESULT OpenSelectedFile();
// Select: shows the Save As strip with the selected item's path.
LRESULT SelectSaveTarget();
// Save: saves under the path typed in the name field after checking what is there.
LRESULT SaveUnderTypedName();
// Cancel, and the end of Open and Save.
LRESULT CloseBrowser();

// WM_ACTIVATE (active) and WM_SETFOCUS of BrowserWindow: the focus goes to FolderTree.
LRESULT FocusFolderTree();
// The Back key in the browser: it deletes in the name field, and does nothing in the tree.
LRESULT OnBrowserBackKey(UINT message, WPARAM wParam, LPARAM lParam);

void ResetBrowserState();
