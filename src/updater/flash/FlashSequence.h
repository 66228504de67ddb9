#pragma once

#include "updater/flash/BootloaderCommands.h"
#include "updater/flash/FlashTiming.h"
#include "updater/flash/KeyboardInfo.h"
#include "updater/flash/UpdaterState.h"
#include "updater/package/FirmwarePackage.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace lumetta::flash {

// Where a flash stopped.
enum class FlashStep {
    None,
    ReadInfo,   // the firmware information could not be read
    CheckImage, // no usable slot, block size or model for this keyboard
    Erase,      // the erase was never answered
    FirmwarePointer,
    WriteFirmware, // a piece of the firmware was not written
    Checksum,      // the keyboard's checksum did not match
    VersionPointer,
    WriteVersion,
    VerifyVersion, // the version area did not read back as written
    Restart,       // no image could be chosen after the restart
};

struct FlashResult {
    bool succeeded = false;
    FlashStep failedStep = FlashStep::None;
    // Whether the flash was changed before the failure, so that the recovery erase ran.
    bool flashChanged = false;
};

// The version block as it goes to the keyboard: its first four bytes the length 26, the next 26
// the first 26 bytes of the package's version text. A block too short for that is lengthened.
std::vector<std::uint8_t> prepareVersionBlock(std::span<const std::uint8_t> block,
                                              const PackageHeader& header);

// The number of pieces of `size` bytes a block is written in.
std::size_t pieceCount(std::size_t length, std::size_t size);

// Rewrites the keyboard's flash from the selected slot over a channel to its bootloader: erase,
// write the firmware piece by piece with read-back pointers, compare checksums, write and verify
// the version area, restart the keyboard. Every step retries as the keyboard may need; a failure
// after the flash was changed erases the version area again, so that the keyboard stays in its
// bootloader for the next try. Runs on the calling thread (the flashing thread); all its waits
// are the given sleeper's, apart from the channel's own pauses and time-outs.
class FlashSequence {
public:
    using Progress = std::function<void(int position)>;

    // `state` is the flashing thread's copy: FirmwareInfo is read into it, and after a restart of
    // a keyboard with several targets the keyboard's information as well.
    FlashSequence(BootloaderCommands& channel, const FirmwarePackage& package, UpdaterState& state,
                  Sleeper sleep, Progress progress);

    FlashResult run();

    // What GetInfo found after the restart (only for a target other than 0).
    const std::optional<KeyboardDisplay>& display() const { return display_; }

private:
    FlashStep flash();
    bool readFirmwareInfo();
    bool imageUsable() const;
    bool eraseFirmwareArea();
    bool setWritePointerChecked(std::uint32_t address);
    bool writeBlocks(std::span<const std::uint8_t> block, std::uint32_t start, int progressBase,
                     int progressSpan);
    bool writePiece(std::span<const std::uint8_t> piece, std::uint32_t& pointer);
    bool versionAreaMatches(std::span<const std::uint8_t> block);
    void recoveryErase();
    std::uint16_t infoU16(std::size_t offset) const;
    void setProgress(int position);

    BootloaderCommands& channel_;
    const FirmwarePackage& package_;
    UpdaterState& state_;
    Sleeper sleep_;
    Progress progress_;
    bool flashChanged_ = false;
    std::optional<KeyboardDisplay> display_;
};

} // namespace lumetta::flash
