#include "platform/posix/headless/headless.h"
#include "platform/posix/base/win32_api.h"
#include "platform/posix/windowing/message_loop.h"

namespace posix {

int VirtualKeyFor(char16_t ch) {
    if (ch >= u'a' && ch <= u'z') return ch - u'a' + 'A';
    if ((ch >= u'A' && ch <= u'Z') || (ch >= u'0' && ch <= u'9')) return ch;
    switch (ch) {
        case u' ': return VK_SPACE;
        case u'\r':
        case u'\n': return VK_RETURN;
        case u'\t': return VK_TAB;
        case u'\b': return VK_BACK;
        default: return VK_PACKET;
    }
}

HeadlessScreen::HeadlessScreen(int cols, int rows) : cols_(cols), rows_(rows), grid_(cols, rows) {
    SetFrontEnd(this);
}

HeadlessScreen::~HeadlessScreen() {
    if (GetFrontEnd() == this) SetFrontEnd(nullptr);
}

HeadlessScreen &HeadlessScreen::Press(int vk, char16_t ch) {
    Step s;
    s.event.vk = vk;
    s.event.down = true;
    s.event.ch = ch;
    script_.push_back(s);
    return *this;
}

HeadlessScreen &HeadlessScreen::Release(int vk) {
    Step s;
    s.event.vk = vk;
    s.event.down = false;
    script_.push_back(s);
    return *this;
}

HeadlessScreen &HeadlessScreen::Key(int vk, char16_t ch) {
    return Press(vk, ch).Release(vk);
}

HeadlessScreen &HeadlessScreen::Type(const std::u16string &text) {
    for (char16_t ch : text)
        Key(VirtualKeyFor(ch), ch == u'\n' ? u'\r' : ch);
    return *this;
}

HeadlessScreen &HeadlessScreen::Then(std::function<void()> step) {
    Step s;
    s.action = std::move(step);
    script_.push_back(s);
    return *this;
}

HeadlessScreen &HeadlessScreen::ResizeTo(int cols, int rows) {
    return Then([this, cols, rows] {
        cols_ = cols;
        rows_ = rows;
        resized_ = true;
    });
}

bool HeadlessScreen::NextInput(InputEvent &event) {
    while (!script_.empty()) {
        Step step = std::move(script_.front());
        script_.pop_front();
        if (!step.action) {
            event = step.event;
            return true;
        }
        step.action();
        // A step may have changed what is on screen; the next key sees it drawn.
        InvalidateScreen();
        if (resized_) {
            resized_ = false;
            event = InputEvent();
            event.kind = InputEvent::Resize;
            return true;
        }
    }
    if (ModalDepth() > 0 && failure_.empty()) {
        failure_ = "the key script ran out while a modal loop was waiting; the screen was:\n" + grid_.Text();
    }
    return false;
}

void HeadlessScreen::Present(const CellGrid &grid) {
    grid_ = grid;
    ++frames_;
}

}  // namespace posix
