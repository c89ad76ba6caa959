// MessageBoxW: a modal box over the screen with its caption, its text and the answers on the soft keys.
// The left soft key and Enter give the first answer, the right soft key the second, Back the "no" one.
#include "platform/posix/drawing/cell_grid.h"
#include "platform/posix/base/win32_api.h"
#include "platform/posix/windowing/message_loop.h"
#include "platform/posix/windowing/overlay.h"

#include <algorithm>

namespace posix {
namespace {

struct Answers {
    int first;   // left soft key, Enter
    int second;  // right soft key (0: none)
    int back;    // the Back key
    const char16_t *firstLabel;
    const char16_t *secondLabel;
};

Answers AnswersFor(UINT type) {
    switch (type & 0xF) {
        case MB_OKCANCEL: return {IDOK, IDCANCEL, IDCANCEL, u"OK", u"Cancel"};
        case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL, u"Yes", u"No"};
        case MB_YESNO: return {IDYES, IDNO, IDNO, u"Yes", u"No"};
        default: return {IDOK, 0, IDOK, u"OK", u""};
    }
}

// The end of the longest run of p from start that takes at most width columns (at least one character,
// a surrogate pair never split).
size_t FittingEnd(const U16String &p, size_t start, int width) {
    size_t end = start;
    int used = 0;
    while (end < p.size()) {
        size_t units;
        int columns = CharColumns(CodePointAt(p, end, units));
        if (used + columns > width && end > start) break;
        used += columns;
        end += units;
    }
    return end;
}

// Breaks text into lines of at most width columns, at blanks where it can.
std::vector<U16String> WrapText(const U16String &text, int width) {
    std::vector<U16String> lines;
    width = std::max(width, 1);
    U16String paragraph;
    auto flush = [&](const U16String &p) {
        size_t start = 0;
        if (p.empty()) lines.push_back(U16String());
        while (start < p.size()) {
            size_t end = FittingEnd(p, start, width);
            if (end < p.size()) {
                size_t blank = p.rfind(u' ', end);
                if (blank != U16String::npos && blank > start) end = blank;
            }
            lines.push_back(p.substr(start, end - start));
            start = end;
            while (start < p.size() && p[start] == u' ')
                ++start;
        }
    };
    for (char16_t ch : text) {
        if (ch == u'\r') continue;
        if (ch == u'\n') {
            flush(paragraph);
            paragraph.clear();
        } else {
            paragraph += ch;
        }
    }
    flush(paragraph);
    return lines;
}

class MessageBoxOverlay : public Overlay {
public:
    MessageBoxOverlay(const U16String &text, const U16String &caption, UINT type)
        : text_(text), caption_(caption), answers_(AnswersFor(type)) {}

    bool Done() const { return result_ != 0; }
    int Result() const { return result_; }

    void HandleKey(const InputEvent &event) override {
        if (!event.down) return;
        switch (event.vk) {
            case VK_TSOFT1:
            case VK_RETURN: result_ = answers_.first; break;
            case VK_TSOFT2:
                if (answers_.second) result_ = answers_.second;
                break;
            case VK_TBACK: result_ = answers_.back; break;
        }
    }

    void Draw(CellGrid &grid) override {
        // The box stands between the title row and the soft-key row, and fits the screen's width.
        int rows = grid.Rows() - 2;
        if (rows <= 0 || grid.Cols() <= 0) return;
        if (rows < 3) {
            // No room for a frame: the text alone, as much of it as the rows hold.
            std::vector<U16String> lines = WrapText(text_, grid.Cols());
            grid.Fill(0, 1, grid.Cols(), 1 + rows, U' ', kAttrNone);
            for (int i = 0; i < rows && i < (int)lines.size(); ++i)
                grid.Put(0, 1 + i, lines[i], kAttrNone);
            return;
        }
        int maxWidth = std::min(std::max(grid.Cols() - 4, 8), grid.Cols());
        std::vector<U16String> lines = WrapText(text_, maxWidth - 4);
        int width = std::max<int>(TextColumns(caption_) + 6, 20);
        for (const U16String &l : lines)
            width = std::max<int>(width, TextColumns(l) + 4);
        width = std::min(width, maxWidth);
        if ((int)lines.size() > rows - 2) lines.resize(rows - 2);
        int height = (int)lines.size() + 2;
        int left = (grid.Cols() - width) / 2;
        int top = 1 + (rows - height) / 2;
        DrawFrame(grid, left, top, left + width, top + height);
        grid.Put(left + 2, top, u" " + caption_ + u" ", kAttrBold, left + 1, left + width - 1);
        for (size_t i = 0; i < lines.size(); ++i)
            grid.Put(left + 2, top + 1 + (int)i, lines[i], kAttrNone, left + 1, left + width - 1);
    }

    U16String LeftLabel() const override { return answers_.firstLabel; }
    U16String RightLabel() const override { return answers_.secondLabel; }

private:
    U16String text_;
    U16String caption_;
    Answers answers_;
    int result_ = 0;
};

}  // namespace
}  // namespace posix

using namespace posix;

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    if (owner && !IsWindow(owner)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    MessageBoxOverlay overlay(text ? text : u"", caption ? caption : u"Error", type);
    PushOverlay(&overlay);
    bool ended = RunModalLoop([&] { return overlay.Done(); });
    PopOverlay(&overlay);
    if (!ended && !overlay.Done()) return AnswersFor(type).back;  // the loop was told to quit
    return overlay.Result();
}
