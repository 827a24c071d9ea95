#include <ProductLayout/Store.h>

namespace {

const WCHAR kStoreRoot[] = u"Software\\Quenvale\\";
const WCHAR kBackupFolder[] = u"TweaksBackup\\";
const WCHAR kSettingsFolder[] = u"TweaksSettings\\";

}  // namespace

std::u16string StoreKeyPath(EStoreFolder folder, std::u16string_view id) {
    std::u16string path = kStoreRoot;
    path += folder == kStoreBackup ? kBackupFolder : kSettingsFolder;
    path += id;
    return path;
}
