#include "settings/settings.h"

#include "editing/editor.h"

HKEY SettingsKey = nullptr;

namespace {

constexpr DWORD kStringBufferBytes = MAX_PATH * sizeof(WCHAR);

}  // namespace

void OpenSettingsKey() {
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, TEXT("Software\\Scrivel"), 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &SettingsKey, &disposition) != ERROR_SUCCESS)
        SettingsKey = nullptr;
}

bool LoadFontSetting() {
    // A stored size shorter than 4 bytes fills only the low-order bytes.
    LONG size = 0;
    DWORD count = sizeof(size);
    if (RegQueryValueExW(SettingsKey, TEXT("FontSize"), nullptr, nullptr, (LPBYTE)&size, &count) != ERROR_SUCCESS)
        return false;
    WCHAR face[MAX_PATH];
    if (!ReadSettingString(TEXT("Font"), face)) return false;
    FontFaceName = face;
    FontSize = size;
    return true;
}

void SaveFontSetting(LPCWSTR faceName, LONG size) {
    WriteSettingString(TEXT("Font"), faceName);
    RegSetValueExW(SettingsKey, TEXT("FontSize"), 0, REG_DWORD, (const BYTE *)&size, sizeof(size));
}

bool ReadSettingString(LPCWSTR valueName, WCHAR *buffer) {
    DWORD count = kStringBufferBytes;
    if (RegQueryValueExW(SettingsKey, valueName, nullptr, nullptr, (LPBYTE)buffer, &count) != ERROR_SUCCESS)
        return false;
    // Values are stored without the high byte of their terminator: 2 x length + 1 bytes.
    buffer[count == 0 ? 0 : (count - 1) / 2] = 0;
    return true;
}

void WriteSettingString(LPCWSTR valueName, LPCWSTR text) {
    DWORD length = (DWORD)wcslen(text);
    RegSetValueExW(SettingsKey, valueName, 0, REG_SZ, (const BYTE *)text, 2 * length + 1);
}

void ResetSettingsState() {
    SettingsKey = nullptr;
}
