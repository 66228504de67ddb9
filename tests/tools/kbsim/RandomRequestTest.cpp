// Arbitrary reports from a host must never crash the keyboard, and every answer keeps the form
// the host matches answers by.
#include "kbsim/KeyboardDevice.h"
#include "kbsim/StateFile.h"

#include <gtest/gtest.h>

#include <random>

namespace lumetta::kbsim {
namespace {

using namespace std::chrono_literals;

bool wellFormed(const Report& request, const Report& answer) {
    const bool echo = std::equal(request.begin(), request.begin() + 4, answer.begin());
    const bool refusal = answer[0] == 0xFF && answer[1] == 0xAA && answer[4] == request[0] &&
                         answer[5] == request[1];
    const bool written = request[0] == 0x1F && answer[0] == 0x1E && answer[1] == 0x02;
    return echo || refusal || written;
}

TEST(RandomRequestTest, EveryAnswerEchoesOrRefuses) {
    std::mt19937 random(20240611);
    // Mostly commands the keyboard knows, so that the handlers themselves get the random data.
    const std::uint8_t commands[] = {0x10, 0x11, 0x12, 0x1D, 0x1E, 0x1F, 0x40,
                                     0x41, 0x42, 0x50, 0x51, 0x52, 0x77};
    KeyboardDevice device(factoryState(Layout::US));
    auto now = KeyboardDevice::TimePoint(1s);
    device.powerOn(now);
    int answers = 0;
    for (int i = 0; i < 20000; ++i) {
        Report request;
        for (auto& b : request) {
            b = static_cast<std::uint8_t>(random());
        }
        request[0] = commands[random() % std::size(commands)];
        if (request[0] == 0x11 && random() % 50 != 0) {
            request[0] = 0x12; // restarts are slow; let only a few through
        }
        device.takeDue(now);
        if (!device.attached()) {
            now += 1s;
            device.plug(now);
            device.takeDue(now);
        }
        device.receive(now, request);
        now += 300ms;
        for (const DeviceAction& action : device.takeDue(now)) {
            if (action.kind == DeviceAction::Kind::SEND) {
                ++answers;
                ASSERT_TRUE(wellFormed(request, action.report))
                    << "request " << std::hex << int(request[0]) << "/" << int(request[1]);
            }
        }
    }
    EXPECT_GT(answers, 15000);
    EXPECT_TRUE(parseState(serializeState(device.state())).state)
        << "whatever the host did, the state file must read back";
}

TEST(RandomRequestTest, DamagedStateFilesAreRejectedNotCrashedOn) {
    std::mt19937 random(7);
    const std::string good = serializeState(factoryState(Layout::EU));
    for (int i = 0; i < 300; ++i) {
        std::string text = good;
        for (int flips = 1 + random() % 4; flips > 0; --flips) {
            text[random() % text.size()] = static_cast<char>(random());
        }
        if (random() % 3 == 0) {
            text.resize(random() % text.size());
        }
        const StateParseResult result = parseState(text);
        EXPECT_TRUE(result.state.has_value() == result.error.empty()) << result.error;
    }
}

} // namespace
} // namespace lumetta::kbsim
