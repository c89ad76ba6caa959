// The program's version, as its version resource gives it.
#include "app/app.h"

WString ProgramVersion(HINSTANCE instance) {
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    const void *block = found ? LockResource(LoadResource(instance, found)) : nullptr;
    LPVOID value = nullptr;
    UINT length = 0;
    if (!block || !VerQueryValueW(block, TEXT("\\"), &value, &length) || length < sizeof(VS_FIXEDFILEINFO))
        return WString();
    const auto *fixed = static_cast<const VS_FIXEDFILEINFO *>(value);
    WCHAR text[48];
    wsprintfW(text, TEXT("%d.%d.%d.%d"), HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
              HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    return text;
}
