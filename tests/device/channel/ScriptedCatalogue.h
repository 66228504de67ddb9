#pragma once

#include "device/channel/CommandCatalogue.h"

#include <chrono>
#include <cstring>
#include <functional>
#include <vector>

namespace lumetta::testing {

// A catalogue whose keyboard is a function: it records every request and the pauses, and
// answers through `answer` (return 0 and fill the report, or 1 for no answer). By default every
// request is echoed with zero data.
class ScriptedCatalogue : public CommandCatalogue {
public:
    bool isConnected() const override { return connected; }
    int Transact(CommandReport& report) override {
        requests.push_back(report);
        if (!answer) {
            CommandReport echo = makeRequest(report.Command, report.SubCommand, report.Index);
            report = echo;
            return 0;
        }
        return answer(report);
    }
    void busyWait(std::chrono::microseconds span) override { busyWaits.push_back(span); }
    void sleep(std::chrono::milliseconds span) override { sleeps.push_back(span); }

    bool connected = true;
    std::function<int(CommandReport&)> answer;
    std::vector<CommandReport> requests;
    std::vector<std::chrono::microseconds> busyWaits;
    std::vector<std::chrono::milliseconds> sleeps;
};

// An answer with the request's first four bytes and the given data bytes.
inline CommandReport echoWith(const CommandReport& request, std::initializer_list<int> data) {
    CommandReport answer = makeRequest(request.Command, request.SubCommand, request.Index);
    int i = 0;
    for (int byte : data) {
        answer.Data[i++] = static_cast<std::uint8_t>(byte);
    }
    return answer;
}

} // namespace lumetta::testing
