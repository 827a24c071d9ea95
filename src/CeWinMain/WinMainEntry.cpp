// The device's entry of a windowed program. The shell starts a program with its instance handle,
// no previous instance, the command line after the program's name and the show state; here the
// command line is the program's arguments joined by single blanks, as wide text, taken whole: no
// trimming, unquoting or splitting beyond what the host's shell did. No argument is the empty
// command line.
#include <CePlatform/Unicode.h>
#include <windows.h>

#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::string joined;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) joined += ' ';
        joined += argv[i];
    }
    std::u16string commandLine = ce::FromUtf8(joined);
    std::vector<WCHAR> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(0);
    return WinMain(GetModuleHandleW(nullptr), nullptr, buffer.data(), SW_SHOW);
}
