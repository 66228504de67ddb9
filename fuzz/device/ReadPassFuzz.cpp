// The device session's passes against a keyboard that answers from the simulated firmware, with
// the fuzzer choosing, transaction by transaction, to lose the answer, bend some of its bytes,
// replace it with bytes of its own, or pull the cable. Everything runs in process, without
// threads or pauses.
//
// Input: byte 0 chooses the key map (0: key i on LED i; n: n keys on LEDs from the following
// bytes). Then one control byte per transaction, followed by the bytes that control needs.
#include "device/channel/CommandCatalogue.h"
#include "kbsim/FirmwareEngine.h"
#include "kbsim/KeyboardState.h"
#include "lighting/model/LayerDefaults.h"
#include "shell/session/DeviceSession.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

using namespace lumetta;

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return offset_ >= size_; }
    std::uint8_t byte() { return empty() ? 0 : data_[offset_++]; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

class FuzzedKeyboard : public CommandCatalogue {
public:
    explicit FuzzedKeyboard(Input& input)
        : input_(input), state_(kbsim::factoryState(kbsim::Layout::US)), engine_(state_) {}

    bool isConnected() const override { return connected_; }

    int Transact(CommandReport& report) override {
        if (!connected_ || ++transactions_ > 4000) {
            return 1;
        }
        kbsim::Report request;
        std::memcpy(request.data(), &report, request.size());
        const kbsim::EngineOutcome outcome = engine_.handle(request, faults_);
        kbsim::Report answer = outcome.answer.value_or(kbsim::Report{});
        switch (input_.empty() ? 0 : input_.byte() % 5) {
        case 0:
            break;
        case 1:
            return 1; // lost
        case 2: {
            const int changes = 1 + input_.byte() % 4;
            for (int i = 0; i < changes; ++i) {
                answer[4 + input_.byte() % 60] = input_.byte();
            }
            break;
        }
        case 3:
            for (std::size_t i = 4; i < answer.size(); ++i) {
                answer[i] = input_.byte();
            }
            std::memcpy(answer.data(), &report, 4);
            break;
        default:
            connected_ = false;
            return 1;
        }
        // The channel takes only an answer that repeats the request's first four bytes.
        if (std::memcmp(answer.data(), &report, 4) != 0) {
            return 1;
        }
        std::memcpy(&report, answer.data(), sizeof report);
        return 0;
    }
    void busyWait(std::chrono::microseconds) override {}
    void sleep(std::chrono::milliseconds) override {}

private:
    Input& input_;
    kbsim::KeyboardState state_;
    kbsim::FirmwareEngine engine_;
    kbsim::Faults faults_;
    bool connected_ = true;
    int transactions_ = 0;
};

KeyMap keyMapFrom(Input& input) {
    KeyMap map;
    const std::uint8_t choice = input.byte();
    map.keyCount = choice == 0 ? MAX_KEYS : 1 + (choice - 1) % MAX_KEYS;
    for (int key = 0; key < MAX_KEYS; ++key) {
        map.keyLed[key] = choice == 0 ? static_cast<std::uint8_t>(key) : input.byte();
        map.keyRow[key] = static_cast<std::uint8_t>(1 + key / 24);
        map.keyColumn[key] = static_cast<std::uint8_t>(1 + key % 24);
    }
    return map;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input(data, size);
    const KeyMap map = keyMapFrom(input);
    FuzzedKeyboard keyboard(input);
    auto store = std::make_unique<ProfileStore>();
    auto saved = std::make_unique<ProfileStore>();
    resetProfileStore(*store, true, map);
    DeviceSession session(keyboard, *store, *saved, {}, map);
    session.setUpArrival();
    session.readProfilesFromKeyboard(DeviceSession::ALL_PROFILES);
    session.finishLoad(DeviceSession::ALL_PROFILES);
    session.handleDeviceEvent(3);
    // Whatever was read must go back out as well.
    session.saveToKeyboard();
    session.resetProfileOnKeyboard(store->currentProfile);
    session.readProfilesFromKeyboard(store->currentProfile);
    session.exitStep();
    return 0;
}
