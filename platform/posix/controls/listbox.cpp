// The "listbox" control with one selection, sorted (LBS_SORT, by Win32's word sort) or in the order
// items are added, behaving as Win32's does: the search rules of LB_SELECTSTRING and LB_FINDSTRING, the
// error values, and the notifications (LBN_SELCHANGE on every selection key, even one that changes
// nothing; LBN_SETFOCUS and LBN_KILLFOCUS always). Items are drawn one a row, the selection in reverse
// video. A list followed by a horizontal up-down that is its buddy is the phone's one-line spinner: it
// shows its selected item alone, as "< item >".
#include "platform/posix/controls/control_state.h"
#include "platform/posix/controls/listbox.h"
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/window.h"

#include <algorithm>
#include <memory>
#include <new>

namespace posix {
namespace {

// ---------------------------------------------------------------------------------------------------
// State
// ---------------------------------------------------------------------------------------------------

struct Item {
    U16String text;      // as added
    ULONG_PTR data = 0;  // LB_SETITEMDATA's value; 0 until set
};

struct ListState {
    explicit ListState(HWND window) : hwnd(window) {}

    HWND hwnd;  // the control
    // In display order, kept in word-sort order under LBS_SORT. Held by pointer, so that an insertion
    // shifts pointers only and a list of many thousands still fills quickly.
    std::vector<std::unique_ptr<Item>> items;
    int selected = LB_ERR;  // index of the selected item, or LB_ERR when none is
    int caret = 0;          // the item the first key selects when nothing is selected
    int top = 0;            // first item on screen
    bool focused = false;   // between WM_SETFOCUS and WM_KILLFOCUS
};

LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

ListState *StateOf(HWND hwnd) {
    return ControlState<ListState>(hwnd, ListBoxProc);
}

DWORD StyleOf(const ListState &s) {
    Window *w = FromHandle(s.hwnd);
    return w ? w->style : 0;
}

int Count(const ListState &s) {
    return int(s.items.size());
}

bool ValidIndex(const ListState &s, WPARAM index) {
    return int(index) >= 0 && int(index) < Count(s);
}

// The error every message that names a missing item answers with.
LRESULT InvalidIndex() {
    SetLastError(ERROR_INVALID_INDEX);
    return LB_ERR;
}

// ---------------------------------------------------------------------------------------------------
// Notifications
// ---------------------------------------------------------------------------------------------------

// LBN_SELCHANGE goes out only under LBS_NOTIFY; the focus notifications always do.
void Notify(const ListState &s, WORD code) {
    if (code == LBN_SELCHANGE && !(StyleOf(s) & LBS_NOTIFY)) return;
    NotifyParentCommand(s.hwnd, code);
}

// ---------------------------------------------------------------------------------------------------
// The view
// ---------------------------------------------------------------------------------------------------

int VisibleRows(const ListState &s) {
    RECT r{};
    GetClientRect(s.hwnd, &r);
    return std::max(1, int(r.bottom / kCellHeight));
}

void ScrollIntoView(ListState &s, int index) {
    if (index < 0) return;
    int rows = VisibleRows(s);
    if (index < s.top) s.top = index;
    if (index >= s.top + rows) s.top = index - rows + 1;
}

void Select(ListState &s, int index) {
    s.selected = index;
    if (index >= 0) s.caret = index;
    ScrollIntoView(s, index);
    InvalidateScreen();
}

// A horizontal up-down right after the list, with the list as its buddy, makes the two one spinner.
bool IsSpinner(const ListState &s) {
    HWND next = GetWindow(s.hwnd, GW_HWNDNEXT);
    WCHAR name[32] = {};
    if (!next || !GetClassNameW(next, name, 32) || lstrcmpiW(name, UPDOWN_CLASSW) != 0) return false;
    return (GetWindowLongW(next, GWL_STYLE) & UDS_HORZ) && (HWND)SendMessageW(next, UDM_GETBUDDY, 0, 0) == s.hwnd;
}

// ---------------------------------------------------------------------------------------------------
// Adding, removing and finding items
// ---------------------------------------------------------------------------------------------------

// Where a sorted list takes a new item: before the first item that does not sort before it, so that of
// names differing only in case the newer comes first. A binary search: a list of n items fills in
// n log n comparisons.
int SortedPosition(const ListState &s, const U16String &text) {
    auto at = std::lower_bound(s.items.begin(), s.items.end(), text,
                               [](const std::unique_ptr<Item> &item, const U16String &t) {
                                   return lstrcmpiW(item->text.c_str(), t.c_str()) < 0;
                               });
    return int(at - s.items.begin());
}

LRESULT InsertAt(ListState &s, int index, const WCHAR *text) {
    try {
        s.items.insert(s.items.begin() + index, std::make_unique<Item>(Item{text ? U16String(text) : U16String(), 0}));
    } catch (const std::bad_alloc &) {
        Notify(s, WORD(LBN_ERRSPACE));
        return LB_ERRSPACE;
    }
    if (s.selected >= index) ++s.selected;
    if (s.caret >= index && Count(s) > 1) ++s.caret;
    InvalidateScreen();
    return index;
}

LRESULT OnAddString(ListState &s, const WCHAR *text) {
    bool sorted = (StyleOf(s) & LBS_SORT) != 0;
    return InsertAt(s, sorted ? SortedPosition(s, text ? text : u"") : Count(s), text);
}

// LB_INSERTSTRING never sorts; -1 appends.
LRESULT OnInsertString(ListState &s, WPARAM index, const WCHAR *text) {
    if (int(index) == -1) return InsertAt(s, Count(s), text);
    if (int(index) < 0 || int(index) > Count(s)) return InvalidIndex();
    return InsertAt(s, int(index), text);
}

LRESULT OnDeleteString(ListState &s, WPARAM index) {
    if (!ValidIndex(s, index)) return InvalidIndex();
    int i = int(index);
    s.items.erase(s.items.begin() + i);
    if (s.selected == i)
        s.selected = LB_ERR;
    else if (s.selected > i)
        --s.selected;
    if (s.caret > i || s.caret >= Count(s)) s.caret = std::max(0, s.caret - 1);
    s.top = std::min(s.top, std::max(0, Count(s) - 1));
    InvalidateScreen();
    return Count(s);
}

LRESULT OnResetContent(ListState &s) {
    s.items.clear();
    s.selected = LB_ERR;
    s.caret = 0;
    s.top = 0;
    InvalidateScreen();
    return TRUE;
}

bool StartsWith(const U16String &text, const U16String &prefix) {
    if (text.size() < prefix.size()) return false;
    return lstrcmpiW(text.substr(0, prefix.size()).c_str(), prefix.c_str()) == 0;
}

// Win32's search: from the item after start (from the first when start is -1 or past the end), on to
// the last, then round from the first; letter case does not count. An empty text finds nothing.
int Find(const ListState &s, WPARAM start, const WCHAR *text, bool exact) {
    if (!text || !*text || s.items.empty()) return LB_ERR;
    U16String wanted(text);
    int n = Count(s);
    int first = ValidIndex(s, start) ? int(start) + 1 : 0;
    for (int k = 0; k < n; ++k) {
        const U16String &item = s.items[(first + k) % n]->text;
        if (exact ? lstrcmpiW(item.c_str(), text) == 0 : StartsWith(item, wanted)) return (first + k) % n;
    }
    return LB_ERR;
}

// A match becomes the selection, without LBN_SELCHANGE; no match leaves the selection as it was.
LRESULT OnSelectString(ListState &s, WPARAM start, const WCHAR *text) {
    int found = Find(s, start, text, false);
    if (found != LB_ERR) Select(s, found);
    return found;
}

LRESULT OnSetCurSel(ListState &s, WPARAM index) {
    if (int(index) == -1) {
        Select(s, LB_ERR);
        return LB_ERR;
    }
    if (!ValidIndex(s, index)) return LB_ERR;
    Select(s, int(index));
    return s.selected;
}

LRESULT OnGetText(const ListState &s, WPARAM index, WCHAR *buffer) {
    if (!ValidIndex(s, index)) return InvalidIndex();
    const U16String &text = s.items[index]->text;
    if (buffer) {
        std::copy(text.begin(), text.end(), buffer);
        buffer[text.size()] = 0;
    }
    return LRESULT(text.size());
}

LRESULT OnGetTextLen(const ListState &s, WPARAM index) {
    if (!ValidIndex(s, index)) return InvalidIndex();
    return LRESULT(s.items[index]->text.size());
}

LRESULT OnGetItemData(const ListState &s, WPARAM index) {
    if (!ValidIndex(s, index)) return InvalidIndex();
    return LRESULT(s.items[index]->data);
}

LRESULT OnSetItemData(ListState &s, WPARAM index, LPARAM data) {
    if (!ValidIndex(s, index)) return InvalidIndex();
    s.items[index]->data = ULONG_PTR(data);
    return TRUE;
}

LRESULT OnSetTopIndex(ListState &s, WPARAM index) {
    if (!ValidIndex(s, index)) return InvalidIndex();
    s.top = int(index);
    InvalidateScreen();
    return LB_OKAY;
}

// ---------------------------------------------------------------------------------------------------
// Keys
// ---------------------------------------------------------------------------------------------------

// The item a selection key moves to. With nothing selected the first key selects the caret item.
int KeyTarget(const ListState &s, WPARAM vk) {
    if (s.selected == LB_ERR) return std::min(s.caret, Count(s) - 1);
    int last = Count(s) - 1, page = std::max(1, VisibleRows(s) - 1);
    switch (vk) {
        case VK_UP:
        case VK_LEFT: return std::max(0, s.selected - 1);
        case VK_DOWN:
        case VK_RIGHT: return std::min(last, s.selected + 1);
        case VK_PRIOR: return std::max(0, s.selected - page);
        case VK_NEXT: return std::min(last, s.selected + page);
        case VK_HOME: return 0;
        case VK_END: return last;
        default: return s.selected;
    }
}

bool IsSelectionKey(WPARAM vk) {
    switch (vk) {
        case VK_UP:
        case VK_DOWN:
        case VK_LEFT:
        case VK_RIGHT:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_HOME:
        case VK_END: return true;
        default: return false;
    }
}

// Every selection key tells the parent, even one that leaves the selection where it was.
LRESULT OnKeyDown(ListState &s, WPARAM vk) {
    if (!IsSelectionKey(vk) || s.items.empty()) return 0;
    Select(s, KeyTarget(s, vk));
    Notify(s, LBN_SELCHANGE);
    return 0;
}

// A typed character selects the next item that begins with it.
LRESULT OnChar(ListState &s, WCHAR ch) {
    if (ch < 0x20) return 0;
    const WCHAR text[2] = {ch, 0};
    int found = Find(s, WPARAM(s.caret), text, false);  // from the item after the caret, selected or not
    if (found == LB_ERR) return 0;
    Select(s, found);
    Notify(s, LBN_SELCHANGE);
    return 0;
}

LRESULT OnSetFocus(ListState &s) {
    s.focused = true;
    InvalidateScreen();
    Notify(s, LBN_SETFOCUS);
    return 0;
}

LRESULT OnKillFocus(ListState &s) {
    s.focused = false;
    InvalidateScreen();
    Notify(s, LBN_KILLFOCUS);
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------------------------------

void DrawRow(HDC dc, int row, const U16String &text, bool reverse, int width) {
    RECT r{0, row * kCellHeight, width, (row + 1) * kCellHeight};
    SetBkColor(dc, reverse ? GetSysColor(COLOR_HIGHLIGHT) : RGB(255, 255, 255));
    SetBkMode(dc, OPAQUE);
    ExtTextOutW(dc, 0, r.top, ETO_OPAQUE, &r, text.c_str(), UINT(text.size()), nullptr);
}

// The text cut to the columns it may take, a character never cut in half.
U16String Fitted(const U16String &text, int columns) {
    size_t end = 0;
    for (size_t units; end < text.size(); end += units) {
        int width = CharColumns(CodePointAt(text, end, units));
        if (width > columns) break;
        columns -= width;
    }
    return text.substr(0, end);
}

// "< item >". Where the row is too narrow for that, the spaces go before any of the item does, so that
// a narrow spinner still shows a whole short item ("<15>" in four cells, where a cut "1" would read as
// another size); an item too long even then is cut short. Both arrows always show.
void PaintSpinner(HDC dc, const ListState &s, int width) {
    U16String item = s.selected >= 0 ? s.items[s.selected]->text : U16String();
    int columns = width / kCellWidth;
    bool spaced = Fitted(item, columns - 4).size() == item.size();
    U16String row = spaced ? u"< " : u"<";
    row += spaced ? item : Fitted(item, columns - 2);
    row += spaced ? u" >" : u">";
    DrawRow(dc, 0, row, s.focused, width);
}

void PaintList(HDC dc, const ListState &s, int width, int rows) {
    for (int row = 0; row < rows && s.top + row < Count(s); ++row) {
        int index = s.top + row;
        DrawRow(dc, row, s.items[index]->text, index == s.selected, width);
    }
}

LRESULT OnPaint(const ListState &s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(s.hwnd, &ps);
    RECT client{};
    GetClientRect(s.hwnd, &client);
    FillRect(dc, &client, (HBRUSH)GetStockObject(WHITE_BRUSH));
    if (IsSpinner(s))
        PaintSpinner(dc, s, client.right);
    else
        PaintList(dc, s, client.right, VisibleRows(s));
    EndPaint(s.hwnd, &ps);
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// The window procedure
// ---------------------------------------------------------------------------------------------------

LRESULT OnNcCreate(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!AttachControlState<ListState>(hwnd, hwnd)) return FALSE;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT OnNcDestroy(HWND hwnd) {
    DeleteControlState<ListState>(hwnd, ListBoxProc);
    return 0;
}

LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) return OnNcCreate(hwnd, message, wParam, lParam);
    ListState *state = StateOf(hwnd);
    if (!state) return DefWindowProcW(hwnd, message, wParam, lParam);
    ListState &s = *state;
    auto text = reinterpret_cast<const WCHAR *>(lParam);
    switch (message) {
        case WM_NCDESTROY: return OnNcDestroy(hwnd);
        case WM_PAINT: return OnPaint(s);
        case WM_SETFOCUS: return OnSetFocus(s);
        case WM_KILLFOCUS: return OnKillFocus(s);
        case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_KEYDOWN: return OnKeyDown(s, wParam);
        case WM_CHAR: return OnChar(s, WCHAR(wParam));
        case LB_ADDSTRING: return OnAddString(s, text);
        case LB_INSERTSTRING: return OnInsertString(s, wParam, text);
        case LB_DELETESTRING: return OnDeleteString(s, wParam);
        case LB_RESETCONTENT: return OnResetContent(s);
        case LB_SETCURSEL: return OnSetCurSel(s, wParam);
        case LB_GETCURSEL: return s.selected;
        case LB_GETTEXT: return OnGetText(s, wParam, reinterpret_cast<WCHAR *>(lParam));
        case LB_GETTEXTLEN: return OnGetTextLen(s, wParam);
        case LB_GETCOUNT: return Count(s);
        case LB_SELECTSTRING: return OnSelectString(s, wParam, text);
        case LB_FINDSTRING: return Find(s, wParam, text, false);
        case LB_FINDSTRINGEXACT: return Find(s, wParam, text, true);
        case LB_GETITEMDATA: return OnGetItemData(s, wParam);
        case LB_SETITEMDATA: return OnSetItemData(s, wParam, lParam);
        case LB_GETTOPINDEX: return s.top;
        case LB_SETTOPINDEX: return OnSetTopIndex(s, wParam);
        default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

void RegisterListBoxClass() {
    RegisterSystemClass(u"listbox", ListBoxProc);
}

}  // namespace posix
