// FolderTree: the tree control that fills BrowserWindow with the device's folders and files, listed
// lazily (the root when the browser opens, each folder the first time it is expanded), folders told from
// files by the bold state of their items.
#pragma once

#include "platform/win32.h"

#include <memory>
#include <vector>

// The tree inside the current BrowserWindow; it lives and dies with it.
extern HWND FolderTree;
// The strings the tree's items show and point to: each listing's folder path (the items' lParam) and a
// copy of every name inserted. Empty whenever no browser is open.
extern std::vector<std::unique_ptr<WCHAR[]>> BrowserStrings;

// Makes FolderTree in browser, as large as mainWindow's client area, and lists the device root.
void CreateFolderTree(HWND browser, HWND mainWindow);
// Lists the folder of the item (as TVN_ITEMEXPANDING describes it) under it, or the device root when
// item is null.
void PopulateFolder(const TVITEMW *item);
void ReleaseBrowserStrings();
// Deletes the font made for FolderTree; BrowserWindow's destruction calls it with ReleaseBrowserStrings.
void ReleaseFolderTreeFont();
// WM_NOTIFY from FolderTree: expanding lists a folder once; Enter on a file confirms the browser's mode.
void OnFolderTreeNotify(const NMHDR *header);

// The full path of an item (its folder path and its text, a slash after a folder when asked), in a
// buffer of MAX_PATH characters. False, and the user told, when it would not fit.
bool ItemFullPath(HTREEITEM item, bool folderSlash, WCHAR *path);
// Tells the user that a path is too long for the browser's buffers.
void ShowPathTooLong();

void ResetFolderTreeState();
