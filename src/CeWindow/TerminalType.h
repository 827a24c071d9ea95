// The terminal's type, looked up in terminfo before ncurses takes the terminal.
#pragma once

#include <string>

namespace ce::win {

// Whether terminfo knows the terminal type `term` and the terminal can place its cursor (a
// "dumb" or printing terminal cannot); otherwise *whyNot says which, in a few words. Nothing is
// written to the terminal.
bool UsableTerminalType(const char* term, std::string* whyNot);

}  // namespace ce::win
