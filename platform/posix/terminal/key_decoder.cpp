// Alt with a key, and the terminal's bracketed paste, from the keys ncurses reads one by one.
#include "platform/posix/terminal/key_decoder.h"

#include <utility>

namespace posix {

namespace {

constexpr int kEscape = 27;

TerminalKey Key(int code, bool isKeyCode) {
    TerminalKey key;
    key.code = code;
    key.isKeyCode = isKeyCode;
    return key;
}

}  // namespace

void KeyDecoder::AddPasted(char32_t ch) {
    // Every line break, whichever style the text came in, is one Enter.
    bool afterCr = std::exchange(pasteAfterCr_, ch == U'\r');
    if (ch == U'\n') {
        if (!afterCr) paste_ += u'\r';
        return;
    }
    if (ch > 0x10FFFF || IsHighSurrogate(ch) || IsLowSurrogate(ch)) return;
    if (ch >= 0x10000) {
        paste_ += HighSurrogateOf(ch);
        paste_ += LowSurrogateOf(ch);
        return;
    }
    paste_ += char16_t(ch);
}

void KeyDecoder::AddPlain(int code, bool isKeyCode, std::deque<TerminalKey> &out) {
    if (!pasting_) {
        out.push_back(Key(code, isKeyCode));
        return;
    }
    // ncurses may have read a key's sequence inside the pasted text; only Enter has a text of its own.
    if (isKeyCode) return;
    if (code >= 0) AddPasted(char32_t(code));
}

// ESC [ 200 ~ starts a paste and ESC [ 201 ~ ends it. Other sequences are keys ncurses does not know:
// they type nothing rather than their letters.
void KeyDecoder::EndSequence(char final, std::deque<TerminalKey> &out) {
    state_ = State::Plain;
    if (final != '~') return;
    if (parameters_ == "200") {
        pasting_ = true;
        paste_.clear();
        pasteAfterCr_ = false;
    } else if (parameters_ == "201" && pasting_) {
        pasting_ = false;
        TerminalKey paste;
        paste.kind = TerminalKey::Paste;
        paste.text = std::move(paste_);
        paste_.clear();
        if (!paste.text.empty()) out.push_back(std::move(paste));
    }
}

void KeyDecoder::Add(int code, bool isKeyCode, std::deque<TerminalKey> &out) {
    switch (state_) {
        case State::Plain:
            if (!isKeyCode && code == kEscape) {
                state_ = State::Escape;
                return;
            }
            AddPlain(code, isKeyCode, out);
            return;
        case State::Escape:
            if (!isKeyCode && code == '[') {
                state_ = State::Sequence;
                parameters_.clear();
                return;
            }
            if (!isKeyCode && code == kEscape) {
                // The first Esc stood alone; the second may begin something.
                if (!pasting_) out.push_back(Key(kEscape, false));
                return;
            }
            // Alt with a key: the key alone.
            state_ = State::Plain;
            AddPlain(code, isKeyCode, out);
            return;
        case State::Sequence:
            if (!isKeyCode && code >= 0x20 && code <= 0x3F) {
                // Parameters and intermediates; a sequence longer than any key's is no key.
                if (parameters_.size() < 16) parameters_ += char(code);
                return;
            }
            if (!isKeyCode && code >= 0x40 && code <= 0x7E) {
                EndSequence(char(code), out);
                return;
            }
            // Not a control sequence after all: Alt with '[', then this key.
            state_ = State::Plain;
            AddPlain('[', false, out);
            AddPlain(code, isKeyCode, out);
            return;
    }
}

void KeyDecoder::Idle(std::deque<TerminalKey> &out) {
    // Within a paste the rest of the text is still on its way.
    if (pasting_) return;
    if (state_ == State::Escape) out.push_back(Key(kEscape, false));
    // A lone Alt+'[' (ESC [ with nothing after it) types the '['.
    if (state_ == State::Sequence && parameters_.empty()) out.push_back(Key('[', false));
    state_ = State::Plain;
}

}  // namespace posix
