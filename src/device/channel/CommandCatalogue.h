#pragma once

#include "device/channel/CommandReport.h"
#include "device/wire/EffectEntry.h"
#include "device/wire/EffectListRecord.h"
#include "device/wire/KeyColorTransfer.h"
#include "device/wire/KeyEffectMap.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <span>

namespace lumetta {

// Selects an effect: byte 0 the device effect number, the rest zero in every request we send.
struct EffectSelectRecord {
    std::uint8_t effect;
    std::uint8_t reserved[10];
    bool operator==(const EffectSelectRecord&) const = default;
};

LUMETTA_PLAIN_BLOCK(EffectSelectRecord, 11);

inline EffectSelectRecord selectRecordFor(std::uint8_t deviceNumber) {
    EffectSelectRecord record{};
    record.effect = deviceNumber;
    return record;
}

using FirmwareInfoBlock = std::array<std::uint8_t, 64>;
using FirmwareRecordBlock = std::array<std::uint8_t, COMMAND_DATA_SIZE>;
using StatusBlock = std::array<std::uint8_t, 20>;
// GetProfileName's buffer: the size of a record's name in bytes.
using ProfileNameBuffer = std::array<std::uint8_t, 520>;

// Byte of the status block that holds the keyboard's current profile.
inline constexpr std::size_t STATUS_PROFILE_BYTE = 4;
// The most name bytes one report can carry; a keyboard that claims more is held to this.
inline constexpr std::uint8_t MAX_NAME_LENGTH = COMMAND_DATA_SIZE;

// Every command the configurator sends to the running keyboard. Each runs one transaction over
// the small interface below, so the same code drives a real channel, a keyboard simulated in
// process, or a fuzzer's answers. Results: 0 answered, 1 failed (no keyboard, write refused,
// no answer). Out-parameters are written only on success unless a method says otherwise.
class CommandCatalogue {
public:
    virtual ~CommandCatalogue() = default;

    // The transaction interface.
    virtual bool isConnected() const = 0;
    // 0 when answered (the report then holds the answer), 1 when not.
    virtual int Transact(CommandReport& report) = 0;
    // Pauses between commands, exact at the millisecond scale.
    virtual void busyWait(std::chrono::microseconds span);
    // Pauses where a real sleep is wanted.
    virtual void sleep(std::chrono::milliseconds span);

    // Milliseconds every paced command waits after its transaction. Never changes.
    int Pacing() const { return 1; }
    // Bytes of a profile name the keyboard keeps, learned by GetDeviceInfo (at most 60).
    std::uint8_t NameLength() const { return nameLength_; }
    // Commands that returned 1 since the object was made.
    std::uint64_t failedCommands() const { return failedCommands_; }

    // 0x12: firmware information. The out buffers are cleared first.
    int ReadFirmwareInfo(FirmwareInfoBlock& out);
    // Sets `out` only when the answer names the record index (answer byte 4 is 4).
    int ReadFirmwareVersionIndex(std::uint32_t& out);
    int ReadFirmwareRecord(std::uint8_t n, FirmwareRecordBlock& out);

    // 0x40: device information and status.
    int GetDeviceInfo();
    int GetStatus(StatusBlock& out);

    // 0x41, 0x42: mode and event set-up.
    int SetMode(std::uint8_t mode);
    int SetupEvents(std::uint32_t a, std::uint8_t b);

    // 0x50: profile store operations on the current profile.
    int ResetProfile();
    int CommitProfile();

    // Makes profile p current and reads it back until the keyboard reports it (five reads at
    // most). Returns the OR of all transaction results.
    int SelectProfile(std::uint8_t p);
    // `value` goes out as the request's data and comes back as the keyboard's current profile;
    // a value above 6 comes back as 0.
    int GetProfile(std::uint8_t& value);
    // The first NameLength bytes of `name` (the UTF-16 units of a record's name).
    int SetProfileName(std::uint16_t p, std::span<const std::uint8_t> name);
    // Clears `out` and fills NameLength bytes, unless the keyboard answers "no name" (0xFF).
    int GetProfileName(std::uint16_t p, ProfileNameBuffer& out);

    int SelectEffect(const EffectSelectRecord& record);
    // The record is cleared, then filled from a successful answer.
    int GetEffect(EffectSelectRecord& record);
    int SetEffectList(const EffectListRecord& record);
    // The record is cleared, then filled from a successful answer.
    int GetEffectList(EffectListRecord& record);
    // Sends the five entries after encoding them (levels to device values); layer 1 is the base
    // layer, 2 the multi-layer. The only write without the pacing pause.
    int SetEffectEntries(std::uint16_t layer, const EffectEntryBlock& entries);
    // Sends the entries as given (the wanted effect number in entry 0) and decodes the answer.
    int GetEffectEntries(std::uint16_t layer, EffectEntryBlock& entries);

    // 0 customization memory 1, 1 memory 2.
    int SelectCustomMemory(std::uint8_t m);
    int SetKeyEffectChunk(const KeyEffectChunk& chunk);
    // The chunk's header names the wanted part.
    int GetKeyEffectChunk(KeyEffectChunk& chunk);
    // `index` counts units of 8 LEDs.
    int SetKeyColors(std::uint16_t index, const KeyColorChunk& chunk);
    int GetKeyColors(std::uint16_t index, KeyColorChunk& chunk);

private:
    // One command: 1 at once without a keyboard, else one transaction and, when paced, the
    // pacing pause after it.
    int run(CommandReport& report, bool paced);

    std::uint8_t nameLength_ = 0;
    std::uint64_t failedCommands_ = 0;
};

} // namespace lumetta
