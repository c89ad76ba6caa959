// Whether the terminal named by TERM can show the phone's screen at all.
#pragma once

#include <string>

namespace posix {

// Empty when it can; otherwise why not, in words for the user.
std::string TerminalTypeProblem();

// Whether standard input and output are a terminal.
bool HasTerminal();
// Empty when standard input and output are a terminal that can show the screen; otherwise why not, in
// words for the user.
std::string TerminalProblem();

}  // namespace posix
