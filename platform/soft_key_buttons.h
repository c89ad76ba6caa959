// The buttons of a Smartphone soft-key bar, shared by both builds' bars: read from the bar data resource,
// answered through TB_GETBUTTONINFOW / TB_SETBUTTONINFOW, and the keys the bar's owner took over.
#pragma once

#include "platform/win32.h"

#include <map>
#include <vector>

struct SoftKeyButton {
    int command = 0;
    BYTE state = TBSTATE_ENABLED;
    BYTE style = 0;
    WString label;
    DWORD_PTR data = 0;  // the popup menu of a drop-down button

    bool Shown() const { return !(state & TBSTATE_HIDDEN); }
    bool Pressable() const { return (state & TBSTATE_ENABLED) && Shown(); }
    bool OpensMenu() const { return data && (style & TBSTYLE_DROPDOWN); }
};

class SoftKeyButtons {
public:
    SoftKeyButtons() = default;
    ~SoftKeyButtons();
    SoftKeyButtons(const SoftKeyButtons &) = delete;
    SoftKeyButtons &operator=(const SoftKeyButtons &) = delete;

    // Reads the bar data resource: menu number, button count, then seven 16-bit fields a button.
    // The bar owns the menu it loads and destroys it with itself.
    bool Load(HINSTANCE instance, UINT id);

    // The button at an index, or nullptr.
    const SoftKeyButton *At(size_t index) const { return index < buttons_.size() ? &buttons_[index] : nullptr; }
    HMENU Menu() const { return menu_; }

    LRESULT GetInfo(WPARAM which, TBBUTTONINFOW *info) const;  // TB_GETBUTTONINFOW
    BOOL SetInfo(WPARAM which, const TBBUTTONINFOW *info);     // TB_SETBUTTONINFOW
    BOOL OverrideKey(WPARAM vk, LPARAM lParam);                // SHCMBM_OVERRIDEKEY
    HMENU SubMenu(LPARAM command) const;                       // SHCMBM_GETSUBMENU
    // The SHMBOF_* flags the owner set for a key.
    DWORD KeyFlags(int vk) const;

private:
    int Find(WPARAM which, DWORD mask) const;

    HMENU menu_ = nullptr;
    std::vector<SoftKeyButton> buttons_;
    std::map<int, DWORD> overrides_;
};
