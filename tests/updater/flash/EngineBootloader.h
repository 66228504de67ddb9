#pragma once

// The simulated keyboard's bootloader engine behind the bootloader command interface, in
// process and without time: every request is answered at once, or not at all when the engine
// does not answer or a test's rule drops the answer.

#include "kbsim/BootloaderEngine.h"
#include "kbsim/FactoryContent.h"
#include "updater/flash/BootloaderCommands.h"

#include <cstring>
#include <functional>
#include <optional>
#include <vector>

namespace lumetta::flash::test {

class EngineBootloader : public BootloaderCommands {
public:
    // May change or drop (reset) the answer to a request.
    using AnswerRule =
        std::function<void(const CommandReport& request, std::optional<CommandReport>& answer)>;

    EngineBootloader() : state(kbsim::factoryState(kbsim::Layout::US)), engine(state) {}

    bool isConnected() const override { return connected; }

    int TransactWithin(CommandReport& report, std::chrono::milliseconds wait) override {
        requests.push_back(report);
        waits.push_back(wait);
        std::optional<CommandReport> answer = handle(report);
        if (rule) {
            rule(report, answer);
        }
        if (!answer) {
            return 1;
        }
        report = *answer;
        return report.Command == 0xFF && report.SubCommand == 0xAA ? 1 : 0;
    }

    int WriteOnly(const CommandReport& report) override {
        requests.push_back(report);
        waits.push_back(std::chrono::milliseconds(0));
        handle(report);
        return 0;
    }

    void busyWait(std::chrono::microseconds) override {}

    // The requests with this command and sub-command byte (any sub-command when it is negative).
    std::vector<CommandReport> sent(std::uint8_t command, int subCommand = -1) const {
        std::vector<CommandReport> matching;
        for (const CommandReport& request : requests) {
            if (request.Command == command &&
                (subCommand < 0 || request.SubCommand == subCommand)) {
                matching.push_back(request);
            }
        }
        return matching;
    }

    kbsim::KeyboardState state;
    kbsim::BootloaderEngine engine;
    kbsim::Faults faults;
    bool connected = true;
    AnswerRule rule;
    std::vector<CommandReport> requests;
    std::vector<std::chrono::milliseconds> waits;

private:
    std::optional<CommandReport> handle(const CommandReport& request) {
        kbsim::Report bytes;
        std::memcpy(bytes.data(), &request, bytes.size());
        const kbsim::EngineOutcome outcome = engine.handle(bytes, faults);
        if (!outcome.answer) {
            return std::nullopt;
        }
        CommandReport answer;
        std::memcpy(&answer, outcome.answer->data(), sizeof answer);
        return answer;
    }
};

inline std::uint32_t dataU32(const CommandReport& report, std::size_t offset) {
    std::uint32_t value = 0;
    std::memcpy(&value, report.Data + offset, 4);
    return value;
}

} // namespace lumetta::flash::test
