#pragma once

#include "kbsim/BootloaderEngine.h"
#include "kbsim/Faults.h"
#include "kbsim/FirmwareEngine.h"
#include "kbsim/KeyboardState.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace lumetta::kbsim {

inline constexpr std::uint16_t VENDOR_ID = 0x04D9;
inline constexpr std::uint16_t APP_PRODUCT_ID = 0x0203;
inline constexpr std::uint16_t BOOT_PRODUCT_ID = 0x1203;

// Something the program around the device has to do at its time.
struct DeviceAction {
    enum class Kind {
        // Send `report` to the host on the command interface.
        SEND,
        // Materialise the keyboard's interfaces with `productId` (only the command interface
        // in the bootloader).
        ATTACH,
        // Remove the keyboard's interfaces.
        DETACH,
        // Write the state file.
        SAVE,
        // Write `note` to the report log.
        NOTE,
    };
    Kind kind = Kind::NOTE;
    Report report{};
    std::uint16_t productId = 0;
    bool bootloader = false;
    std::string note;
};

// The keyboard as the host sees it over time: which firmware answers, when answers are due,
// when it leaves and comes back, and the faults. It does no I/O and reads no clock: the
// program feeds it the time and carries out the actions it hands back.
class KeyboardDevice {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;

    // Time from a restart request until the keyboard is back under its new product id.
    static constexpr std::chrono::milliseconds RESTART_TIME{500};
    // Time from a restart request until the keyboard's interfaces are gone.
    static constexpr std::chrono::milliseconds LEAVE_TIME{2};
    // Changes are written to the state file this long after the first unsaved one.
    static constexpr std::chrono::milliseconds SAVE_DELAY{100};

    explicit KeyboardDevice(KeyboardState state);
    // The engines keep a reference to the state.
    KeyboardDevice(const KeyboardDevice&) = delete;
    KeyboardDevice& operator=(const KeyboardDevice&) = delete;

    // The simulator starts: the keyboard is plugged in.
    void powerOn(TimePoint now);

    // One output report from the host, without its report id.
    void receive(TimePoint now, const Report& request);

    // Keys and cable. The key presses return an error text (empty when done).
    std::string pressProfileKey(TimePoint now);
    std::string pressModeKey(TimePoint now);
    void unplug(TimePoint now);
    void plug(TimePoint now);
    // Applies `unplugAfter` of the faults: 0 unplugs at once.
    void setUnplugAfter(TimePoint now, std::uint32_t requests);

    Faults& faults() { return faults_; }
    const Faults& faults() const { return faults_; }

    std::optional<TimePoint> nextDue() const;
    // Everything due at `now`, in order.
    std::vector<DeviceAction> takeDue(TimePoint now);

    bool attached() const { return attached_; }
    bool inBootloader() const { return bootloader_; }
    bool returning() const;
    std::uint16_t productId() const { return bootloader_ ? BOOT_PRODUCT_ID : APP_PRODUCT_ID; }
    std::uint64_t requestCount() const { return requests_; }
    bool dirty() const { return dirty_; }

    const KeyboardState& state() const { return state_; }
    const FirmwareEngine& firmware() const { return firmware_; }
    const BootloaderEngine& bootloader() const { return bootloaderEngine_; }

    // The first frame boundary strictly after `t`: answers never come earlier.
    static TimePoint nextFrame(TimePoint t);

private:
    void schedule(TimePoint at, DeviceAction action);
    void scheduleAnswer(TimePoint now, const Report& report, std::chrono::microseconds busy);
    void note(TimePoint now, std::string text);
    void markDirty(TimePoint now, bool urgent = false);
    void depart(TimePoint now, bool toBootloader);
    void cancel(DeviceAction::Kind kind);
    void countRequest(TimePoint now);
    std::optional<TimePoint> pendingAnswerDue() const;
    DeviceAction attachNow(bool bootloaderMode);

    KeyboardState state_;
    Faults faults_;
    FirmwareEngine firmware_;
    BootloaderEngine bootloaderEngine_;
    bool attached_ = false;
    bool bootloader_ = false;
    bool dirty_ = false;
    std::uint64_t requests_ = 0;
    std::uint64_t sequence_ = 0;
    TimePoint lastAnswerDue_{};
    std::map<std::pair<TimePoint, std::uint64_t>, DeviceAction> schedule_;
};

} // namespace lumetta::kbsim
