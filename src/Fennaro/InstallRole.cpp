#include "InstallRole.h"

#include <Lorrimek/Registry.h>
#include <Lorrimek/TweakBase.h>
#include <ProductLayout/Install.h>

namespace {

const WCHAR kAppInstallKey[] = u"\\Security\\AppInstall\\";
const WCHAR kRoleValue[] = u"Role";
constexpr DWORD kRole = 24;

}  // namespace

int WriteInstallRole() {
    CRegistry key(HKEY_LOCAL_MACHINE, CWideString(kAppInstallKey) + CWideString(kInstallName));
    return key.WriteDWORD(kRoleValue, kRole) ? kTweakOk : kTweakRegistryWriteFailed;
}
