// The shared library exports exactly its interface: the Win32 functions of <windows.h>,
// <objbase.h>, <shlobj.h> and <shellapi.h>, the device control interface of <CePlatform/...> and
// the window system's services, and nothing of its internals (the device's inside, its database,
// its handles) or of the standard library.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "support/Exports.h"

namespace {

TEST(ExportsTest, PlatformExportsExactlyItsInterface) {
    std::string output;
    const std::set<std::string> names = test::ExportedNames(CEPLATFORM_LIBRARY_PATH, &output);
    const std::set<std::string> expected = {
        // Win32
        "CloseHandle", "CoInitializeEx", "CoTaskMemFree", "CoUninitialize", "CreateFileW",
        "CreateMutexW", "DeleteFileW", "DeviceIoControl", "FreeLibrary", "GetLastError",
        "GetProcAddressW", "GetVersionExW", "LoadLibraryW", "RegCloseKey", "RegCreateKeyExW",
        "RegDeleteValueW", "RegOpenKeyExW", "RegQueryValueExW", "RegSetValueExW", "ReleaseMutex",
        "SHCreateShortcut", "SHGetPathFromIDList", "SHGetSpecialFolderLocation", "SetLastError",
        "Sleep", "SystemParametersInfoW", "WaitForSingleObject", "_wfopen", "keybd_event",
        "fwprintf(_IO_FILE*, char16_t const*, ...)",
        // the device
        "ce::DefaultDevicePath()", "ce::SelectedDevicePath()", "ce::SeedRegistry()",
        "ce::KnownModules()", "ce::Profile::HasModule(std::string_view) const",
        "ce::CreateDevice(std::filesystem::path const&, ce::Profile const&, bool)",
        "ce::CurrentDevice()", "ce::UseDevice(std::filesystem::path const&)", "ce::CloseDevice()",
        "ce::Device::Open(std::filesystem::path const&)", "ce::Device::~Device()",
        "ce::Device::Folder() const", "ce::Device::DatabasePath() const",
        "ce::Device::FilesRoot() const", "ce::Device::HostPath(std::u16string_view) const",
        "ce::Device::ReadFile(std::u16string_view, unsigned long) const",
        "ce::Device::ListFiles(std::u16string_view) const", "ce::Device::GetProfile() const",
        "ce::Device::SetProfile(ce::Profile const&)",
        "ce::Device::UpdateProfile(std::function<void (ce::Profile&)> const&, std::string_view)",
        "ce::Device::AddJournalEntry(std::string_view)", "ce::Device::Journal(long) const",
        "ce::Device::Changes(long) const",
        "ce::Device::KeyExists(ce::RootKey, std::u16string_view) const",
        "ce::Device::ReadKey(ce::RootKey, std::u16string_view) const",
        "ce::Device::ExportKeys(std::optional<ce::RootKey>, std::u16string_view) const",
        "ce::Device::Import(std::vector<ce::RegFileOp> const&, bool)",
        "ce::Device::SaveSnapshot(std::string_view)", "ce::Device::Snapshots() const",
        "ce::Device::RestoreSnapshot(std::string_view)",
        "ce::Device::DeleteSnapshot(std::string_view)", "typeinfo for ce::DeviceError",
        "typeinfo name for ce::DeviceError", "vtable for ce::DeviceError",
        // registry files and change files
        "ce::RootName(ce::RootKey)",
        "ce::ParseKeyName(std::string_view, ce::RootKey*, std::u16string*)",
        "ce::KeyName(ce::RootKey, std::u16string_view)",
        "ce::ShortKeyName(ce::RootKey, std::u16string_view)",
        "ce::ParseRegFile(std::string_view, std::vector<std::string>*)",
        "ce::FormatValueData(unsigned int, std::vector<unsigned char> const&, unsigned long)",
        "ce::FormatValueLine(ce::RegValue const&)",
        "ce::FormatRegFile(std::vector<ce::RegKey> const&, std::vector<std::string>*)",
        "ce::FormatRegFileOps(std::vector<ce::RegFileOp> const&, std::vector<std::string>*)",
        "ce::RegFileError::RegFileError(int, std::string const&)", "typeinfo for ce::RegFileError",
        "typeinfo name for ce::RegFileError", "vtable for ce::RegFileError",
        "ce::RegistryDiff(std::vector<ce::RegKey> const&, std::vector<ce::RegKey> const&)",
        "ce::RegistryChangeSince(ce::Device const&, long, ce::ChangeDirection)",
        "ce::FormatProvXml(std::vector<ce::RegFileOp> const&, std::vector<std::string>*)",
        // texts
        "ce::ToUtf8(std::u16string_view)", "ce::FromUtf8(std::string_view)",
        "ce::FoldCase(std::u16string_view)",
        // the window system's services
        "ce::JournalEvent(std::string_view)", "ce::RuntimeFolder(std::string_view)",
        "ce::SetFileLock(int, short, bool, long, long)",
        "ce::SetSystemParametersHook(int (*)(unsigned int, unsigned int, void*, unsigned int))"};
    EXPECT_EQ(names, expected) << output;
}

}  // namespace
