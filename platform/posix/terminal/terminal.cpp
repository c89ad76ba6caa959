#include "platform/posix/terminal/terminal.h"
#include "platform/posix/terminal/terminal_type.h"
#include "platform/posix/base/win32_api.h"
#include "platform/posix/controls/edit.h"
#include "platform/posix/system/instance.h"
#include "platform/posix/windowing/end_session.h"
#include "platform/posix/windowing/keyboard.h"
#include "platform/posix/windowing/overlay.h"
#include "platform/posix/windowing/soft_keys.h"
#include "platform/posix/windowing/window.h"

#include <clocale>
#include <csignal>
#include <cstring>
#include <string>
#include <langinfo.h>
#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#ifndef _XOPEN_SOURCE_EXTENDED
#define _XOPEN_SOURCE_EXTENDED 1
#endif
#include <ncursesw/curses.h>

#undef sprintf

namespace posix {

// ---------------------------------------------------------------------------------------------------
// The screen
// ---------------------------------------------------------------------------------------------------

namespace {

bool g_taken = false;
bool g_utf8 = true;  // the terminal's locale can show any character; otherwise ASCII stands in

// What an ASCII-only terminal shows for a character it cannot: lines for line drawing, '?' for the rest.
wchar_t AsciiStandIn(char32_t ch) {
    if (ch < 0x80) return wchar_t(ch);
    switch (ch) {
        case 0x2500: return L'-';
        case 0x2502: return L'|';
        case 0x250C:
        case 0x2510:
        case 0x2514:
        case 0x2518: return L'+';
        case 0x2713: return L'*';
        case 0x25B8: return L'>';
        case 0x25B2: return L'^';
        case 0x25BC: return L'v';
        default: return L'?';
    }
}

void RestoreAndReraise(int sig) {
    TerminalScreen::Restore();
    if (sig == SIGSEGV || sig == SIGBUS || sig == SIGFPE || sig == SIGILL || sig == SIGABRT) {
        static const char message[] = ": stopped by a fault; the terminal has been restored\n";
        const char *name = program_invocation_short_name;
        ssize_t ignored = write(2, name, std::strlen(name));
        ignored = write(2, message, sizeof message - 1);
        (void)ignored;
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

// A hangup, a termination or an interrupt ends the session, through the message loop; the rest end the
// process at once, with the terminal given back.
void InstallRestoreHandlers() {
    CatchEndSessionSignals();
    for (int sig : {SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        std::signal(sig, RestoreAndReraise);
    std::atexit(TerminalScreen::Restore);
}

attr_t CursesAttr(unsigned char attr) {
    attr_t a = A_NORMAL;
    if (attr & kAttrReverse) a |= A_REVERSE;
    if (attr & kAttrBold) a |= A_BOLD;
    if (attr & kAttrDim) a |= A_DIM;
    if (attr & kAttrUnderline) a |= A_UNDERLINE;
    return a;
}

}  // namespace

TerminalScreen::TerminalScreen() {
    // The locale decides how the first frame is drawn, so it is taken before any is.
    std::setlocale(LC_ALL, "");
    g_utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    winsize ws{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
        cols_ = ws.ws_col;
        rows_ = ws.ws_row;
    }
}

TerminalScreen::~TerminalScreen() {
    Restore();
}

int TerminalScreen::Cols() const {
    return cols_;
}
int TerminalScreen::Rows() const {
    return rows_;
}

// Bracketed paste: the terminal marks pasted text, so that it can be taken as text and not as keys.
constexpr char kPasteMarksOn[] = "\x1b[?2004h";
constexpr char kPasteMarksOff[] = "\x1b[?2004l";

void TerminalScreen::Restore() {
    if (!g_taken) return;
    g_taken = false;
    ssize_t ignored = write(STDOUT_FILENO, kPasteMarksOff, sizeof kPasteMarksOff - 1);
    (void)ignored;
    endwin();
}

void TerminalScreen::Start() {
    if (started_) return;
    started_ = true;
    // A launcher refuses a terminal of the wrong type before anything starts; no terminal at all is found
    // out only here, when there is something to draw.
    std::string problem = TerminalProblem();
    if (!problem.empty()) {
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, problem.c_str());
        std::_Exit(2);
    }
    // A short escape delay: Esc is the Back key and must act at once.
    set_escdelay(25);
    initscr();
    // Until the screen has once been given back, ncurses sends every cursor move of a refresh on its own;
    // given back and taken again at once, it keeps a whole frame for one write at the refresh.
    endwin();
    refresh();
    g_taken = true;
    InstallRestoreHandlers();
    raw();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    meta(stdscr, TRUE);
    nodelay(stdscr, TRUE);
    getmaxyx(stdscr, rows_, cols_);
    std::fputs(kPasteMarksOn, stdout);
    std::fflush(stdout);
}

namespace {

bool SameCell(const Cell &a, const Cell &b) {
    return a.ch == b.ch && a.attr == b.attr && a.wideTail == b.wideTail;
}

}  // namespace

// A cell is left alone when it and the cell after it are as the last frame showed them: the terminal
// draws a double-width character over the next cell too.
bool TerminalScreen::CellShown(const CellGrid &grid, int col, int row) const {
    if (shown_.empty()) return false;
    for (int c = col; c <= col + 1 && c < grid.Cols(); ++c)
        if (!SameCell(shown_[size_t(row) * size_t(shownCols_) + size_t(c)], grid.At(c, row))) return false;
    return true;
}

// Only the cells that changed go to ncurses, which sends the terminal what changed on its picture in
// one write at the refresh.
void TerminalScreen::Present(const CellGrid &grid) {
    // A terminal given back (the session is ending, and a rescue may still be written with the wait
    // cursor up) is drawn on no more: a refresh would take it over again.
    if (started_ && !g_taken) return;
    Start();
    int rows = std::min(grid.Rows(), rows_), cols = std::min(grid.Cols(), cols_);
    if (shownCols_ != grid.Cols() || shown_.size() != size_t(grid.Cols()) * size_t(grid.Rows())) shown_.clear();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const Cell &cell = grid.At(c, r);
            if (CellShown(grid, c, r)) continue;
            // The terminal draws a wide character over two cells, where ASCII stands in with one.
            if (cell.wideTail && g_utf8) continue;
            wchar_t text[2] = {g_utf8 ? wchar_t(cell.ch) : AsciiStandIn(cell.ch), 0};
            cchar_t cc;
            setcchar(&cc, text, CursesAttr(cell.attr), 0, nullptr);
            // The bottom-right cell cannot be written with a move that scrolls; ncurses handles it here.
            mvadd_wch(r, c, &cc);
        }
    }
    // What ncurses holds now is this frame, unless the terminal is smaller than the grid.
    if (rows == grid.Rows() && cols == grid.Cols() && rows > 0 && cols > 0) {
        shown_.assign(&grid.At(0, 0), &grid.At(0, 0) + size_t(grid.Cols()) * size_t(grid.Rows()));
        shownCols_ = grid.Cols();
    } else {
        shown_.clear();
    }
    // curs_set writes to the terminal at once, apart from the frame: the cursor goes before the frame is
    // drawn and comes back after it, so that it is never seen crossing the drawing.
    int visibility = grid.cursorVisible ? 1 : 0;
    if (visibility == 0 && cursorVisibility_ != 0) curs_set(0);
    if (grid.cursorVisible) move(grid.cursorRow, grid.cursorCol);
    refresh();
    if (visibility == 1 && cursorVisibility_ != 1) curs_set(1);
    cursorVisibility_ = visibility;
}

void TerminalScreen::SessionEnding() {
    Restore();
}

// The process ends as the signal would have ended it, so that whoever started it sees why.
void TerminalScreen::SessionEnded(int signal) {
    std::fflush(stdout);
    std::fflush(stderr);
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    std::raise(signal);
    std::_Exit(128 + signal);
}

void TerminalScreen::BringToFront() {
    if (started_) {
        clearok(curscr, TRUE);
        InvalidateScreen();
    }
}

// ncurses reads a byte a system call, which makes a large paste take seconds. Inside a paste, where no
// key sequences are to be found but the end mark, the bytes are read here in large pieces instead; ncurses
// has nothing held back at that point, as the last thing it gave was the '~' of the start mark.
void TerminalScreen::ReadPastedBytes(std::deque<TerminalKey> &decoded) {
    char buffer[1 << 16];
    while (decoder_.Pasting()) {
        pollfd fd{STDIN_FILENO, POLLIN, 0};
        if (poll(&fd, 1, 0) <= 0 || !(fd.revents & POLLIN)) return;
        ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) return;
        for (ssize_t i = 0; i < n;) {
            wchar_t ch = 0;
            size_t used = std::mbrtowc(&ch, buffer + i, size_t(n - i), &pasteState_);
            if (used == size_t(-2)) break;  // the character goes on in the next piece
            if (used == size_t(-1)) {
                pasteState_ = std::mbstate_t{};
                ++i;  // a byte that is no character in this locale
                continue;
            }
            i += used == 0 ? 1 : ssize_t(used);
            decoder_.Add(int(ch), false, decoded);
        }
    }
}

void TerminalScreen::ReadKeys() {
    wint_t key;
    int kind;
    std::deque<TerminalKey> decoded;
    ReadPastedBytes(decoded);
    while ((kind = get_wch(&key)) != ERR) {
        int code = int(key);
        if (kind == KEY_CODE_YES) {
            if (int named = KeyMap::NamedKeyFor(keyname(code))) code = named;
            if (code == KEY_RESIZE) getmaxyx(stdscr, rows_, cols_);
        }
        decoder_.Add(code, kind == KEY_CODE_YES, decoded);
        if (decoder_.Pasting()) ReadPastedBytes(decoded);
    }
    decoder_.Idle(decoded);
    for (TerminalKey &k : decoded)
        read_.push_back(std::move(k));
}

namespace {

// What Esc and Enter press depends on what is in front.
KeyContext ContextNow() {
    KeyContext context;
    context.boxShown = TopOverlay() != nullptr;
    HWND active = ActiveTopLevel();
    if (HWND bar = SoftKeyBarFor(active))
        context.escapeCancels = !SoftKeyLabel(bar, 1).empty() && !SoftKeyOpensMenu(bar, 1);
    Window *window = FromHandle(active);
    HWND focus = GetFocus();
    WCHAR className[16] = {};
    bool oneLineField = focus && GetClassNameW(focus, className, 16) > 0 && lstrcmpiW(className, u"Edit") == 0 &&
                        !(GetWindowLongW(focus, GWL_STYLE) & ES_MULTILINE);
    context.enterConfirms = (window && window->dialog) || oneLineField;
    return context;
}

}  // namespace

bool TerminalScreen::InputWaiting() const {
    return !pending_.empty() || !read_.empty();
}

U16String TerminalScreen::SoftKeyName(int index) const {
    return index == 0 ? u"F1" : u"F2";
}

// Where the caret of the focused multiline edit stands, counted from 1 by the text's own lines.
U16String TerminalScreen::TitleNote() const {
    size_t line = 0, column = 0;
    if (!MultilineEditCaret(GetFocus(), line, column)) return U16String();
    std::string note = "Ln " + std::to_string(line + 1) + ", Col " + std::to_string(column + 1);
    return U16String(note.begin(), note.end());
}

bool TerminalScreen::NextInput(InputEvent &event) {
    Start();
    for (;;) {
        if (pending_.empty() && !read_.empty()) {
            keys_.SetContext(ContextNow());
            if (keys_.SoftKeyHeld() && !KeyIsDown(VK_TSOFT1)) keys_.ForgetHold();
            keys_.Translate(read_.front(), pending_);
            read_.pop_front();
            continue;
        }
        if (!pending_.empty()) {
            event = pending_.front();
            pending_.pop_front();
            return true;
        }
        if (PendingEndSessionSignal()) {
            event = InputEvent();
            event.kind = InputEvent::Wake;
            return true;
        }
        pollfd fds[3] = {
            {STDIN_FILENO, POLLIN, 0}, {EndSessionWakeFd(), POLLIN, 0}, {ForegroundRequestFd(), POLLIN, 0}};
        int n = poll(fds, 3, -1);
        if (n < 0) {
            // A resize interrupts the wait; ncurses reports it as a key.
            ReadKeys();
            continue;
        }
        if (fds[2].fd >= 0 && (fds[2].revents & POLLIN)) {
            event = InputEvent();
            event.kind = InputEvent::Wake;
            return true;
        }
        // A terminal that went away without a hangup signal (one that is ignored) ends the session too.
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) RequestEndSession(SIGHUP);
        if (!PendingEndSessionSignal()) ReadKeys();
    }
}

}  // namespace posix
