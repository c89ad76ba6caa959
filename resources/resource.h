// Identifiers of Scrivel's resources, commands and controls. Each number is defined once: the window
// procedures, the dialog procedures and scrivel.rc all name them from here.
#pragma once

// ---------------------------------------------------------------------------------------------------
// Resources
// ---------------------------------------------------------------------------------------------------

// Each of these numbers names a menu and the soft-key bar data built from it.
#define IDR_MAIN_MENU 105    // MainWindow: "Mark" and the "Menu" popup
#define IDR_SAVEAS_MENU 106  // Save As browser: "Select" and "Cancel"
#define IDR_OPEN_MENU 107    // Open browser: "Open" and "Cancel"
#define IDR_FIND_MENU 112    // Find dialog: "Find" and "Cancel"
#define IDR_FONT_MENU 114    // font chooser: "Done" and "Cancel"

#define IDI_SCRIVEL 110  // program icon, 32 x 32 and 16 x 16

#define IDD_FIND 111  // the Find dialog
#define IDD_FONT 113  // the font chooser

// ---------------------------------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------------------------------

// Main menu, File
#define IDM_FILE_OPEN 40017
#define IDM_FILE_NEW 40026
#define IDM_FILE_SAVEAS 40008
#define IDM_FILE_SAVE 40007
#define IDM_FILE_RECENT 40055  // greyed "Recent files", replaced by the recent-files popup once it exists

// Main menu, Edit
#define IDM_EDIT_UNDO 40047
#define IDM_EDIT_CUT 40037
#define IDM_EDIT_COPY 40036
#define IDM_EDIT_PASTE 40038

// Main menu, top level of "Menu"
#define IDM_FIND 40041
#define IDM_FIND_NEXT 40056
#define IDM_QUIT 40011

// Main menu, Misc.
#define IDM_MISC_WORDWRAP 40040  // checked while word wrap is on
#define IDM_MISC_FONT 40048
#define IDM_MISC_ABOUT 40027

// Main soft-key bar
#define IDM_MARK 40025      // left soft key; taken over, so it arrives as a hot key, never as this command
#define IDM_MENU_KEY 40004  // right soft key; its button data is the "Menu" popup

// Quit without a menu item
#define IDM_EXIT 40001

// Open browser soft keys
#define IDM_OPEN_SELECTED 40024
#define IDM_OPEN_CANCEL 40023

// Save As browser soft keys. The Cancel key carries the number of the bar it sits on.
#define IDM_SAVEAS_SELECT 40030
#define IDM_SAVEAS_SAVE 183  // what the Select key becomes once the name field is shown
#define IDM_SAVEAS_CANCEL IDR_SAVEAS_MENU

// Dialog soft keys
#define IDM_FIND_CONFIRM 40042
#define IDM_FONT_DONE 40049
#define IDM_DIALOG_CANCEL 40045  // Cancel in both dialogs

// Recent files: the menu hands out the first four; the window procedure accepts the whole range.
#define IDM_RECENT_FIRST 7000
#define IDM_RECENT_LAST 7009

// ---------------------------------------------------------------------------------------------------
// Controls
// ---------------------------------------------------------------------------------------------------

#define IDC_STATIC -1

#define IDC_EDITOR 120       // the edit control of MainWindow
#define IDC_FOLDER_TREE 121  // the browser's folder tree; the Save As name field carries the same id
#define IDC_SAVEAS_LABEL 122
#define IDC_SAVEAS_SPIN 123

#define IDC_FIND_TEXT 1000  // Find dialog: the text to search for

#define IDC_FONT_SAMPLE 1001     // font chooser: sample text in the chosen font
#define IDC_FONT_NAMES 1002      // font chooser: list of font names
#define IDC_FONT_NAME_SPIN 1004  // and its spinner
#define IDC_FONT_SIZES 1005      // font chooser: list of sizes
#define IDC_FONT_SIZE_SPIN 1006  // and its spinner

// ---------------------------------------------------------------------------------------------------
// Strings
// ---------------------------------------------------------------------------------------------------

#define IDS_MARK 40039
#define IDS_MENU 40006
#define IDS_SELECT 40029
#define IDS_OPEN 40020
#define IDS_FIND 40044
#define IDS_DONE 40051
#define IDS_CANCEL 40015
// Three "Save" labels that no bar uses at present; the Save As browser writes its own "Save" label.
#define IDS_SAVE 40003
#define IDS_SAVE_KEY 40013
#define IDS_SAVEAS_KEY 40016
