#pragma once

#include "device/channel/CommandCatalogue.h"

#include <chrono>
#include <cstdint>
#include <span>

namespace lumetta::flash {

// The commands of the keyboard's bootloader, beside the firmware information commands every
// channel has. Each sends one report and returns 0 on success, 1 on failure (no keyboard, write
// refused, no answer within its wait, a rejection); out-parameters are written only on success.
// Like the catalogue it runs over a small transaction interface, so the flashing code drives a
// real channel and an in-process bootloader alike.
class BootloaderCommands : public CommandCatalogue {
public:
    static constexpr std::chrono::milliseconds ANSWER_WAIT{500};
    static constexpr std::chrono::milliseconds POINTER_WAIT{1000};
    // What GetWritePointer sends when it only wants to read the pointer.
    static constexpr std::uint32_t READ_POINTER = 0xFFFFFFFF;
    static constexpr std::size_t MAX_BLOCK = COMMAND_DATA_SIZE;

    // The longest an erase of `size` bytes may take to answer: 1 s per whole 10 KiB, at least
    // the usual 500 ms.
    static std::chrono::milliseconds eraseWait(std::uint32_t size);

    // The transaction interface: one request and its answer within `wait`; 0 when answered (the
    // report then holds the answer), 1 when not.
    virtual int TransactWithin(CommandReport& report, std::chrono::milliseconds wait) = 0;
    // One request whose answer nobody waits for (the keyboard restarts instead): 0 when the
    // write went out.
    virtual int WriteOnly(const CommandReport& report) = 0;
    int Transact(CommandReport& report) override { return TransactWithin(report, ANSWER_WAIT); }

    // 0x10: firmware targets of a keyboard that hosts several.
    int SelectTarget(std::uint32_t target);
    int GetTarget(std::uint32_t& out);
    int GetTargetCount(std::uint32_t& out);

    // 0x11: restarts, not answered.
    int EnterBootloader();
    int ResetDevice();

    // 0x1D: erase and checksum over flash.
    int EraseFlash(std::uint32_t size);
    int GetFlashChecksum(std::uint32_t start, std::uint32_t length, std::uint32_t& out);

    // 0x1E: the write pointer. `pointer` goes out as the request's value and comes back as the
    // keyboard's pointer.
    int SetWritePointer(std::uint32_t address);
    int GetWritePointer(std::uint32_t& pointer);

    // 0x1F: writes up to 60 bytes at the write pointer; `pointer` receives the pointer after the
    // write. More than 60 bytes is refused without sending.
    int WriteBlock(std::span<const std::uint8_t> data, std::uint32_t& pointer);

private:
    int exchange(CommandReport& report, std::chrono::milliseconds wait);
    int exchangeForValue(CommandReport& report, std::chrono::milliseconds wait, std::uint32_t& out);
};

} // namespace lumetta::flash
