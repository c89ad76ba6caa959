#include "platform/soft_key_buttons.h"

#include <algorithm>

namespace {

WORD ReadWord(const BYTE *p) {
    return WORD(p[0] | (p[1] << 8));
}

constexpr DWORD kButtonFieldsSize = 14;

}  // namespace

SoftKeyButtons::~SoftKeyButtons() {
    if (menu_) DestroyMenu(menu_);
}

bool SoftKeyButtons::Load(HINSTANCE instance, UINT id) {
    HRSRC res = FindResourceW(instance, MAKEINTRESOURCEW(id), RT_RCDATA);
    if (!res) return false;
    auto *data = static_cast<const BYTE *>(LockResource(LoadResource(instance, res)));
    DWORD size = SizeofResource(instance, res);
    if (!data || size < 4) return false;
    WORD menuId = ReadWord(data);
    WORD count = ReadWord(data + 2);
    if (size < 4u + count * kButtonFieldsSize) return false;
    menu_ = LoadMenuW(instance, MAKEINTRESOURCEW(menuId));
    for (WORD i = 0; i < count; ++i) {
        const BYTE *f = data + 4 + i * kButtonFieldsSize;
        SoftKeyButton b;
        b.command = ReadWord(f + 2);
        b.state = BYTE(ReadWord(f + 4));
        b.style = BYTE(ReadWord(f + 6));
        const WCHAR *label = nullptr;
        int n = LoadStringW(instance, ReadWord(f + 8), reinterpret_cast<LPWSTR>(&label), 0);
        if (label && n > 0) b.label.assign(label, size_t(n));
        WORD popupIndex = ReadWord(f + 12);
        if (popupIndex != 0xFFFF && menu_) b.data = reinterpret_cast<DWORD_PTR>(GetSubMenu(menu_, popupIndex));
        buttons_.push_back(b);
    }
    return true;
}

int SoftKeyButtons::Find(WPARAM which, DWORD mask) const {
    if (mask & TBIF_BYINDEX) return which < buttons_.size() ? int(which) : -1;
    for (size_t i = 0; i < buttons_.size(); ++i)
        if (buttons_[i].command == int(which)) return int(i);
    return -1;
}

LRESULT SoftKeyButtons::GetInfo(WPARAM which, TBBUTTONINFOW *info) const {
    if (!info || info->cbSize != sizeof(TBBUTTONINFOW)) return -1;
    int index = Find(which, info->dwMask);
    if (index < 0) return -1;
    const SoftKeyButton &b = buttons_[size_t(index)];
    if (info->dwMask & TBIF_COMMAND) info->idCommand = b.command;
    if (info->dwMask & TBIF_STATE) info->fsState = b.state;
    if (info->dwMask & TBIF_STYLE) info->fsStyle = b.style;
    if (info->dwMask & TBIF_LPARAM) info->lParam = b.data;
    if (info->dwMask & TBIF_IMAGE) info->iImage = I_IMAGENONE;
    if ((info->dwMask & TBIF_TEXT) && info->pszText && info->cchText > 0) {
        size_t n = std::min<size_t>(b.label.size(), size_t(info->cchText - 1));
        std::copy_n(b.label.begin(), n, info->pszText);
        info->pszText[n] = 0;
    }
    return index;
}

BOOL SoftKeyButtons::SetInfo(WPARAM which, const TBBUTTONINFOW *info) {
    if (!info || info->cbSize != sizeof(TBBUTTONINFOW)) return FALSE;
    int index = Find(which, info->dwMask);
    if (index < 0) return FALSE;
    SoftKeyButton &b = buttons_[size_t(index)];
    if (info->dwMask & TBIF_COMMAND) b.command = info->idCommand;
    if (info->dwMask & TBIF_STATE) b.state = info->fsState;
    if (info->dwMask & TBIF_STYLE) b.style = info->fsStyle;
    if (info->dwMask & TBIF_LPARAM) b.data = info->lParam;
    if ((info->dwMask & TBIF_TEXT) && info->pszText) b.label = info->pszText;
    return TRUE;
}

BOOL SoftKeyButtons::OverrideKey(WPARAM vk, LPARAM lParam) {
    DWORD mask = LOWORD(lParam), value = HIWORD(lParam);
    DWORD &flags = overrides_[int(vk & 0xFF)];
    flags = (flags & ~mask) | (value & mask);
    return TRUE;
}

HMENU SoftKeyButtons::SubMenu(LPARAM command) const {
    for (const SoftKeyButton &b : buttons_)
        if (b.command == int(command)) return reinterpret_cast<HMENU>(b.data);
    return nullptr;
}

DWORD SoftKeyButtons::KeyFlags(int vk) const {
    auto it = overrides_.find(vk);
    return it == overrides_.end() ? 0 : it->second;
}
