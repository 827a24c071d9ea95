// CTweakBase: one reversible change to the device's configuration. This declaration is shared by
// the library and the application: the order of the members and of the virtual operations is
// part of the library's interface.
//
// Every tweak keeps two keys of its own in the system's store, opened (and created) for its whole
// life: HKEY_LOCAL_MACHINE\Software\Quenvale\TweaksBackup\<ID> with the state saved by Backup, and
// ...\TweaksSettings\<ID> with "BackupDone". Booleans answer 0 or 1; state operations return an
// error code (kTweakOk, kTweakRegistryWriteFailed, kTweakDeviceToggleFailed,
// kTweakFileWriteFailed). A tweak never caches the device's state: IsEnabled reads the device on
// every call.
#pragma once

#include <Lorrimek/Api.h>
#include <Lorrimek/Registry.h>
#include <Lorrimek/WideString.h>
#include <windows.h>

constexpr int kTweakOk = 0;
constexpr int kTweakRegistryWriteFailed = 2002;
constexpr int kTweakDeviceToggleFailed = 1000;
constexpr int kTweakFileWriteFailed = 2003;  // a link file could not be written or deleted

// Categories, as passed to the constructor.
constexpr int kCategoryInternet = 1;
constexpr int kCategorySystem = 2;
constexpr int kCategoryTelephony = 3;
constexpr int kCategorySound = 4;
constexpr int kCategoryEssentialUtilities = 5;

class CTweakBase {
public:
    // Opens (creating them if needed) the tweak's backup key and settings key.
    CTweakBase(const CWideString& id, const CWideString& name, const CWideString& description,
               int category);
    virtual ~CTweakBase();
    CTweakBase(const CTweakBase&) = delete;
    CTweakBase& operator=(const CTweakBase&) = delete;

    CWideString GetID() const { return m_id; }
    CWideString GetName() const { return m_name; }
    CWideString GetDescription() const { return m_description; }
    int GetCategory() const { return m_category; }

    // Takes the first backup unless "BackupDone" says it was taken: Backup, then "BackupDone" = 1
    // when Backup returned 0. The check, the backup and the mark are one step for every process
    // on the device (under a device-wide mutex), so two processes never both take it. Returns 0
    // when the backup is done (now or before); what Backup returned when it failed;
    // kTweakRegistryWriteFailed when the mark could not be written or the mutex not taken. A
    // tweak whose first backup is not done must not be changed: its original state would be lost.
    // Exported: the application takes one tweak's backup before it changes that tweak.
    LORRIMEK_API int DoBackupIfNeeded();

    virtual BOOL IsSupported();
    virtual BOOL Configure();
    virtual BOOL NeedsRestart();
    virtual BOOL SupportsToggleShortcut();
    virtual BOOL HasEnableOption();
    virtual BOOL HasConfiguration() = 0;
    virtual BOOL IsEnabled() = 0;
    virtual int Enable() = 0;
    virtual int Backup() = 0;
    virtual int Restore() = 0;
    virtual int Disable() = 0;

protected:
    // The key holding this tweak's saved state.
    CRegistry& BackupKey() { return m_backupKey; }

private:
    CWideString m_id;
    CWideString m_name;
    CWideString m_description;
    int m_category;
    CRegistry m_backupKey;
    CRegistry m_settingsKey;
};
