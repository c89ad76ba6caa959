// Popup menus as the phone shows them: boxes rising from the right soft key, items numbered 1 to 9,
// greyed items dim and skipped, check marks shown, submenus opening over their parent.
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/windowing/menu.h"
#include "platform/posix/windowing/message_loop.h"
#include "platform/posix/windowing/overlay.h"

#include <algorithm>

namespace posix {

namespace {

struct Level {
    HMENU menu;
    int selected;   // index into the menu's items, or -1
    int first = 0;  // the first item in sight, when the box is too short for all of them
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
        if (!event.down) return;
        FollowMenuChanges();
        if (levels_.empty()) return;
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
        // The boxes stand on the soft-key row, between it and the title row; each submenu a row higher
        // while that leaves it room for its frame and an item.
        FollowMenuChanges();
        int bottom = grid.Rows() - 1;
        int right = grid.Cols();
        for (size_t i = 0; i < levels_.size(); ++i) {
            DrawLevel(grid, levels_[i], right, bottom, i + 1 == levels_.size());
            right = std::max(right - 4, 12);
            if (bottom >= 5) --bottom;
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

    // The program may change a menu while it is open (a submenu added, an item deleted): the boxes show
    // the menus as they are now. A level whose submenu is gone or no longer hangs from the item chosen
    // in the level below closes, and a highlight that lost its item moves to the next choosable one.
    void FollowMenuChanges() {
        for (size_t i = 0; i < levels_.size(); ++i) {
            if (!Items(levels_[i]) || (i > 0 && !HangsFrom(levels_[i - 1], levels_[i].menu))) {
                levels_.resize(i);
                break;
            }
            Level &level = levels_[i];
            const std::vector<MenuItem> &items = Items(level)->items;
            if (level.selected >= (int)items.size() || (level.selected >= 0 && !Choosable(items[level.selected])))
                level.selected = NearestChoosable(items, level.selected);
        }
        if (levels_.empty() && !done_) Finish(0);
    }

    // The first choosable item at or after index, else the last one before it, else none (-1).
    static int NearestChoosable(const std::vector<MenuItem> &items, int index) {
        int count = (int)items.size();
        for (int i = std::max(index, 0); i < count; ++i)
            if (Choosable(items[i])) return i;
        for (int i = std::min(index, count) - 1; i >= 0; --i)
            if (Choosable(items[i])) return i;
        return -1;
    }

    bool HangsFrom(const Level &parent, HMENU menu) const {
        Menu *m = Items(parent);
        return m && parent.selected >= 0 && parent.selected < (int)m->items.size() &&
               m->items[parent.selected].subMenu == menu;
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

    void DrawLevel(CellGrid &grid, Level &level, int right, int bottom, bool current) const {
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
            width = std::max<int>(width, TextColumns(line) + 2);
            lines.push_back(line);
        }
        // Rows 1 to bottom - 1 are the box's; too few for a frame, the items stand without one.
        right = std::min(right, grid.Cols());
        int rows = bottom - 1;
        if (right <= 0 || rows <= 0) return;
        int count = (int)lines.size();
        int frame = rows >= 3 ? 1 : 0;
        int shown = std::min(count, rows - 2 * frame);
        // The box scrolls to keep the highlighted item in sight.
        if (level.selected >= 0) {
            level.first = std::min(level.first, level.selected);
            level.first = std::max(level.first, level.selected - shown + 1);
        }
        level.first = std::clamp(level.first, 0, std::max(count - shown, 0));
        int height = shown + 2 * frame;
        int left = std::max(0, right - width - 2);
        int top = bottom - height;
        if (frame) {
            DrawFrame(grid, left, top, right, bottom);
            // Arrows on the frame tell of items above or below the ones in sight.
            if (right - 3 > left && level.first > 0) grid.Put(right - 3, top, u"\u25B2", kAttrNone);
            if (right - 3 > left && level.first + shown < count) grid.Put(right - 3, bottom - 1, u"\u25BC", kAttrNone);
        } else {
            grid.Fill(left, top, right, bottom, U' ', kAttrNone);
        }
        int inLeft = left + frame, inRight = right - frame;
        for (int k = 0; k < shown; ++k) {
            int i = level.first + k;
            int row = top + frame + k;
            const MenuItem &item = m->items[i];
            if (item.type == MFT_SEPARATOR) {
                grid.Fill(inLeft, row, inRight, row + 1, U'\u2500', kAttrNone);
                continue;
            }
            unsigned char attr = (item.state & MFS_GRAYED) ? kAttrDim : kAttrNone;
            if (i == level.selected && current)
                attr = kAttrReverse;
            else if (i == level.selected)
                attr |= kAttrBold;
            grid.Fill(inLeft, row, inRight, row + 1, U' ', attr);
            grid.Put(inLeft + 1, row, lines[i], attr, inLeft, inRight);
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
