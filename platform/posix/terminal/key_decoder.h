// The keys ncurses reads, put back together where it leaves them apart: Alt with a key (sent as Esc and
// the key) and the terminal's bracketed paste (a control sequence, the text, another control sequence).
#pragma once

#include "platform/posix/base/utf16.h"

#include <deque>
#include <string>

namespace posix {

// A key or a paste, as the key map takes it.
struct TerminalKey {
    enum Kind { Key, Paste } kind = Key;
    int code = 0;            // Key: a KEY_* code when isKeyCode, otherwise a character
    bool isKeyCode = false;  // Key: code is one of ncurses' KEY_* codes
    U16String text;          // Paste: the text, every line break a single CR
};

class KeyDecoder {
public:
    // One key as ncurses reported it.
    void Add(int code, bool isKeyCode, std::deque<TerminalKey> &out);
    // No key is waiting any more: an Esc read last stood alone. ncurses has already waited its escape
    // delay for what might follow it, so that an Esc followed at once by a key is Alt with that key.
    void Idle(std::deque<TerminalKey> &out);
    // Whether a paste has begun and not yet ended.
    bool Pasting() const { return pasting_; }

private:
    void AddPlain(int code, bool isKeyCode, std::deque<TerminalKey> &out);
    void EndSequence(char final, std::deque<TerminalKey> &out);
    void AddPasted(char32_t ch);

    enum class State { Plain, Escape, Sequence } state_ = State::Plain;
    std::string parameters_;  // of the control sequence being read
    bool pasting_ = false;
    U16String paste_;            // the text pasted so far
    bool pasteAfterCr_ = false;  // the last pasted character was a CR: an LF after it is the same break
};

}  // namespace posix
