#include "RequestBuilder.h"

#include "kbsim/FactoryContent.h"
#include "kbsim/FirmwareEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace lumetta::kbsim {
namespace {

using test::request;

std::vector<std::uint8_t> bytes(const Report& r, std::size_t from, std::size_t count) {
    return {r.begin() + from, r.begin() + from + count};
}

class FirmwareEngineTest : public ::testing::Test {
protected:
    Report ask(const Report& r) {
        const EngineOutcome outcome = engine.handle(r, faults);
        EXPECT_TRUE(outcome.answer.has_value()) << "no answer to " << int(r[0]) << "/" << int(r[1]);
        return outcome.answer.value_or(Report{});
    }

    KeyboardState state = factoryState(Layout::US);
    Faults faults;
    FirmwareEngine engine{state};
};

TEST_F(FirmwareEngineTest, EveryAnswerRepeatsTheRequestsFirstFourBytes) {
    const Report cases[] = {
        request(0x12, 0x00),
        request(0x12, 0x01),
        request(0x12, 0x21),
        request(0x40, 0x20),
        request(0x40, 0x63),
        request(0x41, 0x03),
        request(0x42, 0x00, 0, {1, 0, 0, 1, 1}),
        request(0x50, 0x55),
        request(0x51, 0x00, 0, {2}),
        request(0x51, 0x01, 0x0002),
        request(0x51, 0x28, 0, {2}),
        request(0x51, 0x29),
        request(0x51, 0x2C, 0x0001, {}, 0xFF),
        request(0x51, 0x30, 0, {1}),
        request(0x51, 0xA0, 0x0002, {7, 7}),
        request(0x51, 0xA8, 0x000D),
        request(0x52, 0x00),
        request(0x52, 0x01, 0x0005),
        request(0x52, 0x28, 0x1234),
        request(0x52, 0x29),
        request(0x52, 0x2C, 0x0002, {4}, 0xFF),
        request(0x52, 0xA0, 0x0002, {14, 1}),
        request(0x52, 0xA8, 0x010D),
    };
    for (const Report& r : cases) {
        const Report answer = ask(r);
        EXPECT_EQ(bytes(answer, 0, 4), bytes(r, 0, 4)) << "request " << std::hex << int(r[0]) << "/"
                                                       << int(r[1]) << " index " << reportIndex(r);
    }
}

TEST_F(FirmwareEngineTest, RefusesBootloaderCommandsNamingThem) {
    const FlashBytes before = state.flash;
    const Report cases[] = {
        request(0x10, 0x00), request(0x10, 0x01),
        request(0x10, 0x02), test::requestU32(0x1D, 0x00, 0, 4096),
        request(0x1D, 0x01), request(0x1E, 0x00),
        request(0x1E, 0x01), request(0x1F, 0x38, 0, {1, 2, 3}),
    };
    for (const Report& r : cases) {
        const Report answer = ask(r);
        EXPECT_EQ(bytes(answer, 0, 6), (std::vector<std::uint8_t>{0xFF, 0xAA, 0, 0, r[0], r[1]}))
            << "request " << std::hex << int(r[0]) << "/" << int(r[1]);
    }
    EXPECT_EQ(state.flash, before) << "a refused command changed the flash";
}

TEST_F(FirmwareEngineTest, EnterBootloaderIsNotAnsweredAndLeavesUnlessRefused) {
    EngineOutcome outcome = engine.handle(request(0x11, 0x00), faults);
    EXPECT_FALSE(outcome.answer);
    EXPECT_EQ(outcome.departure, EngineOutcome::Departure::ENTER_BOOTLOADER);

    faults.refuseBootloader = true;
    outcome = engine.handle(request(0x11, 0x00), faults);
    EXPECT_FALSE(outcome.answer);
    EXPECT_EQ(outcome.departure, EngineOutcome::Departure::NONE);
}

TEST_F(FirmwareEngineTest, FirmwareInformationCarriesIdentityAndFlashGeometry) {
    state = factoryState(Layout::EU);
    const Report info = ask(request(0x12, 0x00));
    const std::string model(info.begin() + 8, info.begin() + 24);
    EXPECT_EQ(readU32(&info[4]), 1u);
    EXPECT_EQ(model, "LUMETTA-SIM-0001");
    EXPECT_EQ(readU16(&info[24]), 2) << "layout id";
    EXPECT_EQ(readU16(&info[36]), 1024) << "page size";
    EXPECT_EQ(readU16(&info[38]), 60) << "pages";
    EXPECT_EQ(readU16(&info[40]), 0x1000) << "start of the firmware area";

    const Report index = ask(request(0x12, 0x01));
    EXPECT_EQ(index[4], 4);
    EXPECT_EQ(readU16(&index[6]), 1);

    const Report record0 = ask(request(0x12, 0x20));
    EXPECT_EQ(readU32(&record0[4]), 26u);
    std::u16string text;
    for (std::size_t i = 8; i < 8 + 24; i += 2) {
        text.push_back(static_cast<char16_t>(readU16(&record0[i])));
    }
    EXPECT_EQ(text, u"V1.2 build 5");

    const Report record1 = ask(request(0x12, 0x21));
    EXPECT_EQ(record1[6], 1) << "major";
    EXPECT_EQ(record1[7], 2) << "minor";
    EXPECT_EQ(readU32(&record1[8]), 5u) << "build";
}

TEST_F(FirmwareEngineTest, EffectEntriesAnswerWhatWasStoredElseTheFactoryEntry) {
    const EffectEntryBytes base = {2, 49, 0xA0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0};
    const EffectEntryBytes multi = {2, 70, 0x20, 0xFF, 0xFF, 0xFF, 0, 0, 0xFF, 0, 0, 0};
    auto set = [&](std::uint16_t layer, const EffectEntryBytes& e) {
        Report r = request(0x51, 0x2C, layer, {}, 0xFF);
        std::copy(e.begin(), e.end(), r.begin() + 4);
        ask(r);
    };
    ask(request(0x51, 0x00, 0, {3})); // profile 3 stores no BREATH entry at the factory
    set(1, base);
    set(2, multi);

    struct Case {
        std::uint16_t layer;
        std::uint8_t number;
        EffectEntryBytes expected;
    };
    const Case cases[] = {
        {1, 2, base},
        {2, 2, multi},
        {1, 5, factoryEntry(5)},
        {2, 11, factoryEntry(11)},
        // Profile 3 leaves the factory with its own warm-white STATIC entry.
        {1, 0, factoryProfile(3).entries[0].at(0)},
        {2, 0, factoryEntry(0)},
    };
    for (const Case& c : cases) {
        const Report answer = ask(request(0x52, 0x2C, c.layer, {c.number}, 0xFF));
        EXPECT_EQ(bytes(answer, 4, 12),
                  std::vector<std::uint8_t>(c.expected.begin(), c.expected.end()))
            << "layer " << c.layer << " effect " << int(c.number);
        EXPECT_EQ(bytes(answer, 16, 48), std::vector<std::uint8_t>(48, 0xFF))
            << "entries 1 to 4 must be unused";
    }
}

TEST(FactoryEntryTest, SpeedsAreDeviceValuesOfTheirEffect) {
    // The seven device speeds of each effect; a factory entry must use one of them so that the
    // configurator reads a clean level back.
    struct Case {
        std::uint8_t number;
        std::vector<std::uint8_t> speeds;
    };
    const Case cases[] = {
        {1, {90, 80, 60, 49, 40, 30, 20}},
        {2, {70, 60, 55, 49, 44, 38, 28}},
        {3, {80, 70, 65, 56, 45, 39, 20}},
        {4, {80, 72, 66, 60, 51, 42, 30}},
        {5, {180, 150, 120, 108, 102, 98, 96}},
        {6, {179, 150, 120, 108, 102, 98, 96}},
        {7, {70, 65, 60, 56, 50, 40, 30}},
        {8, {65, 59, 54, 49, 45, 41, 37}},
        {10, {65, 57, 50, 42, 35}},
        {11, {70, 65, 60, 55, 50}},
    };
    for (const Case& c : cases) {
        std::vector<EffectEntryBytes> entries = {factoryEntry(c.number)};
        for (int p = 0; p < PROFILE_COUNT; ++p) {
            for (const auto& layer : factoryProfile(p).entries) {
                if (auto it = layer.find(c.number); it != layer.end()) {
                    entries.push_back(it->second);
                }
            }
        }
        for (const auto& e : entries) {
            EXPECT_NE(std::find(c.speeds.begin(), c.speeds.end(), e[1]), c.speeds.end())
                << "effect " << int(c.number) << " speed " << int(e[1]);
            EXPECT_EQ(e[4], 0xFF) << "effect " << int(c.number) << " reserved byte";
        }
    }
}

TEST_F(FirmwareEngineTest, SelectProfileMakesItCurrentForReadsAndStatus) {
    ask(request(0x51, 0x00, 0, {4}));
    EXPECT_EQ(ask(request(0x52, 0x00))[4], 4);
    EXPECT_EQ(ask(request(0x40, 0x63))[8], 4);
    EXPECT_EQ(ask(request(0x52, 0x28))[4], factoryProfile(4).selectedEffect[0]);

    ask(request(0x51, 0x29, 0, {1, 2, 0xFF}, 0xFF));
    EXPECT_EQ(bytes(ask(request(0x52, 0x29)), 4, 3), (std::vector<std::uint8_t>{1, 2, 0xFF}));

    ask(request(0x51, 0x00, 0, {6})); // no such profile: stays on 4
    EXPECT_EQ(ask(request(0x52, 0x00))[4], 4);

    ask(request(0x51, 0x00, 0, {0}));
    const auto& list = factoryProfile(0).effectList;
    EXPECT_EQ(bytes(ask(request(0x52, 0x29)), 4, 18),
              std::vector<std::uint8_t>(list.begin(), list.end()))
        << "writing profile 4's list touched profile 0";
}

TEST_F(FirmwareEngineTest, NamesArePerProfileAndUnnamedAnswers0xFF) {
    EXPECT_EQ(bytes(ask(request(0x52, 0x01, 2)), 4, NAME_LENGTH),
              std::vector<std::uint8_t>(NAME_LENGTH, 0xFF));

    ask(request(0x51, 0x01, 2, {'G', 0, 'a', 0, 'm', 0, 'e', 0}));
    const Report named = ask(request(0x52, 0x01, 2));
    std::vector<std::uint8_t> expected(NAME_LENGTH, 0);
    for (std::size_t i = 0; i < 8; i += 2) {
        expected[i] = "Game"[i / 2];
    }
    EXPECT_EQ(bytes(named, 4, NAME_LENGTH), expected);
    EXPECT_EQ(ask(request(0x52, 0x01, 3))[4], 0xFF) << "naming profile 2 named profile 3";

    ask(request(0x51, 0x00, 0, {2}));
    ask(request(0x50, 0x10, 0, {0}));
    EXPECT_EQ(ask(request(0x52, 0x01, 2))[4], 0xFF) << "a reset profile is unnamed again";
}

TEST_F(FirmwareEngineTest, KeyColoursLiveInTwoMemories) {
    ask(request(0x51, 0x30, 0, {0}));
    ask(request(0x51, 0xA8, 0x0D, {1, 2, 3})); // LED 104
    ask(request(0x51, 0x30, 0, {1}));
    ask(request(0x51, 0xA8, 0x0D, {9, 8, 7}));
    ask(request(0x51, 0xA8, 0x0F, {4, 4, 4})); // LED 120 onwards: only 8 LEDs exist

    EXPECT_EQ(bytes(ask(request(0x52, 0xA8, 0x0D)), 4, 3), (std::vector<std::uint8_t>{9, 8, 7}));
    EXPECT_EQ(bytes(ask(request(0x52, 0xA8, 0x0F)), 4, 3), (std::vector<std::uint8_t>{4, 4, 4}));
    EXPECT_EQ(bytes(ask(request(0x52, 0xA8, 0x0F)), 28, 24), std::vector<std::uint8_t>(24, 0))
        << "LEDs beyond 127 must read as 0";
    ask(request(0x51, 0x30, 0, {0}));
    EXPECT_EQ(bytes(ask(request(0x52, 0xA8, 0x0D)), 4, 3), (std::vector<std::uint8_t>{1, 2, 3}));
    // LED 0x0A of the factory WASD memory is red; memory 1 is the arrow keys.
    EXPECT_EQ(bytes(ask(request(0x52, 0xA8, 0x00)), 4 + 30, 3),
              (std::vector<std::uint8_t>{0xFF, 0, 0}));
}

TEST_F(FirmwareEngineTest, KeyEffectChunksComeBackWithTheirHeader) {
    Report set = request(0x51, 0xA0, 2, {14, 1, 0, 0});
    set[4 + 4 + 7] = 0x04;  // LED 119 (group 14)
    set[4 + 4 + 12] = 0xB1; // LED 124, beyond the announced group
    ask(set);
    const Report third = ask(request(0x52, 0xA0, 2, {14, 1, 0, 0}));
    EXPECT_EQ(bytes(third, 4, 4), (std::vector<std::uint8_t>{14, 1, 0, 0}));
    EXPECT_EQ(third[8 + 7], 0x04);
    EXPECT_EQ(third[8 + 12], 0xB1);
    const Report first = ask(request(0x52, 0xA0, 2, {0, 7, 0, 0}));
    EXPECT_EQ(first[8 + 0], factoryProfile(0).keyEffectMap[0]) << "chunk 0 was overwritten";
}

TEST_F(FirmwareEngineTest, ProfileKeySendsTheEventOnlyAfterSetup) {
    EXPECT_FALSE(engine.pressProfileKey()) << "events before SetupEvents";
    EXPECT_EQ(state.currentProfile, 1) << "the key still switches";

    ask(request(0x42, 0x00, 0, {1, 0, 0, 1, 1}));
    for (int expected : {2, 3, 4, 5, 0}) {
        const auto event = engine.pressProfileKey();
        ASSERT_TRUE(event);
        EXPECT_EQ(bytes(*event, 0, 8),
                  (std::vector<std::uint8_t>{0x42, 0x20, 0, 0, 3, 0, 0,
                                             static_cast<std::uint8_t>(expected + 1)}));
        EXPECT_EQ(ask(request(0x40, 0x63))[8], expected);
    }
}

TEST_F(FirmwareEngineTest, ModeKeyRunsTheNextEffectAndSendsIndex0x40) {
    ask(request(0x42, 0x00, 0, {1, 0, 0, 1, 1}));
    // Profile 0 at the factory: wave, breathing, static; wave selected.
    for (std::uint8_t expected : {2, 0, 4}) {
        const auto event = engine.pressModeKey();
        ASSERT_TRUE(event);
        EXPECT_EQ(bytes(*event, 0, 5), (std::vector<std::uint8_t>{0x42, 0x20, 0x40, 0, expected}));
        EXPECT_EQ(ask(request(0x52, 0x28))[4], expected);
    }
}

TEST_F(FirmwareEngineTest, OnlyCommittedContentSurvivesAPowerCycle) {
    ask(request(0x51, 0x00, 0, {1}));
    ask(request(0x51, 0x29, 0, {7}, 0xFF));
    ask(request(0x50, 0x55));
    ask(request(0x51, 0x29, 0, {8}, 0xFF));
    ask(request(0x51, 0x00, 0, {2}));
    ask(request(0x51, 0x29, 0, {9}, 0xFF));
    engine.powerUp();

    ask(request(0x51, 0x00, 0, {1}));
    EXPECT_EQ(ask(request(0x52, 0x29))[4], 7) << "profile 1 keeps what was committed";
    ask(request(0x51, 0x00, 0, {2}));
    EXPECT_EQ(ask(request(0x52, 0x29))[4], factoryProfile(2).effectList[0])
        << "profile 2 was never committed";
}

TEST_F(FirmwareEngineTest, ResetProfileRestoresTheFactoryContent) {
    ask(request(0x51, 0x00, 0, {5}));
    ask(request(0x51, 0x29, 0, {3}, 0xFF));
    ask(request(0x51, 0xA8, 0, {1, 1, 1}));
    ask(request(0x50, 0x55));
    ask(request(0x50, 0x10, 0, {0}));
    EXPECT_EQ(state.profiles[5], factoryProfile(5));
    EXPECT_EQ(state.committed[5], factoryProfile(5));
}

TEST_F(FirmwareEngineTest, UnknownCommandsAreRefused) {
    for (const Report& r : {request(0x13, 0x00), request(0x40, 0x21), request(0x52, 0x55)}) {
        const Report answer = ask(r);
        EXPECT_EQ(bytes(answer, 0, 2), (std::vector<std::uint8_t>{0xFF, 0xAA}));
        EXPECT_EQ(answer[4], r[0]);
    }
}

} // namespace
} // namespace lumetta::kbsim
