#pragma once

#include "device/channel/CommandCatalogue.h"
#include "kbsim/FirmwareEngine.h"
#include "kbsim/KeyboardState.h"

#include <chrono>
#include <cstring>
#include <optional>
#include <vector>

namespace lumetta::testing {

// The simulated keyboard's firmware answering in process, without threads or pauses: the
// channel's echo rule applies (an answer that does not repeat the request's first four bytes
// counts as no answer), and a keyboard can be made to drop answers or to leave after a number
// of requests.
class InProcessKeyboard : public CommandCatalogue {
public:
    explicit InProcessKeyboard(kbsim::Layout layout = kbsim::Layout::US)
        : state(kbsim::factoryState(layout)), engine(state) {}

    bool isConnected() const override { return connected; }
    int Transact(CommandReport& report) override {
        requests.push_back(report);
        if (leaveAfter && requests.size() > *leaveAfter) {
            connected = false;
        }
        if (!connected) {
            return 1;
        }
        kbsim::Report request;
        std::memcpy(request.data(), &report, request.size());
        const kbsim::EngineOutcome outcome = engine.handle(request, faults);
        if (dropAnswers > 0) {
            --dropAnswers;
            return 1;
        }
        if (!outcome.answer || std::memcmp(outcome.answer->data(), &report, 4) != 0) {
            return 1;
        }
        std::memcpy(&report, outcome.answer->data(), sizeof report);
        return 0;
    }
    void busyWait(std::chrono::microseconds span) override { paused += span; }
    void sleep(std::chrono::milliseconds span) override { paused += span; }

    // Requests with the given command bytes, in order.
    std::vector<CommandReport> sent(std::uint8_t command, std::uint8_t subCommand) const {
        std::vector<CommandReport> found;
        for (const CommandReport& r : requests) {
            if (r.Command == command && r.SubCommand == subCommand) {
                found.push_back(r);
            }
        }
        return found;
    }

    kbsim::KeyboardState state;
    kbsim::FirmwareEngine engine;
    kbsim::Faults faults;
    bool connected = true;
    int dropAnswers = 0;
    std::optional<std::size_t> leaveAfter;
    std::vector<CommandReport> requests;
    std::chrono::microseconds paused{0};
};

} // namespace lumetta::testing
