// The rules that decide on which devices a tweak is offered (its IsSupported answer). Each
// evaluation asks the device services afresh; nothing is cached.
#pragma once

#include <windows.h>

enum class ESupportRule {
    PocketPCOrSmartphone,  // platform type 1 or 2
    SmartphoneOnly,        // platform type 2
    PocketPCOnly,          // platform type 1
    AnyPlatform,           // always
    MMSVideoOlder,         // Smartphone with OS version class 3, 4 or 5
    MMSVideoNewer,         // Smartphone with class 6, or Pocket PC with class 3 to 6
};

BOOL IsSupportedBy(ESupportRule rule);
