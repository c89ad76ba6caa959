// The "SysTreeView32" control: items under items, inserted first, last, after a sibling or sorted
// (TVI_SORT, by lstrcmpW), expanded and collapsed with the notifications Win32 sends (TVN_ITEMEXPANDING
// before, TVN_ITEMEXPANDED after, only until the item has once been expanded when a message asks and
// every time a key does), selected with TVN_SELCHANGING and TVN_SELCHANGED, and driven by the keys. Each
// row shows the item's lines and button, its text bold for TVIS_BOLD, the selection in reverse video
// while the control has the focus, and the view scrolls to keep the selection in sight.
//
// A parent may do anything inside a notification, destroying the control included, as Win32 allows: the
// state record outlives the window until the last call that uses it returns, and items taken away while a
// call runs are freed only then, so that no pointer the call holds ever dangles.
#include "platform/posix/controls/control_state.h"
#include "platform/posix/controls/treeview.h"
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/windowing/front_end.h"
#include "platform/posix/windowing/window.h"

#include <algorithm>
#include <memory>
#include <new>
#include <set>
#include <unordered_map>
#include <vector>

namespace posix {
namespace {

// ---------------------------------------------------------------------------------------------------
// State
// ---------------------------------------------------------------------------------------------------

struct TreeItem;

// Orders items by text as TVI_SORT does; a text can be looked up without making an item for it.
struct TextOrder {
    using is_transparent = void;
    bool operator()(const TreeItem *a, const TreeItem *b) const;
    bool operator()(const TreeItem *a, const U16String &b) const;
};
using SortedChildren = std::multiset<TreeItem *, TextOrder>;

struct TreeItem {
    TreeItem *parent = nullptr;  // the hidden root for top-level items; null for the root itself
    TreeItem *firstChild = nullptr;
    TreeItem *lastChild = nullptr;
    TreeItem *next = nullptr;  // siblings, in display order
    TreeItem *prev = nullptr;
    U16String text;
    LPARAM lParam = 0;
    UINT state = 0;            // TVIS_* bits; TVIS_SELECTED follows the caret
    int children = 0;          // cChildren as last set with TVIF_CHILDREN
    bool childrenSet = false;  // whether TVIF_CHILDREN was ever given: the button then follows it alone
    int depth = 0;             // 0 for top-level items
    int row = -1;              // index in the visible rows, when they are current and it is among them
    // The children in text order, for a sorted insertion in logarithmic time. Kept only while every
    // child came in through TVI_SORT and kept its text, so that it matches the display order.
    std::unique_ptr<SortedChildren> sorted;
    bool sortedValid = true;
    SortedChildren::iterator sortedPos;  // this item's place in its parent's index, when it is in one
    bool inSorted = false;
};

bool TextOrder::operator()(const TreeItem *a, const TreeItem *b) const {
    return lstrcmpW(a->text.c_str(), b->text.c_str()) < 0;
}
bool TextOrder::operator()(const TreeItem *a, const U16String &b) const {
    return lstrcmpW(a->text.c_str(), b.c_str()) < 0;
}

struct TreeState {
    explicit TreeState(HWND window) : hwnd(window) {}

    HWND hwnd;                                                        // the control
    TreeItem root;                                                    // hidden; its children are the top-level items
    std::unordered_map<TreeItem *, std::unique_ptr<TreeItem>> items;  // every live item, by handle
    std::vector<std::unique_ptr<TreeItem>> removed;  // taken away during the current call, freed after it
    TreeItem *caret = nullptr;                       // the selected item, or null
    TreeItem *top = nullptr;       // the first item on screen (TVGN_FIRSTVISIBLE), or null for the first row
    std::vector<TreeItem *> rows;  // the visible items in display order, rebuilt when stale
    bool rowsStale = true;
    bool focused = false;    // between WM_SETFOCUS and WM_KILLFOCUS
    int calls = 0;           // calls of the window procedure running on this record
    bool destroyed = false;  // WM_DESTROY came: the items are gone and nothing more is done
    bool detached = false;   // WM_NCDESTROY came: the window no longer holds this record
};

LRESULT CALLBACK TreeViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

TreeState *StateOf(HWND hwnd) {
    return ControlState<TreeState>(hwnd, TreeViewProc);
}

DWORD StyleOf(const TreeState &s) {
    Window *w = FromHandle(s.hwnd);
    return w ? w->style : 0;
}

// Counts a call running on the record; the last one to return frees what was taken away meanwhile, and
// the record itself when its window has gone.
class CallGuard {
public:
    explicit CallGuard(TreeState *s) : s_(s) { ++s_->calls; }
    ~CallGuard() {
        if (--s_->calls > 0) return;
        if (s_->detached)
            delete s_;
        else
            s_->removed.clear();
    }
    CallGuard(const CallGuard &) = delete;
    CallGuard &operator=(const CallGuard &) = delete;

private:
    TreeState *s_;
};

TreeItem *Live(TreeState &s, HTREEITEM handle) {
    auto *item = reinterpret_cast<TreeItem *>(handle);
    return s.items.count(item) ? item : nullptr;
}

HTREEITEM Handle(TreeItem *item) {
    return reinterpret_cast<HTREEITEM>(item);
}

bool IsRoot(const TreeState &s, const TreeItem *item) {
    return item == &s.root;
}

// The button shows, and a key may expand, when cChildren says so or, where it was never given, when the
// item has children.
bool HasChildren(const TreeItem *item) {
    return item->childrenSet ? item->children != 0 : item->firstChild != nullptr;
}

bool IsExpanded(const TreeItem *item) {
    return (item->state & TVIS_EXPANDED) != 0;
}

void Changed(TreeState &s) {
    s.rowsStale = true;
    InvalidateScreen();
}

// ---------------------------------------------------------------------------------------------------
// Notifications
// ---------------------------------------------------------------------------------------------------

LRESULT Notify(TreeState &s, UINT code, NMHDR *header) {
    header->code = code;
    return NotifyParent(s.hwnd, header);
}

TVITEMW Describe(TreeItem *item) {
    TVITEMW tv{};
    if (!item) return tv;
    tv.mask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM | TVIF_TEXT | TVIF_CHILDREN;
    tv.hItem = Handle(item);
    tv.state = item->state;
    tv.stateMask = 0xFFFF;
    tv.pszText = item->text.data();
    tv.cchTextMax = int(item->text.size() + 1);
    tv.cChildren = HasChildren(item) ? 1 : 0;
    tv.lParam = item->lParam;
    return tv;
}

LRESULT NotifyTree(TreeState &s, UINT code, UINT action, TreeItem *oldItem, TreeItem *newItem) {
    NMTREEVIEWW nm{};
    nm.action = action;
    nm.itemOld = Describe(oldItem);
    nm.itemNew = Describe(newItem);
    return Notify(s, code, &nm.hdr);
}

void NotifySimple(TreeState &s, UINT code) {
    NMHDR header{};
    Notify(s, code, &header);
}

// ---------------------------------------------------------------------------------------------------
// The visible rows
// ---------------------------------------------------------------------------------------------------

void AddRows(TreeState &s, TreeItem *parent) {
    for (TreeItem *item = parent->firstChild; item; item = item->next) {
        item->row = int(s.rows.size());
        s.rows.push_back(item);
        if (IsExpanded(item)) AddRows(s, item);
    }
}

const std::vector<TreeItem *> &Rows(TreeState &s) {
    if (s.rowsStale) {
        s.rows.clear();
        AddRows(s, &s.root);
        s.rowsStale = false;
    }
    return s.rows;
}

// The item's row, or -1 when a collapsed ancestor hides it.
int RowOf(TreeState &s, TreeItem *item) {
    const std::vector<TreeItem *> &rows = Rows(s);
    if (!item || item->row < 0 || item->row >= int(rows.size()) || rows[item->row] != item) return -1;
    return item->row;
}

int PageRows(const TreeState &s) {
    RECT r{};
    GetClientRect(s.hwnd, &r);
    return std::max(1, int(r.bottom / kCellHeight));
}

// The row shown first: the top item's, or that of its nearest ancestor still shown.
int TopRow(TreeState &s) {
    for (TreeItem *item = s.top; item && !IsRoot(s, item); item = item->parent) {
        int row = RowOf(s, item);
        if (row >= 0) return row;
    }
    return 0;
}

void ScrollToRow(TreeState &s, int row) {
    const std::vector<TreeItem *> &rows = Rows(s);
    if (rows.empty()) {
        s.top = nullptr;
        return;
    }
    row = std::clamp(row, 0, int(rows.size()) - 1);
    s.top = rows[row];
    InvalidateScreen();
}

// ---------------------------------------------------------------------------------------------------
// Expanding and collapsing
// ---------------------------------------------------------------------------------------------------

// byUser: a key asked, and the parent is told every time; a message asked, and it is told only until
// the item has once been expanded. Answers whether the item is expanded now.
bool Expand(TreeState &s, TreeItem *item, bool byUser) {
    if (!HasChildren(item)) return false;
    bool tell = byUser || !(item->state & TVIS_EXPANDEDONCE);
    if (tell && NotifyTree(s, TVN_ITEMEXPANDINGW, TVE_EXPAND, nullptr, item) != 0) return false;
    if (s.destroyed || !Live(s, Handle(item)) || !item->firstChild) return false;
    item->state |= TVIS_EXPANDED;
    Changed(s);
    if (tell) {
        item->state |= TVIS_EXPANDEDONCE;
        NotifyTree(s, TVN_ITEMEXPANDEDW, TVE_EXPAND, nullptr, item);
    }
    return true;
}

bool Select(TreeState &s, TreeItem *item, UINT action);
void DeleteItem(TreeState &s, TreeItem *item);

bool Contains(const TreeItem *ancestor, const TreeItem *item) {
    for (; item; item = item->parent)
        if (item == ancestor) return true;
    return false;
}

// A selection inside the collapsed item moves to the item itself. reset takes the children away and
// lets the next expansion tell the parent again.
bool Collapse(TreeState &s, TreeItem *item, bool byUser, bool reset) {
    if (!HasChildren(item) && !item->firstChild) return false;
    bool tell = byUser || !(item->state & TVIS_EXPANDEDONCE);
    if (tell && NotifyTree(s, TVN_ITEMEXPANDINGW, TVE_COLLAPSE, nullptr, item) != 0) return false;
    if (s.destroyed || !Live(s, Handle(item)) || !item->firstChild) return false;
    bool wasExpanded = IsExpanded(item);
    item->state &= ~TVIS_EXPANDED;
    Changed(s);
    if (wasExpanded && tell) NotifyTree(s, TVN_ITEMEXPANDEDW, TVE_COLLAPSE, nullptr, item);
    if (s.destroyed || !Live(s, Handle(item))) return false;
    if (s.caret != item && s.caret && Contains(item, s.caret)) Select(s, item, TVC_UNKNOWN);
    if (reset && !s.destroyed && Live(s, Handle(item))) {
        while (item->firstChild && !s.destroyed)
            DeleteItem(s, item->firstChild);
        item->state &= ~TVIS_EXPANDEDONCE;
    }
    return true;
}

// TVM_ENSUREVISIBLE: the collapsed ancestors are expanded and the view scrolled as little as will do.
void EnsureVisible(TreeState &s, TreeItem *item) {
    std::vector<TreeItem *> ancestors;
    for (TreeItem *p = item->parent; p && !IsRoot(s, p); p = p->parent)
        ancestors.push_back(p);
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
        if (!IsExpanded(*it)) Expand(s, *it, false);
        if (s.destroyed || !Live(s, Handle(item))) return;
    }
    int row = RowOf(s, item);
    if (row < 0) return;
    int top = TopRow(s), page = PageRows(s);
    if (row < top)
        ScrollToRow(s, row);
    else if (row >= top + page)
        ScrollToRow(s, row - page + 1);
}

// ---------------------------------------------------------------------------------------------------
// Selection
// ---------------------------------------------------------------------------------------------------

// The parent may refuse the change (TVN_SELCHANGING answering non-zero). Null removes the selection.
bool Select(TreeState &s, TreeItem *item, UINT action) {
    if (item == s.caret) {
        if (item) EnsureVisible(s, item);
        return true;
    }
    TreeItem *old = s.caret;
    if (NotifyTree(s, TVN_SELCHANGINGW, action, old, item) != 0) return false;
    if (s.destroyed || (item && !Live(s, Handle(item)))) return false;
    if (s.caret) s.caret->state &= ~TVIS_SELECTED;
    s.caret = item;
    if (item) {
        item->state |= TVIS_SELECTED;
        EnsureVisible(s, item);
        if (s.destroyed) return false;
    }
    InvalidateScreen();
    old = Live(s, Handle(old));
    if (s.caret == item) NotifyTree(s, TVN_SELCHANGEDW, action, old, item);
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Inserting and deleting
// ---------------------------------------------------------------------------------------------------

void LinkAfter(TreeItem *parent, TreeItem *after, TreeItem *item) {
    item->parent = parent;
    item->prev = after;
    item->next = after ? after->next : parent->firstChild;
    if (item->next)
        item->next->prev = item;
    else
        parent->lastChild = item;
    if (after)
        after->next = item;
    else
        parent->firstChild = item;
}

void Unlink(TreeItem *item) {
    TreeItem *parent = item->parent;
    if (item->prev)
        item->prev->next = item->next;
    else
        parent->firstChild = item->next;
    if (item->next)
        item->next->prev = item->prev;
    else
        parent->lastChild = item->prev;
    if (item->inSorted) parent->sorted->erase(item->sortedPos);
    item->inSorted = false;
    if (!parent->firstChild) {
        parent->sorted.reset();
        parent->sortedValid = true;
    }
    item->next = item->prev = nullptr;
}

// The children's order no longer follows their texts: sorted insertions go back to walking the siblings.
void DropSortedIndex(TreeItem *parent) {
    if (!parent->sortedValid) return;
    parent->sortedValid = false;
    for (TreeItem *c = parent->firstChild; c; c = c->next)
        c->inSorted = false;
    parent->sorted.reset();
}

// TVI_SORT places the item before the first sibling whose text sorts after it, or right after the first
// one with an equal text. While every sibling came in sorted, the index finds that place in log n steps.
void LinkSorted(TreeItem *parent, TreeItem *item) {
    if (!parent->sortedValid) {
        TreeItem *after = nullptr;
        for (TreeItem *c = parent->firstChild; c; c = c->next) {
            int order = lstrcmpW(item->text.c_str(), c->text.c_str());
            if (order < 0) break;
            after = c;
            if (order == 0) break;
        }
        LinkAfter(parent, after, item);
        return;
    }
    if (!parent->sorted) parent->sorted = std::make_unique<SortedChildren>();
    SortedChildren &index = *parent->sorted;
    auto at = index.lower_bound(item->text);
    SortedChildren::iterator hint;
    if (at != index.end() && lstrcmpW((*at)->text.c_str(), item->text.c_str()) == 0) {
        LinkAfter(parent, *at, item);
        hint = std::next(at);
    } else {
        LinkAfter(parent, at == index.end() ? parent->lastChild : (*at)->prev, item);
        hint = at;
    }
    item->sortedPos = index.insert(hint, item);
    item->inSorted = true;
}

UINT SettableState(UINT state, UINT mask) {
    return state & mask & ~UINT(TVIS_SELECTED);
}

void SetText(TreeItem *item, const WCHAR *text) {
    // LPSTR_TEXTCALLBACK (-1) asks the parent for the text; this control keeps none then.
    bool callback = text == reinterpret_cast<const WCHAR *>(LONG_PTR(-1));
    U16String value = (text && !callback) ? U16String(text) : U16String();
    if (value == item->text) return;
    if (item->parent) DropSortedIndex(item->parent);
    item->text = std::move(value);
}

LRESULT OnInsertItem(TreeState &s, const TVINSERTSTRUCTW *insert) {
    if (!insert || s.destroyed) return 0;
    TreeItem *parent = (!insert->hParent || insert->hParent == TVI_ROOT) ? &s.root : Live(s, insert->hParent);
    if (!parent) return 0;
    HTREEITEM after = insert->hInsertAfter;
    TreeItem *sibling = nullptr;
    if (after != TVI_FIRST && after != TVI_LAST && after != TVI_SORT && after != TVI_ROOT) {
        sibling = Live(s, after);
        if (!sibling) return 0;
        // An item of another parent is no place to insert after: Win32 puts the new item last.
        if (sibling->parent != parent) sibling = nullptr;
    }
    std::unique_ptr<TreeItem> owned;
    try {
        owned = std::make_unique<TreeItem>();
        const TVITEMW &tv = insert->item;
        if (tv.mask & TVIF_TEXT) owned->text = (tv.pszText && tv.pszText != (LPWSTR)(LONG_PTR)-1) ? tv.pszText : u"";
        if (tv.mask & TVIF_PARAM) owned->lParam = tv.lParam;
        if (tv.mask & TVIF_STATE) owned->state = SettableState(tv.state, tv.stateMask);
        if (tv.mask & TVIF_CHILDREN) {
            owned->children = tv.cChildren;
            owned->childrenSet = true;
        }
        owned->depth = IsRoot(s, parent) ? 0 : parent->depth + 1;
        TreeItem *item = owned.get();
        s.items.emplace(item, std::move(owned));
        if (after == TVI_SORT) {
            LinkSorted(parent, item);
        } else {
            DropSortedIndex(parent);
            LinkAfter(parent, after == TVI_FIRST ? nullptr : (sibling ? sibling : parent->lastChild), item);
        }
        Changed(s);
        return (LRESULT)Handle(item);
    } catch (const std::bad_alloc &) {
        return 0;
    }
}

// As in Win32, the parent hears of the children before the item itself, and a handler can no longer
// reach an item it hears of.
void DeleteItem(TreeState &s, TreeItem *item) {
    if (s.caret && Contains(item, s.caret)) s.caret = nullptr;
    if (s.top && Contains(item, s.top)) s.top = nullptr;
    // A handler that takes a child away itself unlinks it, so the loop never meets it again.
    while (TreeItem *child = item->firstChild)
        DeleteItem(s, child);
    auto found = s.items.find(item);
    if (found == s.items.end()) return;
    Unlink(item);
    s.removed.push_back(std::move(found->second));
    s.items.erase(found);
    Changed(s);
    NotifyTree(s, TVN_DELETEITEMW, 0, item, nullptr);
}

void DeleteAll(TreeState &s) {
    while (TreeItem *item = s.root.firstChild)
        DeleteItem(s, item);
}

// The item selected once item goes with the selection inside it: its next sibling, else its parent,
// else its previous sibling.
TreeItem *SuccessorOfSelection(const TreeState &s, TreeItem *item) {
    if (!s.caret || !Contains(item, s.caret)) return nullptr;
    if (item->next) return item->next;
    if (!IsRoot(s, item->parent)) return item->parent;
    return item->prev;
}

LRESULT OnDeleteItem(TreeState &s, HTREEITEM handle) {
    if (!handle || handle == TVI_ROOT) {
        DeleteAll(s);
        return TRUE;
    }
    TreeItem *item = Live(s, handle);
    if (!item) return FALSE;
    TreeItem *successor = SuccessorOfSelection(s, item);
    DeleteItem(s, item);
    // Unless a handler of the deletion already chose one, the selection moves on as Win32's does.
    if (successor && !s.caret && !s.destroyed && Live(s, Handle(successor))) Select(s, successor, TVC_UNKNOWN);
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------
// Reading and changing items
// ---------------------------------------------------------------------------------------------------

LRESULT OnGetItem(TreeState &s, TVITEMW *tv) {
    TreeItem *item = tv ? Live(s, tv->hItem) : nullptr;
    if (!item) return FALSE;
    if ((tv->mask & TVIF_TEXT) && tv->pszText && tv->cchTextMax > 0) {
        size_t n = std::min<size_t>(item->text.size(), size_t(tv->cchTextMax) - 1);
        std::copy_n(item->text.begin(), n, tv->pszText);
        tv->pszText[n] = 0;
    }
    if (tv->mask & TVIF_PARAM) tv->lParam = item->lParam;
    if (tv->mask & TVIF_STATE) tv->state = item->state & tv->stateMask;
    if (tv->mask & TVIF_CHILDREN) tv->cChildren = item->childrenSet ? item->children : (item->firstChild ? 1 : 0);
    return TRUE;
}

LRESULT OnSetItem(TreeState &s, const TVITEMW *tv) {
    TreeItem *item = tv ? Live(s, tv->hItem) : nullptr;
    if (!item) return FALSE;
    if (tv->mask & TVIF_TEXT) SetText(item, tv->pszText);
    if (tv->mask & TVIF_PARAM) item->lParam = tv->lParam;
    if (tv->mask & TVIF_STATE)
        item->state = (item->state & ~(tv->stateMask & ~UINT(TVIS_SELECTED))) | SettableState(tv->state, tv->stateMask);
    if (tv->mask & TVIF_CHILDREN) {
        item->children = tv->cChildren;
        item->childrenSet = true;
    }
    Changed(s);
    return TRUE;
}

LRESULT OnGetNextItem(TreeState &s, WPARAM code, HTREEITEM handle) {
    TreeItem *item = Live(s, handle);
    auto answer = [](TreeItem *found) { return (LRESULT)Handle(found); };
    switch (code) {
        case TVGN_ROOT: return answer(s.root.firstChild);
        case TVGN_CARET: return answer(s.caret);
        case TVGN_DROPHILITE: return 0;
        case TVGN_FIRSTVISIBLE: {
            const std::vector<TreeItem *> &rows = Rows(s);
            return rows.empty() ? 0 : answer(rows[TopRow(s)]);
        }
        case TVGN_LASTVISIBLE: {
            const std::vector<TreeItem *> &rows = Rows(s);
            return rows.empty() ? 0 : answer(rows.back());
        }
        case TVGN_CHILD: return answer(handle ? (item ? item->firstChild : nullptr) : s.root.firstChild);
    }
    if (!item) return 0;
    switch (code) {
        case TVGN_NEXT: return answer(item->next);
        case TVGN_PREVIOUS: return answer(item->prev);
        case TVGN_PARENT: return IsRoot(s, item->parent) ? 0 : answer(item->parent);
        case TVGN_NEXTVISIBLE:
        case TVGN_PREVIOUSVISIBLE: {
            int row = RowOf(s, item);
            if (row < 0) return 0;
            row += code == TVGN_NEXTVISIBLE ? 1 : -1;
            return row >= 0 && row < int(s.rows.size()) ? answer(s.rows[row]) : 0;
        }
        default: return 0;
    }
}

LRESULT OnSelectItem(TreeState &s, WPARAM code, HTREEITEM handle) {
    TreeItem *item = Live(s, handle);
    if (handle && !item) return FALSE;
    switch (code) {
        case TVGN_CARET: return Select(s, item, TVC_UNKNOWN);
        case TVGN_FIRSTVISIBLE:
            if (!item) return FALSE;
            EnsureVisible(s, item);
            if (!s.destroyed && RowOf(s, item) >= 0) ScrollToRow(s, RowOf(s, item));
            return TRUE;
        case TVGN_DROPHILITE: return TRUE;
        default: return FALSE;
    }
}

LRESULT OnExpand(TreeState &s, WPARAM action, HTREEITEM handle) {
    TreeItem *item = Live(s, handle);
    if (!item) return FALSE;
    switch (action & 0xF) {
        case TVE_EXPAND: return Expand(s, item, false);
        case TVE_COLLAPSE: return Collapse(s, item, false, (action & TVE_COLLAPSERESET) != 0);
        case TVE_TOGGLE: return IsExpanded(item) ? Collapse(s, item, false, false) : Expand(s, item, false);
        default: return FALSE;
    }
}

LRESULT OnEnsureVisible(TreeState &s, HTREEITEM handle) {
    TreeItem *item = Live(s, handle);
    if (!item) return FALSE;
    EnsureVisible(s, item);
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------
// Keys and focus
// ---------------------------------------------------------------------------------------------------

// The row a moving key goes to from the selected row.
int TargetRow(TreeState &s, WPARAM vk, int row) {
    int last = int(Rows(s).size()) - 1, page = std::max(1, PageRows(s) - 1);
    switch (vk) {
        case VK_UP: return std::max(0, row - 1);
        case VK_DOWN: return std::min(last, row + 1);
        case VK_PRIOR: return std::max(0, row - page);
        case VK_NEXT: return std::min(last, row + page);
        case VK_HOME: return 0;
        case VK_END: return last;
        default: return row;
    }
}

// Win32 tells the parent of every key first, and nothing more happens while nothing is selected. The
// action key on an item with children then opens or closes it, as the phone has no other key for both.
LRESULT OnKeyDown(TreeState &s, WPARAM vk) {
    NMTVKEYDOWN nm{};
    nm.wVKey = WORD(vk);
    Notify(s, TVN_KEYDOWN, &nm.hdr);
    if (s.destroyed || !s.caret) return 0;
    TreeItem *item = s.caret;
    switch (vk) {
        case VK_RETURN:
            NotifySimple(s, NM_RETURN);
            if (s.destroyed || s.caret != item || !HasChildren(item)) return 0;
            if (IsExpanded(item))
                Collapse(s, item, true, false);
            else
                Expand(s, item, true);
            return 0;
        case VK_RIGHT:
            if (!HasChildren(item)) return 0;
            if (!IsExpanded(item)) {
                Expand(s, item, true);
            } else if (item->firstChild) {
                Select(s, item->firstChild, TVC_BYKEYBOARD);
            }
            return 0;
        case VK_LEFT:
            if (IsExpanded(item))
                Collapse(s, item, true, false);
            else if (!IsRoot(s, item->parent))
                Select(s, item->parent, TVC_BYKEYBOARD);
            return 0;
        case VK_BACK:
            if (!IsRoot(s, item->parent)) Select(s, item->parent, TVC_BYKEYBOARD);
            return 0;
        case VK_UP:
        case VK_DOWN:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_HOME:
        case VK_END: {
            int row = RowOf(s, item);
            if (row < 0) return 0;
            Select(s, Rows(s)[TargetRow(s, vk, row)], TVC_BYKEYBOARD);
            return 0;
        }
        default: return 0;
    }
}

// Gaining the focus with nothing selected selects the first item.
LRESULT OnSetFocus(TreeState &s) {
    s.focused = true;
    InvalidateScreen();
    if (!s.caret && s.root.firstChild) Select(s, s.root.firstChild, TVC_UNKNOWN);
    if (!s.destroyed) NotifySimple(s, NM_SETFOCUS);
    return 0;
}

LRESULT OnKillFocus(TreeState &s) {
    s.focused = false;
    InvalidateScreen();
    NotifySimple(s, NM_KILLFOCUS);
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------------------------------

// The columns before an item's text: a line for each ancestor that has more siblings below, then the
// item's own branch and button. Top-level items have these only with TVS_LINESATROOT.
U16String RowPrefix(const TreeState &s, const TreeItem *item, DWORD style) {
    bool lines = style & TVS_HASLINES, buttons = style & TVS_HASBUTTONS, atRoot = style & TVS_LINESATROOT;
    if (item->depth == 0 && !atRoot) return U16String();
    U16String prefix;
    for (const TreeItem *a = item->parent; a && !IsRoot(s, a); a = a->parent) {
        if (a->depth == 0 && !atRoot) break;
        prefix.insert(0, (lines && a->next) ? u"\u2502 " : u"  ");
    }
    prefix += lines ? (item->next ? u'\u251C' : u'\u2514') : u' ';
    if (buttons && HasChildren(item))
        prefix += IsExpanded(item) ? u'-' : u'+';
    else
        prefix += lines ? u'\u2500' : u' ';
    return prefix;
}

HFONT BoldFontLike(HFONT font) {
    LOGFONTW lf{};
    if (!GetObjectW(font ? (HGDIOBJ)font : GetStockObject(SYSTEM_FONT), sizeof(lf), &lf)) return nullptr;
    lf.lfWeight = FW_BOLD;
    return CreateFontIndirectW(&lf);
}

LRESULT OnPaint(TreeState &s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(s.hwnd, &ps);
    RECT client{};
    GetClientRect(s.hwnd, &client);
    FillRect(dc, &client, (HBRUSH)GetStockObject(WHITE_BRUSH));
    DWORD style = StyleOf(s);
    HFONT normal = (HFONT)SendMessageW(s.hwnd, WM_GETFONT, 0, 0);
    HFONT bold = nullptr;
    bool showSelection = s.focused || (style & TVS_SHOWSELALWAYS);
    const std::vector<TreeItem *> &rows = Rows(s);
    int top = TopRow(s), page = PageRows(s);
    for (int i = 0; i < page && top + i < int(rows.size()); ++i) {
        TreeItem *item = rows[top + i];
        int y = i * kCellHeight;
        SetBkMode(dc, TRANSPARENT);
        U16String prefix = RowPrefix(s, item, style);
        TextOutW(dc, 0, y, prefix.c_str(), int(prefix.size()));
        if ((item->state & TVIS_BOLD) && !bold) bold = BoldFontLike(normal);
        HGDIOBJ previous = SelectObject(dc, (item->state & TVIS_BOLD) && bold ? (HGDIOBJ)bold : (HGDIOBJ)normal);
        bool selected = showSelection && item == s.caret;
        SetBkMode(dc, selected ? OPAQUE : TRANSPARENT);
        SetBkColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHT) : RGB(255, 255, 255));
        TextOutW(dc, TextColumns(prefix) * kCellWidth, y, item->text.c_str(), int(item->text.size()));
        SelectObject(dc, previous);
    }
    EndPaint(s.hwnd, &ps);
    if (bold) DeleteObject(bold);
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// The window procedure
// ---------------------------------------------------------------------------------------------------

LRESULT OnNcCreate(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!AttachControlState<TreeState>(hwnd, hwnd)) return FALSE;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The parent hears of every item as it goes, as Win32 tells it.
LRESULT OnDestroy(TreeState &s) {
    s.destroyed = true;
    DeleteAll(s);
    return 0;
}

LRESULT OnNcDestroy(TreeState &s) {
    if (Window *w = FromHandle(s.hwnd)) w->state = nullptr;
    s.destroyed = true;
    s.detached = true;
    return 0;
}

LRESULT CALLBACK TreeViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) return OnNcCreate(hwnd, message, wParam, lParam);
    TreeState *state = StateOf(hwnd);
    if (!state) return DefWindowProcW(hwnd, message, wParam, lParam);
    CallGuard guard(state);
    TreeState &s = *state;
    auto item = reinterpret_cast<HTREEITEM>(lParam);
    switch (message) {
        case WM_DESTROY: return OnDestroy(s);
        case WM_NCDESTROY: return OnNcDestroy(s);
        case WM_PAINT: return OnPaint(s);
        case WM_SETFOCUS: return OnSetFocus(s);
        case WM_KILLFOCUS: return OnKillFocus(s);
        case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_KEYDOWN: return OnKeyDown(s, wParam);
        case WM_SIZE: InvalidateScreen(); return 0;
        case TVM_INSERTITEMW: return OnInsertItem(s, reinterpret_cast<const TVINSERTSTRUCTW *>(lParam));
        case TVM_DELETEITEM: return OnDeleteItem(s, item);
        case TVM_GETITEMW: return OnGetItem(s, reinterpret_cast<TVITEMW *>(lParam));
        case TVM_SETITEMW: return OnSetItem(s, reinterpret_cast<const TVITEMW *>(lParam));
        case TVM_GETNEXTITEM: return OnGetNextItem(s, wParam, item);
        case TVM_SELECTITEM: return OnSelectItem(s, wParam, item);
        case TVM_EXPAND: return OnExpand(s, wParam, item);
        case TVM_ENSUREVISIBLE: return OnEnsureVisible(s, item);
        case TVM_GETCOUNT: return LRESULT(s.items.size());
        case TVM_GETVISIBLECOUNT: return PageRows(s);
        case TVM_GETITEMHEIGHT: return kCellHeight;
        default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

void RegisterTreeViewClass() {
    RegisterSystemClass(WC_TREEVIEWW, TreeViewProc);
}

}  // namespace posix
