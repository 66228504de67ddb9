#pragma once

#include "updater/package/MessageSink.h"
#include "updater/package/PackageHeader.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace lumetta {

// The firmware an updater carries at the end of its program file, in plain form.
struct FirmwarePackage {
    PackageHeader header;
    std::array<std::vector<std::uint8_t>, IMAGE_SLOTS> firmware; // empty for an empty slot
    std::array<std::vector<std::uint8_t>, IMAGE_SLOTS> version;
};

// Random access to the bytes a package is read from.
class PackageSource {
public:
    virtual ~PackageSource() = default;
    virtual std::uint64_t size() const = 0;
    // Fills out from offset; false on any error or when fewer bytes are there.
    virtual bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
};

enum class PackageStatus {
    Ok,
    CannotOpen,       // the file could not be opened
    CannotReadHeader, // shorter than a header, or the read failed
    NoMarker,         // the last bytes are no package header
    ShortBlock,       // a block does not fit in the file before the header
};

struct PackageReadResult {
    PackageStatus status = PackageStatus::CannotOpen;
    FirmwarePackage package;
    // Per slot: false when one of its blocks did not fit or could not be read.
    std::array<bool, IMAGE_SLOTS> slotComplete{};
    // Where the package starts in the file (its first block); meaningful when status is Ok.
    std::uint64_t packageStart = 0;
};

// Reads a package from the end of source. Every length in the header is checked against the
// bytes that are really there before anything is allocated or read, so the memory used never
// exceeds the file's size plus a constant; a block that does not fit marks its slot incomplete
// and the load as failed, and the other slots are still read.
PackageReadResult readFirmwarePackage(const PackageSource& source);
PackageReadResult readFirmwarePackage(const std::filesystem::path& path);

// The text of the message a failed read shows.
UserMessage packageFailureMessage(PackageStatus status);

// Reads the package of the program file at path into package. On failure the user is told through
// messages, and package is left as it was.
bool loadFirmwarePackage(const std::filesystem::path& path, MessageSink& messages,
                         FirmwarePackage& package);

} // namespace lumetta
