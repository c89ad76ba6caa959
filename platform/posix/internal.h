// What the modules of the POSIX platform share with each other, and nothing the program may see.
#pragma once

#include "platform/posix/utf16.h"
#include "platform/posix/win32_api.h"

#include <functional>
#include <string>
#include <vector>

namespace posix {

using U16String = std::u16string;

// ---------------------------------------------------------------------------------------------------
// Configuration, set by a front end before the program's entry runs
// ---------------------------------------------------------------------------------------------------

struct Options {
    std::string root = "/";    // Linux folder that stands for the device root "\"
    std::string registryFile;  // the HKEY_CURRENT_USER hive; empty for the per-user default
    // Names the per-user folders kept for the program: its settings folder (holding the default hive) and
    // its runtime folder (named objects, finding another instance's windows).
    std::string programFolder = "win32";
};
Options &GetOptions();

// Turns a device path ("\a\b.txt") into a Linux path under the root; ".." never climbs above it. Names
// ignore case as on the device: a name that does not exist as written takes the spelling of the entry
// that differs from it only in case, if there is one.
std::string DevicePathToLinux(const U16String &devicePath);

// ---------------------------------------------------------------------------------------------------
// Windows
// ---------------------------------------------------------------------------------------------------

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
};

Window *FromHandle(HWND hwnd);            // null for a handle that names no window of this process
std::vector<Window *> TopLevelWindows();  // in creation order
HWND ActiveTopLevel();                    // the top-level window shown on screen, or null

// Registers one of the platform's own control classes.
void RegisterSystemClass(const char16_t *name, WNDPROC proc, UINT style = 0);
// The built-in control classes, each registered by its own control's file.
void RegisterEditClass();

// Client rectangle of a window in screen pixels (the client area is the window rectangle less its border).
RECT ClientRectOnScreen(Window *window);
bool HasBorder(const Window *window);

// Sends WM_COMMAND with (id, code) to the control's parent, as the edit and list box controls notify.
void NotifyParentCommand(HWND control, WORD code);
LRESULT NotifyParent(HWND control, NMHDR *header);  // WM_NOTIFY with idFrom and hwndFrom filled in

// ---------------------------------------------------------------------------------------------------
// Messages and modal loops
// ---------------------------------------------------------------------------------------------------

// Runs a modal loop on the shared queue until done() says so, or the quit message arrives (which is
// posted again for the outer loop). Returns false when it ended because of the quit message.
bool RunModalLoop(const std::function<bool()> &done);
int ModalDepth();

// The screen changed: the next idle moment redraws it.
void InvalidateScreen();

// ---------------------------------------------------------------------------------------------------
// Input from the front ends
// ---------------------------------------------------------------------------------------------------

struct InputEvent {
    enum Kind { Key, Resize, Wake } kind = Key;
    int vk = 0;        // virtual key
    bool down = true;  // press or release
    char16_t ch = 0;   // the character the key types, if any (WM_CHAR after TranslateMessage)
};

// A layer drawn over the windows that takes the keys while it is up: popup menus and message boxes.
class Overlay {
public:
    virtual ~Overlay() = default;
    virtual void HandleKey(const InputEvent &event) = 0;
    virtual void Draw(class CellGrid &grid) = 0;
    virtual U16String LeftLabel() const = 0;
    virtual U16String RightLabel() const = 0;
    virtual U16String Title() const { return U16String(); }
};
void PushOverlay(Overlay *overlay);
void PopOverlay(Overlay *overlay);
Overlay *TopOverlay();
std::vector<Overlay *> Overlays();  // bottom first

// Queues a key message; ch is the character TranslateMessage makes of it (0 for none).
void PostKeyMessage(HWND target, UINT message, int vk, LPARAM lParam, WCHAR ch);

// Turns a key event into the key state and the messages it causes (keyboard.cpp).
void DeliverKey(const InputEvent &event);
void ResetKeyState();

// ---------------------------------------------------------------------------------------------------
// Soft-key bars
// ---------------------------------------------------------------------------------------------------

// The bar belonging to a top-level window or one of its descendants, or null.
HWND SoftKeyBarFor(HWND topLevel);
U16String SoftKeyLabel(HWND bar, int index);     // index 0 left, 1 right
bool SoftKeyPress(HWND bar, int vk, bool down);  // false when the bar does not take this key

// ---------------------------------------------------------------------------------------------------
// Menus
// ---------------------------------------------------------------------------------------------------

struct MenuItem {
    UINT type = MFT_STRING;  // MFT_STRING or MFT_SEPARATOR
    UINT state = 0;          // MFS_GRAYED, MFS_CHECKED
    UINT id = 0;
    HMENU subMenu = nullptr;
    U16String text;
    ULONG_PTR data = 0;
};
struct Menu {
    std::vector<MenuItem> items;
};
Menu *MenuFromHandle(HMENU menu);

// ---------------------------------------------------------------------------------------------------
// Resources
// ---------------------------------------------------------------------------------------------------

// The compiled resource file the program was built with, as the build embeds it.
struct ResourceImage {
    const unsigned char *data = nullptr;
    size_t size = 0;
};
void SetResourceImage(ResourceImage image);

// The instance handle of the process: what GetModuleHandleW(nullptr) returns and what the program's entry
// receives. It names the module whose resources are the image above.
HINSTANCE ProcessInstance();

// One resource of the image, for tests that look at a whole resource file. A type or name is either an
// ordinal, or (when its ordinal is 0) a string, kept in upper case as Win32 compares names.
struct ResourceListing {
    WORD typeOrdinal = 0;
    U16String typeName;
    WORD nameOrdinal = 0;
    U16String name;
    WORD language = 0;
    DWORD size = 0;  // bytes of data
};
std::vector<ResourceListing> ListResources();  // in file order, without the file's empty first entry

// ---------------------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------------------

constexpr int kCellWidth = 8;  // pixels per character cell
constexpr int kCellHeight = 16;

enum CellAttr : unsigned char {
    kAttrNone = 0,
    kAttrReverse = 1,
    kAttrBold = 2,
    kAttrDim = 4,
    kAttrUnderline = 8,
};

struct Cell {
    char32_t ch = U' ';
    unsigned char attr = kAttrNone;
    bool wideTail = false;  // the right half of a double-width character on the left
};

class CellGrid {
public:
    CellGrid(int cols = 0, int rows = 0) { Resize(cols, rows); }
    void Resize(int cols, int rows);
    int Cols() const { return cols_; }
    int Rows() const { return rows_; }
    Cell &At(int col, int row) { return cells_[row * cols_ + col]; }
    const Cell &At(int col, int row) const { return cells_[row * cols_ + col]; }
    // Writes text from (col, row) clipped to [clipLeft, clipRight); returns the column after it.
    // Control characters are shown as a visible stand-in, never stored raw.
    int Put(int col, int row, const U16String &text, unsigned char attr, int clipLeft = 0, int clipRight = -1);
    void Fill(int left, int top, int right, int bottom, char32_t ch, unsigned char attr);
    std::string RowText(int row) const;  // UTF-8, trailing blanks kept
    std::string Text() const;            // every row, each ending in a newline
    bool cursorVisible = false;
    int cursorCol = 0;
    int cursorRow = 0;

private:
    int cols_ = 0;
    int rows_ = 0;
    std::vector<Cell> cells_;
};

// A box of line-drawing characters, blank inside.
void DrawFrame(CellGrid &grid, int left, int top, int right, int bottom);

// The character that starts at text[i], a surrogate pair taken whole; units is how many it took (1 or 2).
inline char32_t CodePointAt(const U16String &text, size_t i, size_t &units) {
    units = 1;
    if (!IsHighSurrogate(text[i]) || i + 1 >= text.size() || !IsLowSurrogate(text[i + 1])) return text[i];
    units = 2;
    return CombineSurrogates(text[i], text[i + 1]);
}

// Columns a character takes on a terminal (0, 1 or 2), and a text (a surrogate pair being one character).
int CharColumns(char32_t ch);
int TextColumns(const U16String &text);

// Renders the whole screen: title row, active window, soft keys, overlays.
void RenderScreen(CellGrid &grid);
bool WaitCursorShown();
// The grid that BeginPaint and GetDC draw into while a frame is rendered (null otherwise).
void SetPaintGrid(CellGrid *grid);
// Where the caret is on screen, when it is shown in the focused window.
bool CaretCell(int &col, int &row);
// The description a font was created from, or null for a handle that is no font.
const LOGFONTW *FontDescription(HFONT font);
// The font families EnumFontFamiliesW lists (fontconfig's, unless set here).
void SetFontFamilies(const std::vector<U16String> &families);

// ---------------------------------------------------------------------------------------------------
// Front ends
// ---------------------------------------------------------------------------------------------------

class FrontEnd {
public:
    virtual ~FrontEnd() = default;
    // The screen size in cells.
    virtual int Cols() const = 0;
    virtual int Rows() const = 0;
    // Waits for the next input event. False when no more input will ever come.
    virtual bool NextInput(InputEvent &event) = 0;
    // Shows a finished frame.
    virtual void Present(const CellGrid &grid) = 0;
    // Asked to come to the front by another instance.
    virtual void BringToFront() {}
};
void SetFrontEnd(FrontEnd *frontEnd);
FrontEnd *GetFrontEnd();

// Clears every window, class, menu, message, handle and key state, so that a test starts clean.
void ResetPlatform();
// The resets of the modules that keep state, called by ResetPlatform in this order.
void ResetWindows();
void ResetMessages();
void ResetMenus();
void ResetFiles();
void ResetRegistry();
void ResetInstances();
void ResetGdi();

}  // namespace posix

namespace posix {

// ---------------------------------------------------------------------------------------------------
// Other instances (system/instance.cpp): the rendezvous behind FindWindowW and SetForegroundWindow
// across processes of the same user.
// ---------------------------------------------------------------------------------------------------

// Announces that this process shows a top-level window of the class, so that others can find it.
void PublishWindowClass(const U16String &className);
void UnpublishWindowClass(const U16String &className);
// Another live process of this user that announced the class: its process id, or 0.
int FindRemoteWindowClass(const U16String &className);
// Asks that process to bring its window forward. False when it is gone.
bool AskRemoteToForeground(int pid);
// True once for each request from another process to come forward since the last call.
bool TakeForegroundRequest();
// A descriptor that becomes readable when such a request arrives, for a front end's wait; -1 if none.
int ForegroundRequestFd();
// The folder for this user's run-time files ($XDG_RUNTIME_DIR, or a private folder under /tmp).
std::string RuntimeDirectory();

}  // namespace posix
