#include "SupportRule.h"

#include "DeviceServices.h"

BOOL IsSupportedBy(ESupportRule rule) {
    const int platform = GetPlatformType();
    switch (rule) {
        case ESupportRule::PocketPCOrSmartphone:
            return platform == kPlatformPocketPC || platform == kPlatformSmartphone;
        case ESupportRule::SmartphoneOnly:
            return platform == kPlatformSmartphone;
        case ESupportRule::PocketPCOnly:
            return platform == kPlatformPocketPC;
        case ESupportRule::AnyPlatform:
            return TRUE;
        case ESupportRule::MMSVideoOlder: {
            if (platform != kPlatformSmartphone) return FALSE;
            const int version = GetOSVersionClass();
            return version >= 3 && version <= 5;
        }
        case ESupportRule::MMSVideoNewer: {
            const int version = GetOSVersionClass();
            if (platform == kPlatformSmartphone) return version == 6;
            if (platform == kPlatformPocketPC) return version >= 3 && version <= 6;
            return FALSE;
        }
    }
    return FALSE;
}
