#include "platform/hid/HidrawRoots.h"

#include <cstdlib>

namespace lumetta::hid {

HidrawRoots HidrawRoots::fromEnvironment() {
    HidrawRoots roots;
    if (const char* sysfs = std::getenv("HIDLINK_SYSFS_ROOT"); sysfs && *sysfs) {
        roots.sysfs = sysfs;
    }
    if (const char* dev = std::getenv("HIDLINK_DEV_ROOT"); dev && *dev) {
        roots.dev = dev;
    }
    return roots;
}

} // namespace lumetta::hid
