// The Start menu as the device's shell sees it: its entries are shortcut files, "N#target" in
// the device's single-byte text, in the Start menu and its Programs folder. Whatever a shortcut
// holds, nothing of the host is run: the one program that starts is this machine's Fennaro,
// standing for the application installed on the device.
#include "StartMenu.h"

#include <CePlatform/Unicode.h>
#include <Lorrimek/TweakersFactory.h>
#include <ProductLayout/Categories.h>
#include <ProductLayout/Install.h>
#include <ProductLayout/Store.h>
#include <shellapi.h>
#include <shlobj.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "DeviceServices.h"

namespace fs = std::filesystem;

namespace {

// A shortcut file is small: a longer one is refused unread.
constexpr size_t kMaxShortcutBytes = 4096;
const std::u16string kSettingsProgram = u"\\Windows\\settings.exe";
// The installed program is a marker: `tap` runs the Fennaro built beside the device tool.
constexpr char kMarkerText[] =
    "Stands for the installed Fennaro; cedevice tap runs the Fennaro built beside cedevice.\n";

std::string Utf8(std::u16string_view text) { return ce::ToUtf8(text); }

bool SameText(std::u16string_view a, std::u16string_view b) {
    return ce::FoldCase(a) == ce::FoldCase(b);
}

// Whether the application's entries lie in the Start menu itself, as the application decides it.
bool IsSmartphone() { return GetPlatformType() == kPlatformSmartphone; }

// One Start-menu entry: a file named *.lnk in one of the two folders.
struct SEntry {
    std::u16string name;
    std::u16string devicePath;
    ce::FileEntry::Kind kind;
};

// A shortcut file's target (the text after "#"), or why the file is no shortcut.
struct SShortcut {
    std::u16string target;
    std::string problem;  // "" for a shortcut
};

// A target as the shell starts it: the program, in double quotes or up to the first blank, then
// either the end or one blank and the argument, kept whole.
struct SCommand {
    std::u16string program;  // the whole target when it has no such form
    bool quoted = false;
    bool wellFormed = false;
    std::u16string argument;
};

// Text: no zero byte, no control character (C0, DEL or the Latin-1 C1 range).
bool IsText(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b >= 0x20 && (b < 0x7F || b >= 0xA0);
    });
}

SShortcut ParseShortcut(std::string_view bytes) {
    if (bytes.size() > kMaxShortcutBytes) return {{}, "it is over 4 KB"};
    if (!IsText(bytes)) return {{}, "it is not text"};
    // The count is not compared with the target: the catalogue's own links carry "00".
    const size_t hash = bytes.find('#');
    if (hash == 0 || hash == std::string_view::npos ||
        !std::all_of(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(hash),
                     [](char c) { return c >= '0' && c <= '9'; })) {
        return {{}, "it has no decimal count before \"#\""};
    }
    if (hash + 1 == bytes.size()) return {{}, "it has no target after \"#\""};
    // The device's single-byte text is Latin-1.
    std::u16string target;
    for (const char c : bytes.substr(hash + 1)) target += static_cast<unsigned char>(c);
    return {target, ""};
}

// Reads at most 4 KB + 1 bytes of a regular file through the device's own file functions;
// anything else (a link, a pipe, a device) is refused without being followed or waited for.
SShortcut ReadShortcut(const ce::Device& device, const std::u16string& devicePath,
                       ce::FileEntry::Kind kind) {
    if (kind == ce::FileEntry::kLink) return {{}, "it is a symbolic link"};
    if (kind != ce::FileEntry::kFile) return {{}, "it is not a regular file"};
    try {
        return ParseShortcut(device.ReadFile(devicePath, kMaxShortcutBytes + 1));
    } catch (const ce::DeviceError& e) {
        return {{}, std::string("it cannot be read: ") + e.what()};
    }
}

// What stands at a device path: the kind of its entry in its folder, or nothing.
std::optional<ce::FileEntry::Kind> EntryKind(const ce::Device& device,
                                             const std::u16string& devicePath) {
    const size_t slash = devicePath.rfind(u'\\');
    const std::u16string folder = slash == std::u16string::npos ? u"" : devicePath.substr(0, slash);
    const std::u16string name = devicePath.substr(slash == std::u16string::npos ? 0 : slash + 1);
    try {
        for (const ce::FileEntry& entry : device.ListFiles(folder)) {
            if (SameText(ce::FromUtf8(entry.name), name)) return entry.kind;
        }
    } catch (const ce::DeviceError&) {
        // No such folder.
    }
    return std::nullopt;
}

SCommand SplitTarget(std::u16string_view target) {
    SCommand command;
    size_t end = 0;  // where the program ends
    if (target.front() == u'"') {
        end = target.find(u'"', 1);
        if (end == std::u16string_view::npos) {
            command.program = target;
            return command;
        }
        command.program = target.substr(1, end - 1);
        command.quoted = true;
        ++end;
    } else {
        end = std::min(target.find(u' '), target.size());
        command.program = target.substr(0, end);
    }
    if (end < target.size()) {
        if (target[end] != u' ') {
            command.program = target;
            return command;
        }
        command.argument = target.substr(end + 1);
    }
    command.wellFormed = true;
    return command;
}

// The entries of one special folder, sorted without regard to case (then by their exact name,
// so that the order is fixed); none when the folder is missing.
std::vector<SEntry> FolderEntries(const ce::Device& device, int folder) {
    const std::u16string folderPath = SpecialFolderPath(folder);
    std::vector<SEntry> entries;
    std::vector<ce::FileEntry> found;
    try {
        found = device.ListFiles(folderPath);
    } catch (const ce::DeviceError&) {
        return entries;  // no such folder
    }
    for (const ce::FileEntry& entry : found) {
        if (entry.kind == ce::FileEntry::kFolder) continue;
        const std::u16string name = ce::FromUtf8(entry.name);
        const std::u16string_view extension = kShortcutExtension;
        if (name.size() < extension.size() ||
            !SameText(std::u16string_view(name).substr(name.size() - extension.size()),
                      extension)) {
            continue;
        }
        entries.push_back({name, folderPath + u"\\" + name, entry.kind});
    }
    std::sort(entries.begin(), entries.end(), [](const SEntry& a, const SEntry& b) {
        const std::u16string foldA = ce::FoldCase(a.name), foldB = ce::FoldCase(b.name);
        return foldA != foldB ? foldA < foldB : a.name < b.name;
    });
    return entries;
}

// The Start menu's entries, then those of its Programs folder.
std::vector<SEntry> StartMenuEntries(const ce::Device& device) {
    std::vector<SEntry> entries = FolderEntries(device, CSIDL_STARTMENU);
    std::vector<SEntry> programs = FolderEntries(device, CSIDL_PROGRAMS);
    entries.insert(entries.end(), programs.begin(), programs.end());
    return entries;
}

void CreateShortcut(const std::u16string& path, const std::u16string& target) {
    // The shell takes writable buffers; it changes neither.
    std::u16string pathText = path, targetText = target;
    if (!SHCreateShortcut(pathText.data(), targetText.data())) {
        throw std::runtime_error("cannot create the Start-menu entry " + Utf8(path) + " (error " +
                                 std::to_string(GetLastError()) + ")");
    }
}

// The Fennaro built beside this program.
fs::path FennaroProgram() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) throw std::runtime_error("cannot find the device tool's own folder: " + ec.message());
    const fs::path program = self.parent_path() / "Fennaro";
    if (access(program.c_str(), X_OK) != 0) {
        throw std::runtime_error("cannot start the application: " + program.string() + ": " +
                                 std::strerror(errno) + " (Fennaro is built beside cedevice)");
    }
    return program;
}

// Runs `program` in this terminal on the device in `deviceFolder`, with `commandLine` as its one
// argument (none when it is empty), and returns its exit status, 128 + the signal's number when
// a signal ended it.
int RunOnDevice(const fs::path& program, const fs::path& deviceFolder,
                const std::u16string& commandLine) {
    const std::string argument = Utf8(commandLine);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    if (!argument.empty()) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    if (setenv("CE_DEVICE", deviceFolder.c_str(), 1) != 0) {
        throw std::runtime_error(std::string("cannot set CE_DEVICE: ") + std::strerror(errno));
    }
    std::cout.flush();
    std::fflush(nullptr);
    // As a shell waits for its foreground job: an interrupt typed in the terminal is the
    // program's to handle, and this process still reports how it ended.
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    struct sigaction oldInterrupt = {}, oldQuit = {};
    sigaction(SIGINT, &ignore, &oldInterrupt);
    sigaction(SIGQUIT, &ignore, &oldQuit);
    const pid_t child = fork();
    if (child == 0) {
        sigaction(SIGINT, &oldInterrupt, nullptr);
        sigaction(SIGQUIT, &oldQuit, nullptr);
        // Only the standard streams are handed over (the device's own files are opened
        // close-on-exec as well).
        close_range(3, ~0U, 0);
        execv(argv[0], argv.data());
        constexpr char message[] = "cedevice: cannot start Fennaro\n";
        [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, message, sizeof(message) - 1);
        _exit(127);
    }
    int status = 0;
    pid_t waited = -1;
    if (child > 0) {
        while ((waited = waitpid(child, &status, 0)) < 0 && errno == EINTR) {
        }
    }
    const int error = errno;
    sigaction(SIGINT, &oldInterrupt, nullptr);
    sigaction(SIGQUIT, &oldQuit, nullptr);
    if (child < 0 || waited < 0) {
        throw std::runtime_error("cannot run " + program.string() + ": " + std::strerror(error));
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

int StartApplication(ce::Device& device, const SEntry& entry, const std::u16string& commandLine) {
    const std::u16string installed = ApplicationPath();
    if (EntryKind(device, installed) != ce::FileEntry::kFile) {
        throw std::runtime_error(Utf8(entry.devicePath) +
                                 " does not start: the application is not installed (" +
                                 Utf8(installed) + " is missing; cedevice install places it)");
    }
    const fs::path program = FennaroProgram();
    const fs::path folder = fs::absolute(device.Folder()).lexically_normal();
    // The application opens the device itself; this process keeps nothing of it open.
    ce::CloseDevice();
    return RunOnDevice(program, folder, commandLine);
}

int OpenSettings(ce::Device& device, const std::u16string& page) {
    const std::string event =
        page.empty() ? "settings opened" : "settings page " + Utf8(page) + " opened";
    device.AddJournalEntry(event);
    std::cout << event << '\n';
    return 0;
}

// Whether the tweak's first backup was taken: "BackupDone" of its settings key as the library
// reads it (up to four bytes, little-endian, not zero), read without creating anything.
bool BackupTaken(const ce::Device& device, const CWideString& id) {
    const std::u16string key = StoreKeyPath(kStoreSettings, id.View());
    if (!device.KeyExists(ce::RootKey::LocalMachine, key)) return false;
    for (const ce::RegValue& value : device.ReadKey(ce::RootKey::LocalMachine, key).values) {
        if (!SameText(value.name, kBackupDoneValue)) continue;
        if (value.data.size() > sizeof(uint32_t)) return false;
        uint32_t number = 0;
        if (!value.data.empty()) std::memcpy(&number, value.data.data(), value.data.size());
        return number != 0;
    }
    return false;
}

// A category's name, or its number when it has none.
std::string CategoryText(int category) {
    const LPCWSTR name = CategoryName(category);
    return name != nullptr ? Utf8(name) : std::to_string(category);
}

const char* YesNo(bool answer) { return answer ? "yes" : "no"; }

// Characters of a UTF-8 text.
size_t Width(std::string_view text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// Rows as aligned columns, two blanks apart, without trailing blanks.
void PrintColumns(const std::vector<std::vector<std::string>>& rows) {
    std::vector<size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], Width(row[i]));
    }
    for (const auto& row : rows) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line += std::string(widths[i] - Width(row[i]) + 2, ' ');
        }
        std::cout << line << '\n';
    }
}

}  // namespace

int InstallApplication(ce::Device& device) {
    const std::u16string programPath = ApplicationPath();
    std::error_code ec;
    if (EntryKind(device, programPath) == ce::FileEntry::kFile) {
        std::cout << "in place already: " << Utf8(programPath) << '\n';
    } else {
        const std::u16string folder = programPath.substr(0, programPath.rfind(u'\\'));
        fs::create_directories(device.HostPath(folder), ec);
        FILE* file = _wfopen(programPath.c_str(), u"w");
        bool written = file != nullptr && std::fputs(kMarkerText, file) >= 0;
        if (file != nullptr && std::fclose(file) != 0) written = false;
        if (!written) {
            throw std::runtime_error("cannot place " + Utf8(programPath) + ": " +
                                     (ec ? ec.message() : std::string(std::strerror(errno))));
        }
        std::cout << "placed " << Utf8(programPath) << '\n';
    }

    const std::u16string entryPath = ShortcutPath(IsSmartphone(), kInstallName);
    const std::u16string target = ApplicationCommand(u"");
    const std::string shown = Utf8(entryPath) + " -> " + Utf8(target);
    const std::optional<ce::FileEntry::Kind> entryKind = EntryKind(device, entryPath);
    if (!entryKind) {
        CreateShortcut(entryPath, target);
        std::cout << "placed " << shown << '\n';
    } else if (const SShortcut existing = ReadShortcut(device, entryPath, *entryKind);
               existing.problem.empty() && existing.target == target) {
        std::cout << "in place already: " << shown << '\n';
    } else {
        // An entry of this name that does not start the application is the installer's to
        // replace.
        DeleteFileW(entryPath.c_str());
        CreateShortcut(entryPath, target);
        std::cout << "replaced " << shown << '\n';
    }
    return 0;
}

std::vector<StartMenuItem> StartMenuItems(const ce::Device& device) {
    std::vector<StartMenuItem> items;
    for (const SEntry& entry : StartMenuEntries(device)) {
        SShortcut shortcut = ReadShortcut(device, entry.devicePath, entry.kind);
        items.push_back(
            {entry.devicePath, std::move(shortcut.target), std::move(shortcut.problem)});
    }
    return items;
}

int ListStartMenu(ce::Device& device) {
    for (const StartMenuItem& item : StartMenuItems(device)) {
        std::cout << Utf8(item.path);
        if (item.problem.empty()) {
            std::cout << " -> " << Utf8(item.target) << '\n';
        } else {
            std::cout << " (not a shortcut: " << item.problem << ")\n";
        }
    }
    return 0;
}

int TapStartMenuEntry(ce::Device& device, const std::string& name) {
    // The name as the user reads it: a toggle shortcut's file has "-" where its tweak has "/".
    const std::u16string wanted = ce::FoldCase(ShortcutFileName(ce::FromUtf8(name)));
    const std::u16string wantedWithExtension = wanted + ce::FoldCase(kShortcutExtension);
    const std::vector<SEntry> entries = StartMenuEntries(device);
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const SEntry& entry) {
        const std::u16string fold = ce::FoldCase(entry.name);
        return fold == wanted || fold == wantedWithExtension;
    });
    if (found == entries.end()) {
        throw std::runtime_error("no Start-menu entry \"" + name +
                                 "\" (cedevice start-menu lists them)");
    }
    const SShortcut shortcut = ReadShortcut(device, found->devicePath, found->kind);
    if (!shortcut.problem.empty()) {
        throw std::runtime_error(Utf8(found->devicePath) +
                                 " is not a shortcut: " + shortcut.problem);
    }
    const SCommand command = SplitTarget(shortcut.target);
    if (command.wellFormed && command.quoted && SameText(command.program, ApplicationPath())) {
        return StartApplication(device, *found, command.argument);
    }
    if (command.wellFormed && SameText(command.program, kSettingsProgram)) {
        return OpenSettings(device, command.argument);
    }
    throw std::runtime_error(
        Utf8(found->devicePath) +
        ": the simulated device has no such program: " + Utf8(command.program));
}

std::vector<TweakRow> TweakRows(ce::Device& device) {
    const CTweakersFactory factory;
    // The folder of the toggle shortcuts, listed once: the files' names, folded.
    std::set<std::u16string> shortcuts;
    try {
        for (const ce::FileEntry& entry :
             device.ListFiles(SpecialFolderPath(ShortcutFolder(IsSmartphone())))) {
            if (entry.kind == ce::FileEntry::kFile) {
                shortcuts.insert(ce::FoldCase(ce::FromUtf8(entry.name)));
            }
        }
    } catch (const ce::DeviceError&) {
        // No such folder: no shortcuts.
    }
    std::vector<TweakRow> rows;
    for (CTweakBase* tweak : factory.GetAllTweaks()) {
        const std::u16string file = ShortcutFileName(tweak->GetName().View()) + kShortcutExtension;
        rows.push_back({CategoryText(tweak->GetCategory()), std::u16string(tweak->GetName().View()),
                        tweak->IsSupported() != FALSE, tweak->IsEnabled() != FALSE,
                        BackupTaken(device, tweak->GetID()),
                        shortcuts.count(ce::FoldCase(file)) != 0,
                        std::u16string(tweak->GetID().View())});
    }
    return rows;
}

int ListTweaks(ce::Device& device, bool withIds) {
    std::vector<std::vector<std::string>> lines = {
        {"category", "name", "supported", "enabled", "backed up", "shortcut"}};
    if (withIds) lines.front().push_back("ID");
    for (const TweakRow& row : TweakRows(device)) {
        lines.push_back({row.category, Utf8(row.name), YesNo(row.supported), YesNo(row.enabled),
                         YesNo(row.backedUp), YesNo(row.shortcut)});
        if (withIds) lines.back().push_back(Utf8(row.id));
    }
    PrintColumns(lines);
    return 0;
}
