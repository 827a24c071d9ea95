// The ncurses renderer, keyboard and mouse. The mouse reports its button's presses and releases
// apart (no clicks made of them) and its wheel. The terminal is restored, its mouse reporting
// off, by endwin() on a normal end, and by an async-signal-safe restore (the saved terminal modes
// and the terminal's own reset sequences) when a fatal signal ends the program.
#define NCURSES_WIDECHAR 1
#include "Terminal.h"

#include <curses.h>
#include <langinfo.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "HeldErrors.h"
#include "TerminalType.h"

namespace ce::win {

namespace {

termios g_savedModes;
char g_resetSequence[512];
size_t g_resetLength = 0;
std::atomic<bool> g_open{false};
SCREEN* g_screen = nullptr;

constexpr int kFatalSignals[] = {SIGINT,  SIGTERM, SIGHUP, SIGQUIT,
                                 SIGABRT, SIGSEGV, SIGBUS, SIGFPE};

// Only async-signal-safe calls: write and tcsetattr.
void RestoreFromSignal() {
    if (!g_open.exchange(false)) return;
    ssize_t ignored = write(STDOUT_FILENO, g_resetSequence, g_resetLength);
    (void)ignored;
    tcsetattr(STDIN_FILENO, TCSANOW, &g_savedModes);
    ReleaseStandardError();
}

void OnFatalSignal(int signal) {
    RestoreFromSignal();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void RestoreAtExit() {
    if (g_open.exchange(false)) endwin();
    ReleaseStandardError();
}

// A string capability of the terminal, or null when it has none.
const char* Capability(const char* name) {
    const char* value = tigetstr(const_cast<char*>(name));
    return value && value != reinterpret_cast<char*>(-1) ? value : nullptr;
}

void AppendReset(const char* value) {
    if (!value) return;
    const size_t length = std::strlen(value);
    if (g_resetLength + length >= sizeof(g_resetSequence)) return;
    // A byte sequence with its length, written with write(): no terminator is wanted.
    // NOLINTNEXTLINE(bugprone-not-null-terminated-result)
    std::memcpy(g_resetSequence + g_resetLength, value, length);
    g_resetLength += length;
}

// Whether the locale's characters are UTF-8; without it only ASCII is drawn.
bool g_unicode = true;

// The ASCII stand-in of a character that only UTF-8 can show.
char16_t AsciiOf(char16_t ch) {
    if (ch < 0x80) return ch;
    switch (ch) {
        case u'\u2500':  // ─
            return u'-';
        case u'\u2502':  // │
            return u'|';
        case u'\u250C':  // ┌ ┐ └ ┘
        case u'\u2510':
        case u'\u2514':
        case u'\u2518':
            return u'+';
        case u'\u25B2':  // ▲
            return u'^';
        case u'\u25BC':  // ▼
            return u'v';
        case u'\u25B8':  // ▸
            return u'>';
        case u'\u2591':  // ░ (a scroll bar's track)
            return u':';
        case u'\u2588':  // █ (a thumb, a full block)
        case u'\u229E':  // ⊞ (the Start icon)
            return u'#';
        case u'\u2580':  // ▀
            return u'"';
        case u'\u2584':  // ▄
            return u',';
        default:
            return u'?';
    }
}

// Colours: the nearest of the terminal's palette (the 6 x 6 x 6 cube of 256-colour terminals, or
// the eight basic colours).
short ColorIndex(uint32_t rgb) {
    if (rgb == screen::kDefaultColor) return -1;
    const int r = static_cast<int>((rgb >> 16) & 0xFF);
    const int g = static_cast<int>((rgb >> 8) & 0xFF);
    const int b = static_cast<int>(rgb & 0xFF);
    if (COLORS >= 256) {
        auto level = [](int v) { return v < 48 ? 0 : v < 115 ? 1 : (v - 35) / 40; };
        return static_cast<short>(16 + 36 * level(r) + 6 * level(g) + level(b));
    }
    const int bits = (r >= 128 ? 1 : 0) | (g >= 128 ? 2 : 0) | (b >= 128 ? 4 : 0);
    return static_cast<short>(bits);  // COLOR_RED 1, COLOR_GREEN 2, COLOR_BLUE 4
}

std::map<int, short> g_pairs;
short g_nextPair = 1;

short PairFor(uint32_t fg, uint32_t bg) {
    if (!has_colors() || (fg == screen::kDefaultColor && bg == screen::kDefaultColor)) return 0;
    const short f = ColorIndex(fg);
    const short b = ColorIndex(bg);
    const int key = ((f + 1) << 16) | (b + 1);
    auto it = g_pairs.find(key);
    if (it != g_pairs.end()) return it->second;
    if (g_nextPair >= COLOR_PAIRS || g_nextPair >= 32767) return 0;
    const short pair = g_nextPair++;
    init_pair(pair, f, b);
    g_pairs.emplace(key, pair);
    return pair;
}

attr_t AttributesOf(uint16_t attr) {
    attr_t result = A_NORMAL;
    const bool reverse = (attr & screen::kAttrReverse) != 0;
    const bool focus = (attr & screen::kAttrFocus) != 0;
    if (reverse || focus) result |= A_REVERSE;
    if (reverse && focus) result |= A_BOLD;
    if (attr & screen::kAttrDim) result |= A_DIM;
    if (attr & screen::kAttrBold) result |= A_BOLD;
    if (attr & screen::kAttrUnderline) result |= A_UNDERLINE;
    return result;
}

// Turns on the mouse's reports: the first button's presses and releases, each on its own, and
// the wheel. A terminal that reports them (it has "kmous") gets the sequence that turns them off
// again among the reset sequences: the one ncurses turns them on with (the terminal's "XM", or
// the xterm protocol's), asked for "off".
void StartMouse() {
    const mmask_t wanted = BUTTON1_PRESSED | BUTTON1_RELEASED | BUTTON4_PRESSED | BUTTON5_PRESSED;
    if (mousemask(wanted, nullptr) == 0) return;
    mouseinterval(0);
    if (!Capability("kmous")) return;
    const char* onOff = Capability("XM");
    AppendReset(tiparm(onOff ? onOff : "\033[?1000%?%p1%{1}%=%th%el%;", 0));
}

void Push(std::deque<InputEvent>* input, UINT vk, char16_t ch, unsigned modifiers) {
    input->push_back(KeyEvent{vk, ch, modifiers, false});
    input->push_back(KeyEvent{vk, 0, modifiers, true});
}

// The mouse's events that ncurses has, as the stylus's: the first button put down or lifted, the
// wheel turned a notch up (the fourth button) or down (the fifth). Events that came in one read
// (a click: a press and its release) are announced once and handed out newest first: all are
// taken, and queued oldest first.
void PushMouse(std::deque<InputEvent>* input) {
    std::vector<MEVENT> events;
    for (MEVENT event{}; getmouse(&event) == OK;) events.push_back(event);
    for (auto event = events.rbegin(); event != events.rend(); ++event) {
        const auto push = [&](StylusEvent::Kind kind, int notches) {
            input->push_back(StylusEvent{kind, event->x, event->y, notches});
        };
        if (event->bstate & BUTTON1_PRESSED) push(StylusEvent::Kind::kDown, 0);
        if (event->bstate & BUTTON1_RELEASED) push(StylusEvent::Kind::kUp, 0);
        if (event->bstate & BUTTON4_PRESSED) push(StylusEvent::Kind::kWheel, 1);
        if (event->bstate & BUTTON5_PRESSED) push(StylusEvent::Kind::kWheel, -1);
    }
}

// The keys that ncurses reports by their codes: the virtual key and the modifier each carries.
struct KeyCode {
    wint_t code;
    UINT vk;
    unsigned modifiers;
};
const KeyCode kKeyCodes[] = {
    {KEY_UP, VK_UP, 0},
    {KEY_DOWN, VK_DOWN, 0},
    {KEY_LEFT, VK_LEFT, 0},
    {KEY_RIGHT, VK_RIGHT, 0},
    {KEY_SR, VK_UP, screen::kModShift},
    {KEY_SF, VK_DOWN, screen::kModShift},
    {KEY_SLEFT, VK_LEFT, screen::kModShift},
    {KEY_SRIGHT, VK_RIGHT, screen::kModShift},
    {KEY_HOME, VK_HOME, 0},
    {KEY_END, VK_END, 0},
    {KEY_NPAGE, VK_NEXT, 0},
    {KEY_PPAGE, VK_PRIOR, 0},
    {KEY_DC, VK_DELETE, 0},
    {KEY_BACKSPACE, VK_BACK, 0},
    {KEY_ENTER, VK_RETURN, 0},
    {KEY_BTAB, VK_TAB, screen::kModShift},
};

// Alt with an arrow, which ncurses reports by the terminal's extended key names.
struct NamedKey {
    const char* name;
    UINT vk;
};
const NamedKey kAltArrows[] = {
    {"kDN3", VK_DOWN},
    {"kUP3", VK_UP},
    {"kLFT3", VK_LEFT},
    {"kRIT3", VK_RIGHT},
};

// A key code of ncurses as a virtual key; false for codes that are no key.
bool MapKeyCode(wint_t code, UINT* vk, unsigned* modifiers) {
    for (const KeyCode& key : kKeyCodes) {
        if (key.code != code) continue;
        *vk = key.vk;
        *modifiers |= key.modifiers;
        return true;
    }
    if (code >= KEY_F(1) && code <= KEY_F(12)) {
        *vk = VK_F1 + (code - KEY_F(1));
        return true;
    }
    const char* name = keyname(static_cast<int>(code));
    if (!name) return false;
    for (const NamedKey& key : kAltArrows) {
        if (std::strcmp(name, key.name) != 0) continue;
        *vk = key.vk;
        *modifiers |= screen::kModAlt;
        return true;
    }
    return false;
}

// A typed character as a key.
void MapCharacter(wint_t ch, UINT* vk, char16_t* character, unsigned* modifiers) {
    *character = ch <= 0xFFFF ? static_cast<char16_t>(ch) : u'?';
    *vk = 0;
    if (ch == '\r' || ch == '\n')
        *vk = VK_RETURN, *character = u'\r';
    else if (ch == '\t')
        *vk = VK_TAB;
    else if (ch == 127 || ch == 8)
        *vk = VK_BACK, *character = 8;
    else if (ch == ' ')
        *vk = VK_SPACE;
    else if (ch >= 'a' && ch <= 'z')
        *vk = static_cast<UINT>(ch - 'a' + 'A');
    else if (ch >= 'A' && ch <= 'Z')
        *vk = static_cast<UINT>(ch), *modifiers |= screen::kModShift;
    else if (ch >= '0' && ch <= '9')
        *vk = static_cast<UINT>(ch);
    else if (ch >= 1 && ch <= 26) {
        *vk = static_cast<UINT>('A' + ch - 1);
        *character = 0;
        *modifiers |= screen::kModControl;
    }
}

// Raw keys without echo, the keypad's keys as codes, input without waiting, no cursor, the
// terminal's own colours; the mouse; and the sequences that reset the terminal at the end.
void SetUpScreen() {
    cbreak();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    nodelay(stdscr, TRUE);
    curs_set(0);
    if (has_colors()) {
        start_color();
        use_default_colors();
    }
    g_resetLength = 0;
    StartMouse();
    AppendReset(Capability("sgr0"));
    AppendReset(Capability("cnorm"));
    AppendReset(Capability("rmkx"));
    AppendReset(Capability("rmcup"));
}

// Restores the terminal when the program ends, also by a fatal signal.
void RestoreAtEnd() {
    std::atexit(RestoreAtExit);
    for (int signal : kFatalSignals) {
        struct sigaction action {};
        action.sa_handler = OnFatalSignal;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
    }
}

}  // namespace

bool Terminal::Usable(std::string* whyNot) {
    auto refuse = [whyNot](std::string reason) {
        *whyNot = std::move(reason);
        return false;
    };
    if (g_open) return refuse("the terminal is in use");
    if (!isatty(STDIN_FILENO)) return refuse("standard input is not a terminal");
    if (!isatty(STDOUT_FILENO)) return refuse("standard output is not a terminal");
    const char* term = std::getenv("TERM");
    if (!term || !*term) return refuse("TERM is not set");
    termios modes{};
    if (tcgetattr(STDIN_FILENO, &modes) != 0) return refuse("the terminal cannot be read");
    // Its description too: newterm would take over a terminal that cannot place its cursor, and
    // leave memory behind for a type it does not know.
    return UsableTerminalType(term, whyNot);
}

std::unique_ptr<Terminal> Terminal::Open(std::string* whyNot) {
    if (!Usable(whyNot)) return nullptr;
    if (tcgetattr(STDIN_FILENO, &g_savedModes) != 0) {
        *whyNot = "the terminal cannot be read";
        return nullptr;
    }
    std::setlocale(LC_CTYPE, "");
    const char* codeset = nl_langinfo(CODESET);
    g_unicode =
        codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
    if (!std::getenv("ESCDELAY")) set_escdelay(25);
    g_screen = newterm(nullptr, stdout, stdin);
    if (!g_screen) {
        *whyNot = "the terminal cannot be set up";
        return nullptr;
    }
    set_term(g_screen);
    SetUpScreen();
    g_open = true;
    HoldStandardError();
    static const bool registered = [] {
        RestoreAtEnd();
        return true;
    }();
    (void)registered;
    return std::unique_ptr<Terminal>(new Terminal());
}

Terminal::~Terminal() { RestoreAtExit(); }

int Terminal::InputFd() const { return STDIN_FILENO; }

void Terminal::Size(int* columns, int* rows) const {
    int y = 0;
    int x = 0;
    getmaxyx(stdscr, y, x);
    *columns = x > 0 ? x : 80;
    *rows = y > 1 ? y : 25;
}

bool Terminal::HasColors() const { return has_colors(); }

void Terminal::ReadInput(std::deque<InputEvent>* input, bool* resized) {
    for (;;) {
        wint_t ch = 0;
        const int kind = wget_wch(stdscr, &ch);
        if (kind == ERR) return;
        UINT vk = 0;
        char16_t character = 0;
        unsigned modifiers = 0;
        if (kind == KEY_CODE_YES) {
            if (ch == KEY_RESIZE) {
                *resized = true;
            } else if (ch == KEY_MOUSE) {
                PushMouse(input);
            } else if (MapKeyCode(ch, &vk, &modifiers)) {
                Push(input, vk, 0, modifiers);
            }
            continue;
        }
        if (ch == 0x1B) {
            // Escape alone (also before the mouse's event), or Alt with the key that follows at
            // once.
            wint_t next = 0;
            const int nextKind = wget_wch(stdscr, &next);
            if (nextKind == ERR || (nextKind == KEY_CODE_YES && next == KEY_MOUSE)) {
                Push(input, VK_ESCAPE, 0x1B, 0);
                if (nextKind != ERR) PushMouse(input);
                continue;
            }
            modifiers = screen::kModAlt;
            if (nextKind == KEY_CODE_YES) {
                if (MapKeyCode(next, &vk, &modifiers)) Push(input, vk, 0, modifiers);
                continue;
            }
            ch = next;
        }
        MapCharacter(ch, &vk, &character, &modifiers);
        Push(input, vk, character, modifiers);
    }
}

void Terminal::Render(const std::vector<screen::Cell>& cells, int columns, int rows, int caretX,
                      int caretY) {
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < columns; ++x) {
            const screen::Cell& cell = cells[static_cast<size_t>(y) * columns + x];
            const char16_t ch = g_unicode ? cell.ch : AsciiOf(cell.ch);
            wchar_t text[2] = {static_cast<wchar_t>(ch), 0};
            cchar_t out;
            setcchar(&out, text, AttributesOf(cell.attr), PairFor(cell.fg, cell.bg), nullptr);
            mvadd_wch(y, x, &out);
        }
    }
    if (caretX >= 0 && caretY >= 0) {
        curs_set(1);
        move(caretY, caretX);
    } else {
        curs_set(0);
    }
    refresh();
}

}  // namespace ce::win
