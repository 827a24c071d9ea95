// cedevice: creates, inspects and scripts a simulated device.
#include <CePlatform/Device.h>
#include <CePlatform/RegFile.h>
#include <CePlatform/Unicode.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "ChangeFiles.h"
#include "Json.h"
#include "Snapshots.h"
#include "StartMenu.h"

namespace {

constexpr const char* kUsage =
    R"(usage: cedevice [--device DIR] [--json] COMMAND ...

Commands:
  init [--edition smartphone|pocketpc|other] [--os MAJOR.MINOR[.BUILD]] [--empty]
                          create a device (seeded with a new phone's registry unless --empty)
  info                    show the device's profile and paths
  reg export [KEY]        write the registry, or one key and its subkeys, as a REGEDIT4 file;
                          a key or value whose name holds a line break is left out, named on
                          standard error, and the status is 1
  reg import FILE         apply a REGEDIT4 file ('-' reads standard input), all or nothing;
                          a regular file or standard input of at most 64 MiB, in UTF-8 or
                          UTF-16LE; an unknown escape is kept as written, with a warning
  reg query KEY [VALUE]   show one key's values, or one value ('@' is the default value)
  profile set bluetooth MODE
                          set the Bluetooth radio's mode (0 off, 1 connectable, 2 discoverable)
  profile set module NAME on|off
                          give the device an optional module or stream device, or take it away
  fs ls [PATH]            list a folder of the device's file system (the root by default);
                          a symbolic link is listed as <link>, never followed
  fs cat PATH             write a file of the device's file system to standard output
  journal                 list the device's physical events
  changes [--since SEQ]   list the registry changes
  changes [--since SEQ] --reg|--format reg|provxml [--undo]
                          write the net change since SEQ (0: since the log began) as a REGEDIT4
                          file or as provisioning XML; with --undo the file that takes the
                          registry back to SEQ. What the file cannot carry is left out, named
                          on standard error, and the status is 1
  install                 place the application and its Start-menu entry on the device
  start-menu              list the entries of the Start menu and its Programs folder, with targets
  tap NAME                do what tapping the Start-menu entry NAME does (its file name, with or
                          without .lnk, in any case; the Start menu is searched before Programs)
  tweaks [--ids]          list the catalogue as this device sees it (--ids adds the tweak IDs);
                          building the catalogue creates the tweaks' own store keys, as any start
                          of the application does, and the change log shows them
  snapshot save NAME      save the whole device (registry, profile, logs, file system) as NAME
  snapshot list           list the snapshots: name, time, size, change sequence number
  snapshot restore NAME   put the whole device back as it was saved, as one step; refused while
                          the tweak manager runs on the device
  snapshot delete NAME    delete a snapshot

--json makes info, journal, changes, start-menu, tweaks and snapshot list write one JSON document.

The device is the folder given with --device, else $CE_DEVICE, else the default device
(created on first use). Keys are written HKEY_LOCAL_MACHINE\Path or HKLM\Path (HKCU, HKCR).
Device paths are written \Windows\Start Menu (or with /), matched without regard to case.
)";

// Bad command-line usage: exits with status 2.
struct UsageError {
    std::string message;
};

// A failure to report: exits with status 1.
struct Failure {
    std::string message;
};

struct Options {
    std::optional<std::string> device;
    bool json = false;
    std::vector<std::string> args;  // the command and its arguments
};

Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--device") {
            if (i + 1 >= argc) throw UsageError{"--device needs a folder"};
            o.device = argv[++i];
        } else if (arg.rfind("--device=", 0) == 0) {
            o.device = arg.substr(9);
        } else if (arg == "--json") {
            o.json = true;
            continue;
        } else {
            o.args.push_back(arg);
            continue;
        }
        if (o.device->empty()) throw UsageError{"--device needs a folder"};
    }
    return o;
}

// The value of an option written "--name VALUE" or "--name=VALUE" at args[*i]; nullopt when
// args[*i] is another argument.
std::optional<std::string> OptionValue(const std::vector<std::string>& args, size_t* i,
                                       const std::string& name) {
    const std::string& arg = args[*i];
    if (arg == name) {
        if (*i + 1 >= args.size()) throw UsageError{name + " needs a value"};
        return args[++*i];
    }
    if (arg.rfind(name + "=", 0) == 0) return arg.substr(name.size() + 1);
    return std::nullopt;
}

bool ParseNumber(const std::string& text, uint64_t max, uint64_t* out) {
    if (text.empty()) return false;
    uint64_t n = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size() || n > max) return false;
    *out = n;
    return true;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The device for every command but init: the named folder must hold a device; the default one
// is created when it is missing.
ce::Device& OpenDevice(const Options& o) {
    if (o.device) {
        ce::UseDevice(*o.device);
    } else if (const char* env = std::getenv("CE_DEVICE"); env != nullptr && *env != '\0') {
        ce::UseDevice(env);
    }
    return ce::CurrentDevice();
}

void ParseKey(const std::string& text, ce::RootKey* root, std::u16string* path) {
    if (!ce::ParseKeyName(text, root, path)) {
        throw Failure{"not a key name: \"" + text +
                      "\" (it must start with HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, "
                      "HKEY_CLASSES_ROOT, HKLM, HKCU or HKCR)"};
    }
}

void RequireKey(const ce::Device& device, ce::RootKey root, const std::u16string& path) {
    if (!device.KeyExists(root, path)) throw Failure{"no such key: " + ce::KeyName(root, path)};
}

// Hex data on one line: the continuations that FormatValueData inserts are taken out.
std::string OneLine(const std::string& text) {
    std::string out;
    size_t from = 0;
    for (size_t pos; (pos = text.find("\\\n  ", from)) != std::string::npos; from = pos + 4) {
        out.append(text, from, pos - from);
    }
    return out.append(text, from, std::string::npos);
}

std::string QuotedName(const std::u16string& name) {
    if (name.empty()) return "@";
    // FormatValueLine quotes the name as a file does; the data part is cut off.
    const std::string line = ce::FormatValueLine({name, 4, {0, 0, 0, 0}});
    return line.substr(0, line.rfind("=dword:"));
}

int Init(const Options& o, size_t first) {
    ce::Profile profile;
    bool seed = true;
    const auto& args = o.args;
    for (size_t i = first; i < args.size(); ++i) {
        if (auto edition = OptionValue(args, &i, "--edition")) {
            const std::string e = Lower(*edition);
            if (e == "smartphone") {
                profile.platform = "SmartPhone";
            } else if (e == "pocketpc") {
                profile.platform = "PocketPC";
            } else if (e == "other") {
                profile.platform = "Other";
            } else {
                throw UsageError{"unknown edition \"" + *edition +
                                 "\" (smartphone, pocketpc or other)"};
            }
        } else if (auto os = OptionValue(args, &i, "--os")) {
            std::vector<std::string> parts;
            std::stringstream ss(*os);
            for (std::string part; std::getline(ss, part, '.');) parts.push_back(part);
            uint64_t n[3] = {0, 0, profile.osBuild};
            bool ok = (parts.size() == 2 || parts.size() == 3) && os->back() != '.';
            for (size_t p = 0; ok && p < parts.size(); ++p) {
                ok = ParseNumber(parts[p], 0xFFFFFFFFu, &n[p]);
            }
            if (!ok) throw UsageError{"bad OS version \"" + *os + "\" (MAJOR.MINOR[.BUILD])"};
            profile.osMajor = static_cast<uint32_t>(n[0]);
            profile.osMinor = static_cast<uint32_t>(n[1]);
            profile.osBuild = static_cast<uint32_t>(n[2]);
        } else if (args[i] == "--empty") {
            seed = false;
        } else {
            throw UsageError{"init: unexpected argument \"" + args[i] + "\""};
        }
    }
    const std::filesystem::path folder =
        o.device ? std::filesystem::path(*o.device) : ce::SelectedDevicePath();
    ce::CreateDevice(folder, profile, seed);
    std::cout << "created " << (seed ? "a" : "an empty") << ' ' << profile.platform << ' '
              << profile.osMajor << '.' << profile.osMinor << '.' << profile.osBuild
              << " device in " << folder.string() << '\n';
    return 0;
}

std::string BluetoothModeName(uint32_t mode) {
    switch (mode) {
        case 0:
            return "(off)";
        case 1:
            return "(connectable)";
        case 2:
            return "(discoverable)";
        default:
            return "(unknown mode)";
    }
}

int ProfileSet(const Options& o, const std::vector<std::string>& args) {
    if (args.empty() || args[0] != "set") throw UsageError{"profile needs a subcommand: set"};
    if (args.size() == 3 && args[1] == "bluetooth") {
        uint32_t mode = 0;
        const std::string& text = args[2];
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), mode);
        if (ec != std::errc() || end != text.data() + text.size()) {
            throw UsageError{"bad Bluetooth mode \"" + text +
                             "\" (a number: 0 off, 1 connectable, "
                             "2 discoverable)"};
        }
        OpenDevice(o).UpdateProfile([&](ce::Profile& p) { p.bluetoothMode = mode; });
        return 0;
    }
    if (args.size() == 4 && args[1] == "module") {
        const auto& known = ce::KnownModules();
        auto found = std::find_if(known.begin(), known.end(),
                                  [&](const std::string& m) { return Lower(m) == Lower(args[2]); });
        if (found == known.end()) {
            std::string names;
            for (const std::string& m : known) names += (names.empty() ? "" : ", ") + m;
            throw UsageError{"unknown module \"" + args[2] + "\" (known: " + names + ")"};
        }
        if (args[3] != "on" && args[3] != "off") {
            throw UsageError{"profile set module takes on or off, not \"" + args[3] + "\""};
        }
        OpenDevice(o).UpdateProfile([&](ce::Profile& p) {
            std::erase_if(p.modules,
                          [&](const std::string& m) { return Lower(m) == Lower(*found); });
            if (args[3] == "on") p.modules.push_back(*found);
        });
        return 0;
    }
    throw UsageError{"profile set takes \"bluetooth MODE\" or \"module NAME on|off\""};
}

int Files(const Options& o, const std::vector<std::string>& args) {
    if (args.empty()) throw UsageError{"fs needs a subcommand: ls or cat"};
    const std::string& sub = args[0];
    if (sub != "ls" && sub != "cat") throw UsageError{"unknown fs subcommand \"" + sub + "\""};
    if (sub == "ls" ? args.size() > 2 : args.size() != 2) {
        throw UsageError{sub == "ls" ? "fs ls takes at most one path" : "fs cat takes one path"};
    }
    const std::string path = args.size() > 1 ? args[1] : "\\";
    ce::Device& device = OpenDevice(o);
    if (sub == "cat") {
        std::cout << device.ReadFile(ce::FromUtf8(path));
        return 0;
    }
    // A size, "<dir>" or "<link>" (never followed), or "?" for anything else.
    std::vector<std::pair<std::string, std::string>> lines;  // sort key, line
    for (const ce::FileEntry& entry : device.ListFiles(ce::FromUtf8(path))) {
        std::string line;
        switch (entry.kind) {
            case ce::FileEntry::kFile:
                line = std::to_string(entry.size) + "\t" + entry.name;
                break;
            case ce::FileEntry::kFolder:
                line = "<dir>\t" + entry.name + "\\";
                break;
            case ce::FileEntry::kLink:
                line = "<link>\t" + entry.name;
                break;
            case ce::FileEntry::kOther:
                line = "?\t" + entry.name;
                break;
        }
        lines.emplace_back(Lower(entry.name), std::move(line));
    }
    std::sort(lines.begin(), lines.end());
    for (const auto& line : lines) std::cout << line.second << '\n';
    return 0;
}

int Info(const Options& o) {
    ce::Device& device = OpenDevice(o);
    const ce::Profile p = device.GetProfile();
    if (o.json) return PrintInfoJson(device, p);
    std::cout << "device:    " << device.Folder().string() << '\n'
              << "database:  " << device.DatabasePath().string() << '\n'
              << "files:     " << device.FilesRoot().string() << '\n'
              << "platform:  " << p.platform << '\n'
              << "os:        " << p.osMajor << '.' << p.osMinor << " (build " << p.osBuild << ")\n"
              << "bluetooth: " << p.bluetoothMode << ' ' << BluetoothModeName(p.bluetoothMode)
              << '\n';
    for (const std::string& module : ce::KnownModules()) {
        std::cout << "module:    " << module << (p.HasModule(module) ? " present" : " absent")
                  << '\n';
    }
    return 0;
}

int Export(const Options& o, const std::vector<std::string>& args) {
    if (args.size() > 1) throw UsageError{"reg export takes at most one key"};
    ce::Device& device = OpenDevice(o);
    std::vector<ce::RegKey> keys;
    if (args.empty()) {
        keys = device.ExportKeys();
    } else {
        ce::RootKey root;
        std::u16string path;
        ParseKey(args[0], &root, &path);
        RequireKey(device, root, path);
        keys = device.ExportKeys(root, path);
    }
    // A name that the file cannot carry is left out with its key or value; the rest is whole.
    std::vector<std::string> leftOut;
    std::cout << ce::FormatRegFile(keys, &leftOut);
    for (const std::string& what : leftOut) {
        std::cerr << "cedevice: left out " << what << " (a registry file cannot carry its name)\n";
    }
    return leftOut.empty() ? 0 : 1;
}

// The most that reg import reads: far above any real registry (a whole phone's is some hundred
// kilobytes), so that something that never ends is refused instead of read until memory runs out.
constexpr size_t kMaxImportBytes = size_t{64} << 20;

// A regular file, or standard input, of at most kMaxImportBytes.
std::string ReadInput(const std::string& file) {
    const std::string shown = file == "-" ? "standard input" : file;
    int fd = STDIN_FILENO;
    if (file != "-") {
        // O_NONBLOCK: opening a pipe would wait for a writer; it is refused below in any case.
        fd = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) throw Failure{"cannot read " + file + ": " + std::strerror(errno)};
        struct stat st {};
        const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
        if (!regular || fcntl(fd, F_SETFL, 0) != 0) {
            close(fd);
            throw Failure{"cannot read " + file +
                          (S_ISDIR(st.st_mode) ? ": it is a folder"
                                               : ": only a regular file or standard input "
                                                 "('-') is imported")};
        }
    }
    std::string text;
    char buffer[65536];
    ssize_t got = 0;
    while (text.size() <= kMaxImportBytes &&
           ((got = read(fd, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))) {
        if (got > 0) text.append(buffer, static_cast<size_t>(got));
    }
    const int error = errno;
    if (fd != STDIN_FILENO) close(fd);
    if (text.size() > kMaxImportBytes) {
        throw Failure{shown + " holds more than 64 MiB, the most that reg import reads" +
                      " (nothing imported)"};
    }
    if (got < 0) throw Failure{"cannot read " + shown + ": " + std::strerror(error)};
    return text;
}

int Import(const Options& o, const std::vector<std::string>& args) {
    if (args.size() != 1) throw UsageError{"reg import takes one file ('-' for standard input)"};
    const std::string text = ReadInput(args[0]);
    const std::string shown = args[0] == "-" ? std::string("standard input") : args[0];
    std::vector<ce::RegFileOp> ops;
    std::vector<std::string> warnings;
    try {
        ops = ce::ParseRegFile(text, &warnings);
    } catch (const ce::RegFileError& e) {
        throw Failure{shown + ": " + e.what() + " (nothing imported)"};
    }
    for (const std::string& warning : warnings) {
        std::cerr << "cedevice: " << shown << ": " << warning << '\n';
    }
    OpenDevice(o).Import(ops);
    return 0;
}

int Query(const Options& o, const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2) throw UsageError{"reg query takes a key and a value"};
    ce::RootKey root;
    std::u16string path;
    ParseKey(args[0], &root, &path);
    ce::Device& device = OpenDevice(o);
    RequireKey(device, root, path);
    const ce::RegKey key = device.ReadKey(root, path);
    if (args.size() == 1) {
        std::cout << '[' << ce::KeyName(key.root, key.path) << "]\n";
        for (const ce::RegValue& value : key.values)
            std::cout << ce::FormatValueLine(value) << '\n';
        return 0;
    }
    const std::u16string name = args[1] == "@" ? u"" : ce::FromUtf8(args[1]);
    const std::u16string fold = ce::FoldCase(name);
    for (const ce::RegValue& value : key.values) {
        if (ce::FoldCase(value.name) == fold) {
            std::cout << ce::FormatValueLine(value) << '\n';
            return 0;
        }
    }
    throw Failure{"no value " +
                  (name.empty() ? std::string("@ (the default value)") : "\"" + args[1] + "\"") +
                  " under " + ce::KeyName(key.root, key.path)};
}

int Journal(const Options& o, const std::vector<std::string>& args) {
    if (!args.empty()) throw UsageError{"journal takes no arguments"};
    const std::vector<ce::JournalEntry> journal = OpenDevice(o).Journal();
    if (o.json) return PrintJournalJson(journal);
    for (const ce::JournalEntry& e : journal) {
        std::cout << e.seq << ' ' << e.time << ' ' << e.pid << ' ' << e.event << '\n';
    }
    return 0;
}

std::string DataText(const std::optional<ce::RegValue>& value) {
    return value ? OneLine(ce::FormatValueData(value->type, value->data)) : "(absent)";
}

int Changes(const Options& o, const std::vector<std::string>& args) {
    int64_t since = 0;
    std::optional<ChangeFileFormat> format;  // a change file instead of the list
    bool undo = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (auto text = OptionValue(args, &i, "--since")) {
            uint64_t n = 0;
            if (!ParseNumber(*text, INT64_MAX, &n)) {
                throw UsageError{"--since needs a sequence number, not \"" + *text + "\""};
            }
            since = static_cast<int64_t>(n);
        } else if (auto name = OptionValue(args, &i, "--format")) {
            if (*name != "reg" && *name != "provxml") {
                throw UsageError{"unknown change file format \"" + *name + "\" (reg or provxml)"};
            }
            format = *name == "reg" ? ChangeFileFormat::kReg : ChangeFileFormat::kProvXml;
        } else if (args[i] == "--reg") {
            format = ChangeFileFormat::kReg;
        } else if (args[i] == "--undo") {
            undo = true;
        } else {
            throw UsageError{"changes: unexpected argument \"" + args[i] + "\""};
        }
    }
    if (undo && !format) format = ChangeFileFormat::kReg;
    if (format && o.json) throw UsageError{"changes: --json lists the changes; a change file has a format of its own"};
    if (format) return WriteChangeFile(OpenDevice(o), since, *format, undo);
    const std::vector<ce::Change> changes = OpenDevice(o).Changes(since);
    if (o.json) return PrintChangesJson(changes);
    for (const ce::Change& c : changes) {
        std::cout << c.seq << ' ' << c.time << ' ' << c.pid << ' ';
        if (c.kind == ce::Change::kRestore) {
            std::cout << "device restored to snapshot " << c.snapshot << '\n';
            continue;
        }
        std::cout << c.key << ' ';
        switch (c.kind) {
            case ce::Change::kCreateKey:
                std::cout << "(key created)";
                break;
            case ce::Change::kDeleteKey:
                std::cout << "(key deleted)";
                break;
            case ce::Change::kRestore:  // written above
                break;
            case ce::Change::kSetValue:
            case ce::Change::kDeleteValue:
                std::cout << QuotedName(c.valueName) << ' ' << DataText(c.before) << " -> "
                          << DataText(c.after);
                break;
        }
        std::cout << '\n';
    }
    return 0;
}

int Snapshot(const Options& o, const std::vector<std::string>& args) {
    if (args.empty())
        throw UsageError{"snapshot needs a subcommand: save, list, restore or delete"};
    const std::string& sub = args[0];
    if (sub == "list") {
        if (args.size() != 1) throw UsageError{"snapshot list takes no arguments"};
        return ListSnapshots(OpenDevice(o), o.json);
    }
    if (sub != "save" && sub != "restore" && sub != "delete") {
        throw UsageError{"unknown snapshot subcommand \"" + sub + "\""};
    }
    if (args.size() != 2) throw UsageError{"snapshot " + sub + " takes one name"};
    ce::Device& device = OpenDevice(o);
    if (sub == "save") return SaveSnapshot(device, args[1]);
    if (sub == "restore") return RestoreSnapshot(device, args[1]);
    return DeleteSnapshot(device, args[1]);
}

// Whether the command writes a JSON document with --json.
bool TakesJson(const std::vector<std::string>& args) {
    for (const char* command : {"info", "journal", "changes", "start-menu", "tweaks"}) {
        if (args[0] == command) return true;
    }
    return args[0] == "snapshot" && args.size() > 1 && args[1] == "list";
}

int Run(const Options& o) {
    const auto& args = o.args;
    if (args.empty()) throw UsageError{"no command given"};
    const std::string& command = args[0];
    if (command == "help" ||
        std::any_of(args.begin(), args.end(), [](const std::string& a) { return a == "--help"; })) {
        std::cout << kUsage;
        return 0;
    }
    if (o.json && !TakesJson(args)) {
        throw UsageError{
            "--json is taken by info, journal, changes, start-menu, tweaks and "
            "snapshot list"};
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "init") return Init(o, 1);
    if (command == "info") {
        if (!rest.empty()) throw UsageError{"info takes no arguments"};
        return Info(o);
    }
    if (command == "journal") return Journal(o, rest);
    if (command == "profile") return ProfileSet(o, rest);
    if (command == "fs") return Files(o, rest);
    if (command == "changes") return Changes(o, rest);
    if (command == "install" || command == "start-menu") {
        if (!rest.empty()) throw UsageError{command + " takes no arguments"};
        ce::Device& device = OpenDevice(o);
        if (command == "install") return InstallApplication(device);
        return o.json ? PrintStartMenuJson(StartMenuItems(device)) : ListStartMenu(device);
    }
    if (command == "tap") {
        if (rest.size() != 1) throw UsageError{"tap takes one Start-menu entry's name"};
        return TapStartMenuEntry(OpenDevice(o), rest[0]);
    }
    if (command == "tweaks") {
        if (rest.size() > 1 || (rest.size() == 1 && rest[0] != "--ids")) {
            throw UsageError{"tweaks takes only --ids"};
        }
        ce::Device& device = OpenDevice(o);
        return o.json ? PrintTweaksJson(TweakRows(device))
                      : ListTweaks(device, !rest.empty());
    }
    if (command == "snapshot") return Snapshot(o, rest);
    if (command == "reg") {
        if (rest.empty()) throw UsageError{"reg needs a subcommand: export, import or query"};
        const std::vector<std::string> regArgs(rest.begin() + 1, rest.end());
        if (rest[0] == "export") return Export(o, regArgs);
        if (rest[0] == "import") return Import(o, regArgs);
        if (rest[0] == "query") return Query(o, regArgs);
        throw UsageError{"unknown reg subcommand \"" + rest[0] + "\""};
    }
    throw UsageError{"unknown command \"" + command + "\""};
}

}  // namespace

int main(int argc, char** argv) {
    int status = 1;
    try {
        const Options options = ParseOptions(argc, argv);
        status = Run(options);
    } catch (const UsageError& e) {
        std::cerr << "cedevice: " << e.message << "\nTry 'cedevice --help'.\n";
        return 2;
    } catch (const Failure& e) {
        std::cerr << "cedevice: " << e.message << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "cedevice: " << e.what() << '\n';
        return 1;
    } catch (...) {
        std::cerr << "cedevice: unexpected error\n";
        return 1;
    }
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "cedevice: cannot write the output\n";
        return 1;
    }
    return status;
}
