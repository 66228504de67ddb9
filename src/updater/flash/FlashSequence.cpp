#include "updater/flash/FlashSequence.h"

#include "updater/flash/Retry.h"
#include "updater/package/ImageChecksum.h"

#include <algorithm>
#include <optional>

namespace lumetta::flash {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds INFO_RETRY_PAUSE{500};
constexpr milliseconds RETRY_PAUSE{1000};
constexpr milliseconds AFTER_INFO{10};
constexpr milliseconds AFTER_ERASE{200};
constexpr milliseconds BEFORE_VERSION{100};
constexpr milliseconds AFTER_RESET{500};

// Offsets into the firmware information.
constexpr std::size_t MODEL_ID_OFFSET = 4;
constexpr std::size_t PAGE_SIZE_OFFSET = 32;
constexpr std::size_t PAGE_COUNT_OFFSET = 34;
constexpr std::size_t START_ADDRESS_OFFSET = 36;

constexpr std::uint32_t VERSION_TEXT_BYTES = 26;
constexpr std::size_t VERSION_LENGTH_BYTES = 4;
constexpr std::size_t VERSION_RECORD_BYTES = 60;
constexpr int VERSION_WRITES = 3;

constexpr int PROGRESS_ERASED = 10;
constexpr int PROGRESS_FIRMWARE_SPAN = 70;
constexpr int PROGRESS_FIRMWARE_DONE = PROGRESS_ERASED + PROGRESS_FIRMWARE_SPAN;
constexpr int PROGRESS_VERSION_SPAN = 20;
constexpr int PROGRESS_DONE = 100;
// A checksum that differs twice the same way will not come right by writing again; one that
// keeps changing gets a third try.
constexpr int SAME_MISMATCH_LIMIT = 2;
constexpr int MISMATCH_LIMIT = 3;

} // namespace

std::vector<std::uint8_t> prepareVersionBlock(std::span<const std::uint8_t> block,
                                              const PackageHeader& header) {
    std::vector<std::uint8_t> prepared(block.begin(), block.end());
    prepared.resize(
        std::max<std::size_t>(prepared.size(), VERSION_LENGTH_BYTES + VERSION_TEXT_BYTES));
    for (std::size_t i = 0; i < VERSION_LENGTH_BYTES; ++i) {
        prepared[i] = static_cast<std::uint8_t>(VERSION_TEXT_BYTES >> (8 * i));
    }
    for (std::size_t unit = 0; unit < VERSION_TEXT_BYTES / 2; ++unit) {
        const char16_t c = header.VersionText[unit];
        prepared[VERSION_LENGTH_BYTES + 2 * unit] = static_cast<std::uint8_t>(c);
        prepared[VERSION_LENGTH_BYTES + 2 * unit + 1] = static_cast<std::uint8_t>(c >> 8);
    }
    return prepared;
}

std::size_t pieceCount(std::size_t length, std::size_t size) {
    return size == 0 ? 0 : (length + size - 1) / size;
}

FlashSequence::FlashSequence(BootloaderCommands& channel, const FirmwarePackage& package,
                             UpdaterState& state, Sleeper sleep, Progress progress)
    : channel_(channel), package_(package), state_(state), sleep_(std::move(sleep)),
      progress_(std::move(progress)) {}

FlashResult FlashSequence::run() {
    flashChanged_ = false;
    const FlashStep failed = flash();
    if (failed != FlashStep::None && flashChanged_) {
        recoveryErase();
    }
    return FlashResult{failed == FlashStep::None, failed,
                       failed != FlashStep::None && flashChanged_};
}

FlashStep FlashSequence::flash() {
    setProgress(0);
    if (!readFirmwareInfo()) {
        return FlashStep::ReadInfo;
    }
    sleep_(AFTER_INFO);
    if (!imageUsable()) {
        return FlashStep::CheckImage;
    }
    const auto slot = static_cast<std::size_t>(state_.SelectedImage);
    const std::span<const std::uint8_t> firmware = package_.firmware[slot];
    const std::vector<std::uint8_t> version =
        prepareVersionBlock(package_.version[slot], package_.header);
    const std::uint32_t start = infoU16(START_ADDRESS_OFFSET);
    const std::uint32_t expected = imageChecksum(firmware);

    int mismatches = 0;
    std::optional<std::uint32_t> firstMismatch;
    int versionFailures = 0;
    for (;;) {
        if (!eraseFirmwareArea()) {
            return FlashStep::Erase;
        }
        sleep_(AFTER_ERASE);
        if (!setWritePointerChecked(start)) {
            return FlashStep::FirmwarePointer;
        }
        setProgress(PROGRESS_ERASED);
        if (!writeBlocks(firmware, start, PROGRESS_ERASED, PROGRESS_FIRMWARE_SPAN)) {
            return FlashStep::WriteFirmware;
        }
        std::uint32_t reported = 0;
        const bool answered =
            channel_.GetFlashChecksum(start, static_cast<std::uint32_t>(firmware.size()),
                                      reported) == 0;
        if (!answered || reported != expected) {
            ++mismatches;
            const bool sameAgain = answered && firstMismatch == reported;
            if ((mismatches == SAME_MISMATCH_LIMIT && sameAgain) || mismatches >= MISMATCH_LIMIT) {
                return FlashStep::Checksum;
            }
            if (mismatches == 1 && answered) {
                firstMismatch = reported;
            }
            continue;
        }
        sleep_(BEFORE_VERSION);
        if (!setWritePointerChecked(0)) {
            return FlashStep::VersionPointer;
        }
        if (!writeBlocks(version, 0, PROGRESS_FIRMWARE_DONE, PROGRESS_VERSION_SPAN)) {
            return FlashStep::WriteVersion;
        }
        if (versionAreaMatches(version)) {
            break;
        }
        // Erasing only the version area would also erase the start of the firmware area on a
        // keyboard that counts erase sizes from there, so everything is written again.
        if (++versionFailures >= VERSION_WRITES) {
            return FlashStep::VerifyVersion;
        }
    }
    channel_.ResetDevice();
    setProgress(PROGRESS_DONE);
    sleep_(AFTER_RESET);
    if (state_.Target != 0) {
        display_ = GetInfo(channel_, package_.header, state_, sleep_);
        if (state_.SelectedImage < 0) {
            return FlashStep::Restart;
        }
    }
    return FlashStep::None;
}

bool FlashSequence::readFirmwareInfo() {
    return retry(state_.RetryCount, sleep_, INFO_RETRY_PAUSE,
                 [&] { return channel_.ReadFirmwareInfo(state_.FirmwareInfo) == 0; });
}

bool FlashSequence::imageUsable() const {
    if (state_.SelectedImage < 0 || state_.SelectedImage >= IMAGE_SLOTS) {
        return false;
    }
    const auto slot = static_cast<std::size_t>(state_.SelectedImage);
    const std::uint8_t blockSize = package_.header.BlockSize;
    if (package_.firmware[slot].empty() || blockSize == 0 ||
        blockSize > BootloaderCommands::MAX_BLOCK) {
        return false;
    }
    // The information was read again on the flashing channel: it must still be this model.
    return std::equal(package_.header.ModelId.begin(), package_.header.ModelId.end(),
                      state_.FirmwareInfo.begin() + MODEL_ID_OFFSET);
}

bool FlashSequence::eraseFirmwareArea() {
    const std::uint32_t size =
        std::uint32_t{infoU16(PAGE_SIZE_OFFSET)} * std::uint32_t{infoU16(PAGE_COUNT_OFFSET)};
    flashChanged_ = true;
    return retry(state_.RetryCount, sleep_, RETRY_PAUSE,
                 [&] { return channel_.EraseFlash(size) == 0; });
}

bool FlashSequence::setWritePointerChecked(std::uint32_t address) {
    return retry(state_.RetryCount, sleep_, RETRY_PAUSE, [&] {
        if (channel_.SetWritePointer(address) != 0) {
            return false;
        }
        std::uint32_t pointer = BootloaderCommands::READ_POINTER;
        return channel_.GetWritePointer(pointer) == 0 && pointer == address;
    });
}

bool FlashSequence::writeBlocks(std::span<const std::uint8_t> block, std::uint32_t start,
                                int progressBase, int progressSpan) {
    const std::size_t size = package_.header.BlockSize;
    const std::size_t pieces = pieceCount(block.size(), size);
    std::uint32_t pointer = start;
    for (std::size_t k = 0; k < pieces; ++k) {
        const auto piece = block.subspan(k * size, std::min(size, block.size() - k * size));
        if (!writePiece(piece, pointer)) {
            return false;
        }
        setProgress(progressBase + static_cast<int>((k + 1) * progressSpan / pieces));
    }
    return true;
}

bool FlashSequence::writePiece(std::span<const std::uint8_t> piece, std::uint32_t& pointer) {
    const auto expected = static_cast<std::uint32_t>(pointer + piece.size());
    for (int tried = 1; tried <= state_.RetryCount; ++tried) {
        std::uint32_t reported = 0;
        if (channel_.WriteBlock(piece, reported) == 0 && reported == expected) {
            pointer = expected;
            return true;
        }
        // A wrong pointer, and equally a write nobody answered, leaves the pointer unknown:
        // it goes back to the last confirmed place before the piece is written again.
        if (!setWritePointerChecked(pointer)) {
            return false;
        }
        if (tried < state_.RetryCount) {
            sleep_(RETRY_PAUSE);
        }
    }
    return false;
}

bool FlashSequence::versionAreaMatches(std::span<const std::uint8_t> block) {
    for (std::size_t offset = 0, record = 0; offset < block.size();
         offset += VERSION_RECORD_BYTES, ++record) {
        const auto part =
            block.subspan(offset, std::min(VERSION_RECORD_BYTES, block.size() - offset));
        FirmwareRecordBlock read{};
        if (channel_.ReadFirmwareRecord(static_cast<std::uint8_t>(record), read) != 0 ||
            !std::equal(part.begin(), part.end(), read.begin())) {
            return false;
        }
    }
    return true;
}

void FlashSequence::recoveryErase() {
    const std::uint32_t size =
        std::uint32_t{infoU16(PAGE_SIZE_OFFSET)} + std::uint32_t{infoU16(START_ADDRESS_OFFSET)};
    retry(state_.RetryCount, sleep_, RETRY_PAUSE, [&] { return channel_.EraseFlash(size) == 0; });
}

std::uint16_t FlashSequence::infoU16(std::size_t offset) const {
    return static_cast<std::uint16_t>(state_.FirmwareInfo[offset] | state_.FirmwareInfo[offset + 1]
                                                                        << 8);
}

void FlashSequence::setProgress(int position) {
    if (progress_) {
        progress_(position);
    }
}

} // namespace lumetta::flash
