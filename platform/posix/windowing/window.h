// Windows and their classes as the rest of the platform sees them: the window record behind a handle,
// the top-level windows, and the helpers controls use to tell their parent.
#pragma once

#include "platform/posix/base/utf16.h"
#include "platform/posix/base/win32_api.h"

#include <vector>

namespace posix {

struct WindowClass {
    U16String name;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int wndExtra = 0;
    HINSTANCE instance = nullptr;
    HBRUSH background = nullptr;
    bool system = false;  // a built-in control class, registered by the platform
};

struct Window {
    HWND handle = nullptr;
    const WindowClass *windowClass = nullptr;
    WNDPROC proc = nullptr;  // current procedure (subclassing replaces it)
    DWORD style = 0;
    DWORD exStyle = 0;
    U16String text;                  // window text, for classes that keep it in the default place
    RECT rect{};                     // pixels, in the parent's client coordinates (screen for top level)
    Window *parent = nullptr;        // null for top-level windows
    Window *owner = nullptr;         // owner of a top-level window, if any
    std::vector<Window *> children;  // in creation (z) order
    UINT_PTR id = 0;                 // control id of a child
    HINSTANCE instance = nullptr;
    HFONT font = nullptr;         // WM_SETFONT of controls that do not keep their own
    LONG_PTR userData = 0;        // GWLP_USERDATA
    std::vector<LONG_PTR> extra;  // cbWndExtra bytes, in LONG_PTR slots (DWLP_MSGRESULT, DWLP_USER)
    void *state = nullptr;        // a control's own state record
    bool destroying = false;      // WM_DESTROY sent, the handle is going away
    bool dialog = false;          // created from a dialog template
    HWND softKeyBar = nullptr;    // the soft-key bar made for this window, if any
    bool fullScreen = false;      // a dialog sized by SHInitDialog to fill the screen between title and soft keys
};

Window *FromHandle(HWND hwnd);            // null for a handle that names no window of this process
std::vector<Window *> TopLevelWindows();  // in creation order
HWND ActiveTopLevel();                    // the top-level window shown on screen, or null
Window *TopLevelOf(Window *window);       // the window itself when it has no parent

// Registers one of the platform's own control classes.
void RegisterSystemClass(const char16_t *name, WNDPROC proc, UINT style = 0, int wndExtra = 0);
// Registers the built-in control classes; called before the first lookup of any class. The controls
// layer above implements it.
void RegisterControlClasses();

// The area between the title row and the soft-key row, in screen pixels: where full-screen windows go.
RECT FullScreenArea();

// Client rectangle of a window in screen pixels (the client area is the window rectangle less its border).
RECT ClientRectOnScreen(Window *window);
bool HasBorder(const Window *window);

// Sends WM_COMMAND with (id, code) to the control's parent, as the edit and list box controls notify.
void NotifyParentCommand(HWND control, WORD code);
LRESULT NotifyParent(HWND control, NMHDR *header);  // WM_NOTIFY with idFrom and hwndFrom filled in

// The screen changed size: top-level windows, and the children that filled them, follow it.
void ResizeTopLevelWindows();
// Destroys every top-level window with the messages a program sees; ResetWindows then forgets every
// window and class without sending any.
void DestroyAllWindows();
void ResetWindows();

}  // namespace posix
