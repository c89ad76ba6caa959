// The per-user settings key "Software\Scrivel": the editor font and the recent files, and the one rule
// by which text values are stored (2 x length + 1 bytes) and read back.
#pragma once

#include "platform/win32.h"

// The open settings key, or null when it could be neither opened nor created (every read then fails).
extern HKEY SettingsKey;

void OpenSettingsKey();
// Fills FontSize and FontFaceName from the stored font; true when both values were read.
bool LoadFontSetting();
void SaveFontSetting(LPCWSTR faceName, LONG size);
// buffer holds MAX_PATH characters; true when the value was read.
bool ReadSettingString(LPCWSTR valueName, WCHAR *buffer);
void WriteSettingString(LPCWSTR valueName, LPCWSTR text);

void ResetSettingsState();
