// Popup menus as the phone shows them: boxes rising from the right soft key, items numbered 1 to 9,
// greyed items dim and skipped, check marks shown, submenus opening over their parent.
#include "platform/posix/internal.h"

#include <algorithm>

namespace posix {

void DrawFrame(CellGrid &grid, int left, int top, int right, int bottom) {
    grid.Fill(left, top, right, bottom, U' ', kAttrNone);
    for (int c = left + 1; c < right - 1; ++c) {
        grid.Put(c, top, u"\u2500", kAttrNone);
        grid.Put(c, bottom - 1, u"\u2500", kAttrNone);
    }
    for (int r = top + 1; r < bottom - 1; ++r) {
        grid.Put(left, r, u"\u2502", kAttrNone);
        grid.Put(right - 1, r, u"\u2502", kAttrNone);
    }
    grid.Put(left, top, u"\u250C", kAttrNone);
    grid.Put(right - 1, top, u"\u2510", kAttrNone);
    grid.Put(left, bottom - 1, u"\u2514", kAttrNone);
    grid.Put(right - 1, bottom - 1, u"\u2518", kAttrNone);
}

namespace {

struct Level {
    HMENU menu;
    int selected;  // index into the menu's items, or -1
};

U16String WithoutPrefix(const U16String &text) {
    U16String out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

bool Choosable(const MenuItem &item) {
    return item.type != MFT_SEPARATOR && !(item.state & MFS_GRAYED);
}

class PopupMenuOverlay : public Overlay {
public:
    PopupMenuOverlay(HMENU menu, HWND owner) : owner_(owner) { Open(menu, 0); }

    bool Done() const { return done_; }
    UINT Chosen() const { return chosen_; }

    void HandleKey(const InputEvent &event) override {
        if (!event.down || levels_.empty()) return;
        switch (event.vk) {
            case VK_UP: Move(-1); return;
            case VK_DOWN: Move(+1); return;
            case VK_RIGHT:
            case VK_RETURN:
            case VK_TSOFT1: Choose(levels_.back().selected); return;
            case VK_LEFT:
            case VK_TBACK: CloseLevel(); return;
            case VK_TSOFT2: Finish(0); return;
        }
        if (event.ch >= u'1' && event.ch <= u'9') ChooseNumber(event.ch - u'0');
    }

    void Draw(CellGrid &grid) override {
        int bottom = grid.Rows() - 1;  // the boxes stand on the soft-key row
        int right = grid.Cols();
        for (size_t i = 0; i < levels_.size(); ++i) {
            DrawLevel(grid, levels_[i], right, bottom, i + 1 == levels_.size());
            right = std::max(right - 4, 12);
            bottom = std::max(bottom - 1, 2);
        }
    }

    U16String LeftLabel() const override { return u"Select"; }
    U16String RightLabel() const override { return u"Cancel"; }

private:
    Menu *Items(const Level &level) const { return MenuFromHandle(level.menu); }

    void Open(HMENU menu, int indexInParent) {
        SendMessageW(owner_, WM_INITMENUPOPUP, (WPARAM)menu, MAKELPARAM(indexInParent, 0));
        Level level{menu, -1};
        levels_.push_back(level);
        Move(+1);
    }

    void Move(int step) {
        Level &level = levels_.back();
        Menu *m = Items(level);
        if (!m || m->items.empty()) return;
        int n = (int)m->items.size();
        int i = level.selected;
        for (int tries = 0; tries < n; ++tries) {
            i = ((i + step) % n + n) % n;  // wraps around
            if (Choosable(m->items[i])) {
                level.selected = i;
                return;
            }
        }
    }

    void Choose(int index) {
        Menu *m = Items(levels_.back());
        if (!m || index < 0 || index >= (int)m->items.size() || !Choosable(m->items[index])) return;
        const MenuItem &item = m->items[index];
        levels_.back().selected = index;
        if (item.subMenu)
            Open(item.subMenu, index);
        else
            Finish(item.id);
    }

    // Numbers count the items that are not separators, greyed ones included.
    void ChooseNumber(int number) {
        Menu *m = Items(levels_.back());
        if (!m) return;
        int count = 0;
        for (size_t i = 0; i < m->items.size(); ++i) {
            if (m->items[i].type == MFT_SEPARATOR) continue;
            if (++count == number) {
                Choose((int)i);
                return;
            }
        }
    }

    void CloseLevel() {
        levels_.pop_back();
        if (levels_.empty()) Finish(0);
    }

    void Finish(UINT command) {
        chosen_ = command;
        done_ = true;
    }

    void DrawLevel(CellGrid &grid, const Level &level, int right, int bottom, bool current) const {
        Menu *m = Items(level);
        if (!m) return;
        std::vector<U16String> lines;
        int number = 0;
        int width = 4;
        for (const MenuItem &item : m->items) {
            U16String line;
            if (item.type != MFT_SEPARATOR) {
                ++number;
                line = number <= 9 ? U16String(1, char16_t(u'0' + number)) + u" " : u"  ";
                line += (item.state & MFS_CHECKED) ? u"\u2713" : u" ";
                line += WithoutPrefix(item.text);
                if (item.subMenu) line += u" \u25B8";
            }
            width = std::max<int>(width, (int)line.size() + 2);
            lines.push_back(line);
        }
        int height = (int)lines.size() + 2;
        int left = std::max(0, right - width - 2);
        int top = std::max(1, bottom - height);
        DrawFrame(grid, left, top, std::min(right, grid.Cols()), top + height);
        for (size_t i = 0; i < m->items.size(); ++i) {
            int row = top + 1 + (int)i;
            if (row >= top + height - 1) break;
            const MenuItem &item = m->items[i];
            if (item.type == MFT_SEPARATOR) {
                grid.Fill(left + 1, row, right - 1, row + 1, U'\u2500', kAttrNone);
                continue;
            }
            unsigned char attr = (item.state & MFS_GRAYED) ? kAttrDim : kAttrNone;
            if ((int)i == level.selected && current)
                attr = kAttrReverse;
            else if ((int)i == level.selected)
                attr |= kAttrBold;
            grid.Fill(left + 1, row, right - 1, row + 1, U' ', attr);
            grid.Put(left + 2, row, lines[i], attr, left + 1, right - 1);
        }
    }

    HWND owner_;
    std::vector<Level> levels_;
    bool done_ = false;
    UINT chosen_ = 0;
};

}  // namespace

}  // namespace posix

using namespace posix;

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int, int, HWND owner, LPVOID) {
    if (!MenuFromHandle(menu) || !IsWindow(owner)) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    PopupMenuOverlay overlay(menu, owner);
    PushOverlay(&overlay);
    RunModalLoop([&] { return overlay.Done(); });
    PopOverlay(&overlay);
    UINT chosen = overlay.Chosen();
    if (flags & TPM_RETURNCMD) return (BOOL)chosen;
    if (chosen && IsWindow(owner)) PostMessageW(owner, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    return TRUE;
}
