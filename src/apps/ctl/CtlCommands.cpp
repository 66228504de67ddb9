#include "apps/ctl/CtlCommands.h"

#include "apps/ctl/FirmwareDescription.h"
#include "apps/ctl/Interrupt.h"
#include "apps/ctl/KeyboardLink.h"
#include "apps/ctl/ProgressBar.h"
#include "device/channel/HidlinkLibrary.h"
#include "device/channel/LayoutType.h"
#include "lighting/model/KeyMapLoader.h"
#include "lighting/model/LayerDefaults.h"
#include "platform/hid/HidrawDeviceInfo.h"
#include "platform/os/InstanceLock.h"
#include "platform/os/Utf16.h"
#include "platform/os/XdgFolders.h"
#include "profiles/ProfileFiles.h"
#include "shell/startup/ConfiguratorStartup.h"
#include "skin/files/SizeFolder.h"

#include <cstdio>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace lumetta::ctl {

namespace {

namespace fs = std::filesystem;

struct Context {
    const CtlOptions& options;
    const fs::path& programFolder;
    std::ostream& out;
    std::ostream& err;
};

ExitCode fail(const Context& context, ExitCode code, const std::string& message) {
    context.err << "lumetta-ctl: " << message << "\n";
    return code;
}

struct FoundKeyboard {
    hid::HidrawDeviceInfo info;
    bool bootloader = false;
};

// Keyboards as the two channels' filters see them: our vendor, either product, and a
// collection on the command interface's usage page and usage.
std::vector<FoundKeyboard> findKeyboards() {
    std::vector<FoundKeyboard> found;
    for (hid::HidrawDeviceInfo& info : hid::enumerateHidraw(hid::HidrawRoots::fromEnvironment())) {
        const bool application = info.productId == APPLICATION_PRODUCT_ID;
        const bool bootloader = info.productId == BOOTLOADER_PRODUCT_ID;
        if (info.vendorId != KEYBOARD_VENDOR_ID || (!application && !bootloader)) {
            continue;
        }
        for (const hid::TopLevelCollection& collection : info.descriptor.collections) {
            if (collection.usagePage == COMMAND_USAGE_PAGE && collection.usage == COMMAND_USAGE) {
                found.push_back({std::move(info), bootloader});
                break;
            }
        }
    }
    return found;
}

ExitCode runList(const Context& context) {
    const std::vector<FoundKeyboard> keyboards = findKeyboards();
    if (keyboards.empty()) {
        return fail(context, ExitCode::NO_KEYBOARD, "no keyboard found");
    }
    for (const FoundKeyboard& keyboard : keyboards) {
        char ids[16];
        std::snprintf(ids, sizeof ids, "%04x:%04x", keyboard.info.vendorId,
                      keyboard.info.productId);
        context.out << keyboard.info.devicePath.string() << "  " << ids << "  "
                    << (keyboard.bootloader ? "bootloader" : "application") << "  layout ";
        if (keyboard.info.version) {
            context.out << layoutTypeOf(*keyboard.info.version);
        } else {
            context.out << "unknown";
        }
        context.out << "\n";
    }
    return ExitCode::DONE;
}

ExitCode noKeyboard(const Context& context) {
    for (const FoundKeyboard& keyboard : findKeyboards()) {
        if (keyboard.bootloader) {
            return fail(context, ExitCode::NO_KEYBOARD,
                        "the keyboard is in its bootloader (" + keyboard.info.devicePath.string() +
                            "); update its firmware with the updater first");
        }
    }
    return fail(context, ExitCode::NO_KEYBOARD, "no keyboard found");
}

// Loads the key map of the keyboard's layout from the skin beside the program; every size
// folder carries the same keys and LEDs, so the first one that has the layout will do.
bool loadKeyMapFor(const Context& context, int layoutType) {
    const fs::path skins = context.programFolder / "Skins";
    for (std::string_view size : {SizeFolderSmall, SizeFolderMedium, SizeFolderLarge}) {
        const fs::path sizeFolder = skins / std::string(size);
        std::error_code ignored;
        if (fs::is_regular_file(keyMapFolder(sizeFolder, layoutType) / KEY_MAP_FILE, ignored)) {
            keyMapLoader().loadKeyMap(layoutType, sizeFolder, nullptr);
            return true;
        }
    }
    fail(context, ExitCode::KEYBOARD_ERROR,
         "no key map for layout " + std::to_string(layoutType) + " under " + skins.string());
    return false;
}

// The part every keyboard command shares: the configurator must not be running, the HID layer
// must load, a keyboard must answer. The link's end puts the keyboard back.
ExitCode withKeyboard(const Context& context, const std::function<ExitCode(KeyboardLink&)>& work) {
    const os::InstanceLock lock = os::InstanceLock::acquire(CONFIGURATOR_INSTANCE_NAME);
    if (lock.state() == os::InstanceLock::State::Busy) {
        return fail(context, ExitCode::CONFIGURATOR_RUNNING,
                    "the configurator is running; close it first (nothing was changed)");
    }
    const HidlinkLibrary library =
        HidlinkLibrary::load(context.programFolder / HidlinkLibrary::FILE_NAME);
    if (!library.loaded()) {
        return fail(context, ExitCode::KEYBOARD_ERROR, library.error());
    }
    KeyboardLink link(library.api(), context.options.debug, context.err);
    if (!link.open()) {
        return noKeyboard(context);
    }
    if (!link.setUp()) {
        return fail(context, ExitCode::KEYBOARD_ERROR, "the keyboard does not answer");
    }
    const ExitCode code = work(link);
    if (code == ExitCode::DONE || code == ExitCode::INTERRUPTED) {
        return code;
    }
    if (link.keyboardLeft()) {
        context.err << "lumetta-ctl: the keyboard was unplugged\n";
    }
    return code;
}

std::uint64_t failuresDuring(KeyboardLink& link, const std::function<int()>& pass, int& result) {
    const std::uint64_t before = link.channel().failedCommands();
    result = pass();
    return link.channel().failedCommands() - before;
}

// A fresh store for the attached keyboard: its key map, then every record at its defaults.
bool prepareStore(const Context& context, KeyboardLink& link) {
    if (!loadKeyMapFor(context, layoutTypeOf(link.channel().GetVersion()))) {
        return false;
    }
    link.store() = ProfileStore{};
    resetProfileStore(link.store(), true);
    return true;
}

std::vector<fs::path> profileFiles(const fs::path& dir) {
    std::vector<fs::path> files;
    for (int i = 0; i < PROFILE_COUNT; ++i) {
        files.push_back(profileFilePath(dir, i));
    }
    return files;
}

ExitCode runRead(const Context& context) {
    const fs::path dir = *context.options.dir;
    std::vector<fs::path> files = profileFiles(dir);
    files.push_back(configFilePath(dir));
    std::error_code ignored;
    for (const fs::path& file : files) {
        if (fs::exists(file, ignored) && !context.options.force) {
            return fail(context, ExitCode::USAGE_ERROR,
                        file.string() + " exists; add --force to replace the profile files");
        }
    }
    return withKeyboard(context, [&](KeyboardLink& link) {
        if (!prepareStore(context, link)) {
            return ExitCode::KEYBOARD_ERROR;
        }
        ProgressBar bar("Reading profiles");
        link.showProgressOn(&bar);
        int result = 0;
        const auto failures = failuresDuring(
            link,
            [&] { return link.session().readProfilesFromKeyboard(DeviceSession::ALL_PROFILES); },
            result);
        bar.finish();
        link.showProgressOn(nullptr);
        if (interruptRequested()) {
            return fail(context, ExitCode::INTERRUPTED, "interrupted; nothing was written");
        }
        if (result != 0 || failures != 0) {
            return fail(context, ExitCode::KEYBOARD_ERROR,
                        "the keyboard did not answer every request; nothing was written");
        }
        std::error_code error;
        fs::create_directories(dir, error);
        // Picture names are the configurator's own: files that are replaced keep theirs.
        for (int i = 0; i < PROFILE_COUNT; ++i) {
            readProfilePicture(dir, i, link.store());
        }
        if (!saveProfileStore(dir, link.store())) {
            return fail(context, ExitCode::KEYBOARD_ERROR,
                        "cannot write the profile files in " + dir.string());
        }
        context.out << "read six profiles into " << dir.string() << "\n";
        return ExitCode::DONE;
    });
}

fs::path defaultProfileFolder() {
    const fs::path config = os::configHome();
    if (config.empty()) {
        return {};
    }
    return config / std::string(PROFILE_BASE_RELATIVE.substr(1));
}

ExitCode runWrite(const Context& context) {
    const fs::path dir = context.options.dir.value_or(defaultProfileFolder());
    if (dir.empty()) {
        return fail(context, ExitCode::USAGE_ERROR, "no profile folder known; give --dir DIR");
    }
    const std::optional<int> only =
        context.options.profile ? std::optional<int>(*context.options.profile - 1) : std::nullopt;
    std::error_code ignored;
    for (int i = 0; i < PROFILE_COUNT; ++i) {
        if ((!only || *only == i) && !fs::is_regular_file(profileFilePath(dir, i), ignored)) {
            return fail(context, ExitCode::USAGE_ERROR,
                        profileFilePath(dir, i).string() + " does not exist");
        }
    }
    return withKeyboard(context, [&](KeyboardLink& link) {
        if (!prepareStore(context, link)) {
            return ExitCode::KEYBOARD_ERROR;
        }
        ProfileStore& store = link.store();
        loadProfileStore(dir, store);
        resetProfileStore(store, false);
        // Writing never switches the keyboard: the pass ends on the profile it runs.
        int current = link.session().deviceProfile();
        if (current < 0) {
            std::uint8_t value = 0;
            link.channel().GetProfile(value);
            current = value < PROFILE_COUNT ? value : 0;
        }
        store.currentProfile = static_cast<std::uint8_t>(current);

        ProgressBar bar(only ? "Writing profile" : "Writing profiles");
        link.showProgressOn(&bar);
        int result = 0;
        const auto failures = failuresDuring(
            link, [&] { return link.session().saveToKeyboard(only); }, result);
        bar.finish();
        link.showProgressOn(nullptr);
        if (interruptRequested()) {
            return fail(context, ExitCode::INTERRUPTED,
                        "interrupted; the profiles written so far are on the keyboard");
        }
        if (result != 0 || failures != 0) {
            return fail(context, ExitCode::KEYBOARD_ERROR,
                        "the keyboard did not answer every request");
        }
        context.out << (only ? "wrote profile " + std::to_string(*only + 1) : "wrote six profiles")
                    << " from " << dir.string() << "\n";
        return ExitCode::DONE;
    });
}

ExitCode runSwitch(const Context& context) {
    const int target = *context.options.profile - 1;
    return withKeyboard(context, [&](KeyboardLink& link) {
        int result = link.channel().SelectProfile(static_cast<std::uint8_t>(target));
        std::uint8_t current = 0;
        result |= link.channel().GetProfile(current);
        if (result != 0 || current != target) {
            return fail(context, ExitCode::KEYBOARD_ERROR,
                        "the keyboard did not switch to profile " + std::to_string(target + 1));
        }
        link.session().setDeviceProfile(target);
        context.out << "profile " << target + 1 << " is current\n";
        return ExitCode::DONE;
    });
}

ExitCode runInfo(const Context& context) {
    return withKeyboard(context, [&](KeyboardLink& link) {
        const auto description =
            readFirmwareDescription(link.channel(), 15, [] { return interruptRequested(); });
        if (interruptRequested()) {
            return fail(context, ExitCode::INTERRUPTED, "interrupted");
        }
        if (!description) {
            return fail(context, ExitCode::KEYBOARD_ERROR,
                        "the keyboard did not give its firmware information");
        }
        context.out << "model: " << description->model << "\n"
                    << "layout id: " << description->layoutId << "\n"
                    << "layout type: " << layoutTypeOf(link.channel().GetVersion()) << "\n"
                    << "firmware version: " << os::utf16ToUtf8(description->versionText) << "\n"
                    << "application version: " << description->applicationVersion.value_or("none")
                    << "\n";
        return ExitCode::DONE;
    });
}

} // namespace

ExitCode runCtl(const CtlOptions& options, const fs::path& programFolder, std::ostream& out,
                std::ostream& err) {
    const Context context{options, programFolder, out, err};
    switch (options.command) {
    case CtlOptions::Command::LIST:
        return runList(context);
    case CtlOptions::Command::INFO:
        return runInfo(context);
    case CtlOptions::Command::READ:
        return runRead(context);
    case CtlOptions::Command::WRITE:
        return runWrite(context);
    case CtlOptions::Command::SWITCH:
        return runSwitch(context);
    case CtlOptions::Command::HELP:
        out << ctlUsage();
        return ExitCode::DONE;
    case CtlOptions::Command::VERSION:
    case CtlOptions::Command::INVALID:
        break;
    }
    err << "lumetta-ctl: " << options.error << "\n" << ctlUsage();
    return ExitCode::USAGE_ERROR;
}

} // namespace lumetta::ctl
