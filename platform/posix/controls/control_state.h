// The record of state a control keeps on each of its windows: made as WM_NCCREATE arrives, deleted at
// WM_NCDESTROY, and found again only by the control's own procedure.
#pragma once

#include "platform/posix/windowing/window.h"

#include <new>
#include <utility>

namespace posix {

// The record of a window of the control whose class procedure is proc; null for any other window.
template <class State>
State *ControlState(HWND hwnd, WNDPROC proc) {
    Window *w = FromHandle(hwnd);
    if (!w || !w->windowClass || w->windowClass->proc != proc) return nullptr;
    return static_cast<State *>(w->state);
}

// Gives the window a new record; false when there is no memory for it, and the control then answers
// WM_NCCREATE with FALSE, so that the window is not created.
template <class State, class... Args>
bool AttachControlState(HWND hwnd, Args &&...args) {
    Window *w = FromHandle(hwnd);
    if (!w) return false;
    try {
        w->state = new State(std::forward<Args>(args)...);
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

// Deletes the window's record and forgets it.
template <class State>
void DeleteControlState(HWND hwnd, WNDPROC proc) {
    delete ControlState<State>(hwnd, proc);
    if (Window *w = FromHandle(hwnd)) w->state = nullptr;
}

}  // namespace posix
