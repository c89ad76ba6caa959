// Kept apart from the rest of the front end: <term.h> defines macros under common words (columns,
// lines) that would clash with ordinary names.
#include "platform/posix/terminal/terminal_type.h"

#include <cstdlib>
#include <curses.h>
#include <term.h>
#include <unistd.h>

namespace posix {

std::string TerminalTypeProblem() {
    const char *type = std::getenv("TERM");
    std::string name = type && type[0] ? type : "(not set)";
    int error = 0;
    if (setupterm(nullptr, STDOUT_FILENO, &error) != OK)
        return "the terminal type TERM=" + name + " is not known on this machine; set TERM to one it knows";
    // A terminal that cannot place the cursor (such as TERM=dumb) can only print lines.
    const char *move = tigetstr(const_cast<char *>("cup"));
    bool canMove = move != nullptr && move != reinterpret_cast<char *>(-1);
    del_curterm(cur_term);
    if (!canMove) return "the terminal type TERM=" + name + " cannot place the cursor, which the editor needs";
    return std::string();
}

bool HasTerminal() {
    return isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
}

std::string TerminalProblem() {
    if (!HasTerminal()) return "standard input and output must be a terminal to show the editor";
    return TerminalTypeProblem();
}

}  // namespace posix
