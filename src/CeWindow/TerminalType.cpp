// The terminal type's check, apart from the rest of the terminal: <term.h> defines macros named
// like the capabilities ("columns", "lines", ...).
#include "TerminalType.h"

#include <curses.h>
#include <term.h>
#include <unistd.h>

namespace ce::win {

bool UsableTerminalType(const char* term, std::string* whyNot) {
    const std::string quoted = "\"" + std::string(term) + "\"";
    int status = 0;
    if (setupterm(term, STDOUT_FILENO, &status) != OK) {
        *whyNot = "the terminal type " + quoted + " is unknown";
        return false;
    }
    const char* cursor = tigetstr(const_cast<char*>("cup"));
    const bool addressable = cursor != nullptr && cursor != reinterpret_cast<char*>(-1);
    del_curterm(cur_term);
    if (!addressable) *whyNot = "the terminal " + quoted + " cannot place its cursor";
    return addressable;
}

}  // namespace ce::win
