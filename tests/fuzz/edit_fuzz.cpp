// The edit control driven by random messages and keys, checked after each against a model of its text
// and selection: what a message sets exactly (text, selection, replacement, typed characters) must be
// exactly so, and what only moves or deletes (arrows, Home, End, pages, Delete, Back, Enter, undo) must
// keep the text whole around the caret and the selection inside the text.
#include "platform/posix/base/win32_api.h"
#include "platform/posix/headless/headless.h"

#include "tests/fuzz/fuzz_input.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using U16 = std::u16string;

const HINSTANCE kInstance = (HINSTANCE)0x400000;
constexpr DWORD kNoWrap =
    WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL;
constexpr DWORD kWrap = WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL;

const char *g_step = "";  // what the last step did, for the report of a failure
std::u16string g_before;  // the text before it

void PrintText(const char *label, const std::u16string &text) {
    std::fprintf(stderr, "%s (%zu):", label, text.size());
    for (char16_t c : text)
        std::fprintf(stderr, " %04x", unsigned(c));
    std::fprintf(stderr, "\n");
}

[[noreturn]] void Fail(const char *what) {
    std::fprintf(stderr, "edit control: %s, after %s\n", what, g_step);
    PrintText("text before the step", g_before);
    std::abort();
}

struct Model {
    U16 text;
    DWORD start = 0, end = 0;  // the selection, ordered
    DWORD caret = 0;           // the end the caret is at
    bool caretKnown = true;    // false after a key: EM_GETSEL does not tell which end the caret is at
};

// Characters from a small alphabet rich in what edits treat specially: line breaks of every kind,
// blanks, wide and combining characters, and the halves of surrogate pairs.
char16_t NextUnit(FuzzInput &in) {
    static const char16_t kUnits[] = {u'a',      u'b',   u' ',   u'\t', u'\r', u'\n', u'\u00e9', u'\u4e00',
                                      u'\u0301', 0xD83D, 0xDE00, u'z',  u'.',  u'-',  u'\u3000', u'x'};
    if (in.Below(8)) return kUnits[in.Below(16)];
    char16_t any = char16_t(in.Word());
    return any ? any : u'0';  // a NUL would end the string a message carries
}

U16 ControlText(HWND edit) {
    int length = int(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0));
    U16 text(size_t(length) + 1, u'\0');
    int copied = int(SendMessageW(edit, WM_GETTEXT, WPARAM(length + 1), LPARAM(text.data())));
    if (copied != length) Fail("WM_GETTEXT and WM_GETTEXTLENGTH disagree");
    text.resize(size_t(copied));
    return text;
}

void Selection(HWND edit, DWORD &start, DWORD &end) {
    SendMessageW(edit, EM_GETSEL, WPARAM(&start), LPARAM(&end));
}

// The model as the control now has it, after a message whose effect is only bounded.
void Adopt(HWND edit, Model &model) {
    model.text = ControlText(edit);
    Selection(edit, model.start, model.end);
    if (model.start > model.end || model.end > model.text.size()) Fail("a selection outside the text");
    model.caret = model.end;
    model.caretKnown = model.start == model.end;
}

void Check(HWND edit, const Model &model) {
    DWORD start, end;
    Selection(edit, start, end);
    if (ControlText(edit) != model.text || start != model.start || end != model.end) {
        PrintText("control", ControlText(edit));
        PrintText("model", model.text);
        std::fprintf(stderr, "selection: control %u-%u, model %u-%u\n", unsigned(start), unsigned(end),
                     unsigned(model.start), unsigned(model.end));
        Fail("the control differs from the model");
    }
    LRESULT lines = SendMessageW(edit, EM_GETLINECOUNT, 0, 0);
    if (lines < 1) Fail("fewer than one line");
    for (DWORD p : {DWORD(0), start, end, DWORD(model.text.size())}) {
        LRESULT line = SendMessageW(edit, EM_LINEFROMCHAR, p, 0);
        if (line < 0 || line >= lines) Fail("a position on no line");
        LRESULT first = SendMessageW(edit, EM_LINEINDEX, WPARAM(line), 0);
        if (first < 0 || DWORD(first) > p) Fail("a line that starts after a position on it");
        LRESULT next = SendMessageW(edit, EM_LINEINDEX, WPARAM(line + 1), 0);
        if (line + 1 < lines && (next < 0 || DWORD(next) <= p)) Fail("the next line starts before the position");
    }
}

void Replace(Model &model, const U16 &with) {
    model.text = model.text.substr(0, model.start) + with + model.text.substr(model.end);
    model.start = model.end = model.caret = model.start + DWORD(with.size());
    model.caretKnown = true;
}

// EM_SETSEL: -1 as the start drops the selection where the caret is; other negative values and values
// past the end stand for the end.
void SetSelection(Model &model, LONG from, LONG to) {
    DWORD length = DWORD(model.text.size());
    if (from == -1) {
        model.start = model.end = model.caret;
        return;
    }
    model.caretKnown = true;
    DWORD a = from < 0 ? length : std::min(DWORD(from), length);
    DWORD b = to < 0 ? length : std::min(DWORD(to), length);
    model.start = std::min(a, b);
    model.end = std::max(a, b);
    model.caret = b;
}

LONG NextPosition(FuzzInput &in, const Model &model) {
    switch (in.Below(4)) {
        case 0: return -1;
        case 1: return LONG(in.Dword());
        default: return LONG(in.Below(model.text.size() + 2));
    }
}

// A change that removed one run of text: the selection if there was one, else next to the caret.
void CheckRemoval(const Model &before, const U16 &after) {
    if (after.size() > before.text.size()) Fail("a deletion added text");
    size_t removed = before.text.size() - after.size();
    if (removed == 0) {
        if (after != before.text) Fail("a deletion that removed nothing changed the text");
        return;
    }
    size_t prefix = 0;
    while (prefix < after.size() && after[prefix] == before.text[prefix])
        ++prefix;
    if (after.compare(prefix, U16::npos, before.text, prefix + removed, U16::npos) != 0)
        Fail("a deletion changed text it did not remove");
    if (before.start != before.end && removed != before.end - before.start) Fail("a deletion beside a selection");
}

void Key(HWND edit, int vk) {
    SendMessageW(edit, WM_KEYDOWN, WPARAM(vk), 0);
    SendMessageW(edit, WM_KEYUP, WPARAM(vk), 0);
}

void Step(HWND edit, FuzzInput &in, Model &model) {
    g_before = model.text;
    switch (in.Below(10)) {
        case 0: {
            g_step = "WM_SETTEXT";
            U16 text = in.Text(40, [&] { return NextUnit(in); });
            SendMessageW(edit, WM_SETTEXT, 0, LPARAM(text.c_str()));
            model.text = text;
            model.start = model.end = model.caret = 0;
            model.caretKnown = true;
            break;
        }
        case 1: {
            g_step = "EM_SETSEL";
            LONG from = NextPosition(in, model), to = NextPosition(in, model);
            SendMessageW(edit, EM_SETSEL, WPARAM(from), LPARAM(to));
            if (from == -1 && !model.caretKnown) {
                // The selection collapses to the caret, at one of its ends.
                Model before = model;
                Adopt(edit, model);
                if (model.start != model.end || (model.start != before.start && model.start != before.end))
                    Fail("dropping the selection moved the caret off it");
                break;
            }
            SetSelection(model, from, to);
            break;
        }
        case 2: {
            g_step = "EM_REPLACESEL";
            U16 with = in.Text(6, [&] { return NextUnit(in); });
            SendMessageW(edit, EM_REPLACESEL, in.Byte() & 1, LPARAM(with.c_str()));
            Replace(model, with);
            break;
        }
        case 3:
        case 4: {
            g_step = "WM_CHAR";
            char16_t c = NextUnit(in);
            if (c < 0x20 || c == 0x7F) c = u'q';  // control characters are keys of their own
            SendMessageW(edit, WM_CHAR, c, 0);
            Replace(model, U16(1, c));
            break;
        }
        case 5: {
            g_step = "a caret key";
            static const int kMoves[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END, VK_PRIOR, VK_NEXT};
            Key(edit, kMoves[in.Below(8)]);
            U16 before = model.text;
            Adopt(edit, model);
            if (model.text != before) Fail("moving the caret changed the text");
            break;
        }
        case 6: {
            g_step = "Delete or Back";
            Model before = model;
            if (in.Byte() & 1)
                Key(edit, VK_DELETE);
            else
                SendMessageW(edit, WM_CHAR, 8, 0);
            Adopt(edit, model);
            CheckRemoval(before, model.text);
            break;
        }
        case 7: {
            g_step = "Enter";
            Model before = model;
            SendMessageW(edit, WM_CHAR, u'\r', 0);
            Adopt(edit, model);
            U16 kept = before.text.substr(0, before.start) + before.text.substr(before.end);
            size_t added = model.text.size() - kept.size();
            if (model.text.size() < kept.size() || added < 1 || added > 2 ||
                model.text.compare(0, before.start, kept, 0, before.start) != 0 ||
                model.text.compare(before.start + added, U16::npos, kept, before.start, U16::npos) != 0)
                Fail("Enter did something other than put a line break in place of the selection");
            break;
        }
        case 8:
            g_step = "EM_UNDO";
            SendMessageW(edit, EM_UNDO, 0, 0);
            Adopt(edit, model);
            break;
        default: {
            g_step = "EM_SETSEL collapsed";
            // The caret's end is not told by EM_GETSEL; a collapsed selection puts it beyond doubt.
            DWORD at = DWORD(in.Below(model.text.size() + 1));
            SendMessageW(edit, EM_SETSEL, at, at);
            model.start = model.end = model.caret = at;
            model.caretKnown = true;
            break;
        }
    }
}

HWND Host() {
    static posix::HeadlessScreen screen{30, 10};
    static HWND host = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = u"EditFuzzHost";
        wc.hInstance = kInstance;
        RegisterClassW(&wc);
        return CreateWindowExW(0, u"EditFuzzHost", u"", WS_VISIBLE, 0, 0, 240, 160, nullptr, nullptr, kInstance,
                               nullptr);
    }();
    return host;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput in(data, size);
    bool wrap = in.Byte() & 1;
    HWND edit = CreateWindowExW(0, u"edit", u"", wrap ? kWrap : kNoWrap, 0, 0, 20 * 8, 6 * 16, Host(), nullptr,
                                kInstance, nullptr);
    if (!edit) Fail("the control could not be made");
    SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);  // no limit: every insertion goes in whole
    Model model;
    for (int steps = 0; !in.Empty() && steps < 200; ++steps) {
        Step(edit, in, model);
        Check(edit, model);
    }
    DestroyWindow(edit);
    return 0;
}
