#pragma once

#include <filesystem>

namespace lumetta::hid {

// The two folders devices are found in: sysfs and the device nodes. Tests and the simulated
// keyboard point them at a temporary tree.
struct HidrawRoots {
    std::filesystem::path sysfs = "/sys";
    std::filesystem::path dev = "/dev";

    // HIDLINK_SYSFS_ROOT and HIDLINK_DEV_ROOT when set and not empty, else the system's folders.
    static HidrawRoots fromEnvironment();
};

} // namespace lumetta::hid
