#include "device/channel/CommandCatalogue.h"

#include "ScriptedCatalogue.h"
#include "device/wire/EffectEntryCodec.h"
#include "lighting/model/EffectCode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace lumetta {
namespace {

using testing::echoWith;
using testing::ScriptedCatalogue;
using namespace std::chrono_literals;

std::string hex(const CommandReport& report) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&report);
    std::string text;
    for (std::size_t i = 0; i < sizeof report; ++i) {
        char two[4];
        std::snprintf(two, sizeof two, "%02x", bytes[i]);
        text += two;
    }
    return text;
}

// The request as it should go out: the given leading bytes, then `fill` to 64 bytes.
std::string expectedRequest(std::vector<int> leading, std::uint8_t fill = 0) {
    CommandReport report;
    std::memset(&report, fill, sizeof report);
    auto* bytes = reinterpret_cast<std::uint8_t*>(&report);
    for (std::size_t i = 0; i < leading.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(leading[i]);
    }
    return hex(report);
}

EffectEntry breathEntry() {
    // Speed level 3, random colour, red: the levels the encoder turns into 02 31 A0 ...
    EffectEntry entry = UNUSED_EFFECT_ENTRY;
    entry.effect = device_effect::BREATH;
    entry.speed = 3;
    entry.flags = 0x80;
    entry.color[0] = 0xFF;
    entry.color[1] = entry.color[2] = 0;
    entry.background[0] = entry.background[1] = entry.background[2] = 0;
    return entry;
}

struct CommandCase {
    const char* name;
    std::function<int(CommandCatalogue&)> call;
    std::vector<int> leading;
    std::uint8_t fill;
    bool paced;
};

std::vector<CommandCase> commandCases() {
    FirmwareInfoBlock info{};
    FirmwareRecordBlock record{};
    StatusBlock status{};
    ProfileNameBuffer name{};
    EffectSelectRecord select{};
    EffectListRecord list{};
    EffectEntryBlock entries{};
    KeyEffectChunk chunk{};
    KeyColorChunk colors{};
    std::uint32_t versionIndex = 0;
    return {
        {"ReadFirmwareInfo",
         [=](auto& c) mutable { return c.ReadFirmwareInfo(info); },
         {0x12, 0x00},
         0,
         false},
        {"ReadFirmwareVersionIndex",
         [=](auto& c) mutable { return c.ReadFirmwareVersionIndex(versionIndex); },
         {0x12, 0x01},
         0,
         false},
        {"ReadFirmwareRecord",
         [=](auto& c) mutable { return c.ReadFirmwareRecord(3, record); },
         {0x12, 0x23},
         0,
         false},
        {"GetDeviceInfo", [](auto& c) { return c.GetDeviceInfo(); }, {0x40, 0x20}, 0, true},
        {"GetStatus", [=](auto& c) mutable { return c.GetStatus(status); }, {0x40, 0x63}, 0, true},
        {"SetMode", [](auto& c) { return c.SetMode(3); }, {0x41, 0x03}, 0, true},
        {"SetupEvents",
         [](auto& c) { return c.SetupEvents(0x01000001, 1); },
         {0x42, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0x01},
         0,
         true},
        {"ResetProfile", [](auto& c) { return c.ResetProfile(); }, {0x50, 0x10}, 0, true},
        {"CommitProfile", [](auto& c) { return c.CommitProfile(); }, {0x50, 0x55}, 0, true},
        {"GetProfile",
         [](auto& c) {
             std::uint8_t value = 4;
             return c.GetProfile(value);
         },
         {0x52, 0x00, 0, 0, 4},
         0,
         false},
        {"SetProfileName",
         [](auto& c) {
             const std::uint8_t text[] = {'A', 0, 'B', 0, 'C', 0};
             return c.SetProfileName(3, text);
         },
         {0x51, 0x01, 3, 0, 'A', 0, 'B', 0},
         0,
         true},
        {"GetProfileName",
         [=](auto& c) mutable { return c.GetProfileName(2, name); },
         {0x52, 0x01, 2, 0},
         0,
         true},
        {"SelectEffect",
         [=](auto& c) mutable {
             select.effect = 7;
             return c.SelectEffect(select);
         },
         {0x51, 0x28, 0, 0, 7},
         0,
         true},
        {"GetEffect", [=](auto& c) mutable { return c.GetEffect(select); }, {0x52, 0x28}, 0, true},
        {"SetEffectList",
         [=](auto& c) mutable {
             std::fill(std::begin(list.numbers), std::end(list.numbers), 0xFF);
             list.numbers[0] = 4;
             list.numbers[1] = 225;
             return c.SetEffectList(list);
         },
         {0x51, 0x29, 0,    0,    4,    225,  0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
          0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
         0,
         true},
        {"GetEffectList",
         [=](auto& c) mutable { return c.GetEffectList(list); },
         {0x52, 0x29},
         0,
         true},
        {"SetEffectEntries",
         [](auto& c) { return c.SetEffectEntries(2, singleEntryBlock(breathEntry())); },
         {0x51, 0x2C, 2, 0, 0x02, 0x31, 0xA0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0},
         0xFF,
         false},
        {"GetEffectEntries",
         [=](auto& c) mutable {
             entries = effectEntryRequest(device_effect::RAIN_DROP);
             return c.GetEffectEntries(1, entries);
         },
         {0x52, 0x2C, 1, 0, 7},
         0xFF,
         true},
        {"SelectCustomMemory",
         [](auto& c) { return c.SelectCustomMemory(1); },
         {0x51, 0x30, 0, 0, 1},
         0,
         true},
        {"SetKeyEffectChunk",
         [=](auto& c) mutable {
             chunk = keyEffectChunkHeader(1);
             chunk.effect[0] = 177;
             return c.SetKeyEffectChunk(chunk);
         },
         {0x51, 0xA0, 2, 0, 7, 7, 0, 0, 177},
         0,
         true},
        {"GetKeyEffectChunk",
         [=](auto& c) mutable {
             chunk = keyEffectChunkHeader(2);
             return c.GetKeyEffectChunk(chunk);
         },
         {0x52, 0xA0, 2, 0, 14, 1},
         0,
         true},
        {"SetKeyColors",
         [=](auto& c) mutable {
             colors.rgb[0] = 9;
             colors.rgb[47] = 8;
             return c.SetKeyColors(13, colors);
         },
         {0x51, 0xA8, 13, 0, 9},
         0,
         true},
        {"GetKeyColors",
         [=](auto& c) mutable { return c.GetKeyColors(4, colors); },
         {0x52, 0xA8, 4, 0},
         0,
         true},
    };
}

// Learns a name length of 4 bytes, then forgets the requests that took.
void withNameLength(ScriptedCatalogue& catalogue, int length) {
    catalogue.answer = [length](CommandReport& r) {
        r = echoWith(r, {0, 0, 0, 0, 0, 0, length});
        return 0;
    };
    catalogue.GetDeviceInfo();
    catalogue.answer = nullptr;
    catalogue.requests.clear();
    catalogue.busyWaits.clear();
}

TEST(CommandCatalogue, EveryCommandSendsItsRequestAndPacesAsListed) {
    for (const CommandCase& row : commandCases()) {
        SCOPED_TRACE(row.name);
        ScriptedCatalogue catalogue;
        withNameLength(catalogue, 4);
        EXPECT_EQ(row.call(catalogue), 0);
        ASSERT_EQ(catalogue.requests.size(), 1u);
        std::vector<int> leading = row.leading;
        std::string expected = expectedRequest(leading, row.fill);
        if (std::string(row.name) == "SetKeyColors") {
            // The chunk's last byte sits at report byte 4 + 47.
            expected.replace(2 * 51, 2, "08");
        }
        EXPECT_EQ(hex(catalogue.requests[0]), expected);
        const std::vector<std::chrono::microseconds> paced = {1ms};
        EXPECT_EQ(catalogue.busyWaits, row.paced ? paced : decltype(paced){});
    }
}

TEST(CommandCatalogue, WithoutKeyboardEveryCommandFailsAtOnceAndSendsNothing) {
    for (const CommandCase& row : commandCases()) {
        SCOPED_TRACE(row.name);
        ScriptedCatalogue catalogue;
        catalogue.connected = false;
        EXPECT_EQ(row.call(catalogue), 1);
        EXPECT_TRUE(catalogue.requests.empty());
        EXPECT_TRUE(catalogue.busyWaits.empty());
    }
    ScriptedCatalogue catalogue;
    catalogue.connected = false;
    EXPECT_EQ(catalogue.SelectProfile(2), 1);
    EXPECT_TRUE(catalogue.requests.empty());
    EXPECT_TRUE(catalogue.sleeps.empty());
}

TEST(CommandCatalogue, FailedCommandsAreCounted) {
    ScriptedCatalogue catalogue;
    catalogue.connected = false;
    catalogue.SetMode(0);
    catalogue.SelectProfile(1);
    catalogue.connected = true;
    catalogue.answer = [](CommandReport&) { return 1; };
    catalogue.CommitProfile();
    catalogue.answer = nullptr;
    catalogue.CommitProfile();
    EXPECT_EQ(catalogue.failedCommands(), 3u);
}

TEST(CommandCatalogue, GetProfileFoldsValuesAboveSixIntoZero) {
    const struct {
        int answer;
        int expected;
    } rows[] = {{0, 0}, {5, 5}, {6, 6}, {7, 0}, {255, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.answer);
        ScriptedCatalogue catalogue;
        catalogue.answer = [&](CommandReport& r) {
            r = echoWith(r, {row.answer});
            return 0;
        };
        std::uint8_t value = 3;
        EXPECT_EQ(catalogue.GetProfile(value), 0);
        EXPECT_EQ(value, row.expected);
    }
    ScriptedCatalogue failing;
    failing.answer = [](CommandReport&) { return 1; };
    std::uint8_t value = 3;
    EXPECT_EQ(failing.GetProfile(value), 1);
    EXPECT_EQ(value, 3);
}

TEST(CommandCatalogue, FirmwareReadsClearFirstAndTakeTheAnswerOnlyOnSuccess) {
    ScriptedCatalogue catalogue;
    catalogue.answer = [](CommandReport& r) {
        CommandReport answer = echoWith(r, {});
        for (int i = 0; i < 60; ++i) {
            answer.Data[i] = static_cast<std::uint8_t>(i + 1);
        }
        r = answer;
        return 0;
    };
    FirmwareInfoBlock info{};
    info.fill(0xEE);
    EXPECT_EQ(catalogue.ReadFirmwareInfo(info), 0);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(info[i], i < 60 ? i + 1 : 0) << "byte " << i;
    }

    catalogue.answer = [](CommandReport&) { return 1; };
    info.fill(0xEE);
    FirmwareRecordBlock record{};
    record.fill(0xEE);
    EXPECT_EQ(catalogue.ReadFirmwareInfo(info), 1);
    EXPECT_EQ(catalogue.ReadFirmwareRecord(0, record), 1);
    EXPECT_EQ(info, FirmwareInfoBlock{});
    EXPECT_EQ(record, FirmwareRecordBlock{});
}

TEST(CommandCatalogue, VersionIndexIsTakenOnlyWhenMarked) {
    const struct {
        int mark;
        int result;
        std::uint32_t expected;
    } rows[] = {{4, 0, 0x0201}, {3, 0, 77}, {4, 1, 77}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mark * 10 + row.result);
        ScriptedCatalogue catalogue;
        catalogue.answer = [&](CommandReport& r) {
            r = echoWith(r, {row.mark, 0, 0x01, 0x02});
            return row.result;
        };
        std::uint32_t index = 77;
        catalogue.ReadFirmwareVersionIndex(index);
        EXPECT_EQ(index, row.expected);
    }
}

TEST(CommandCatalogue, NameTransfersUseTheKeyboardsNameLengthCappedAtSixty) {
    const struct {
        int reported;
        int expected;
    } rows[] = {{32, 32}, {60, 60}, {61, 60}, {255, 60}, {0, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.reported);
        ScriptedCatalogue catalogue;
        withNameLength(catalogue, row.reported);
        EXPECT_EQ(catalogue.NameLength(), row.expected);

        std::uint8_t name[520];
        std::memset(name, 0x41, sizeof name);
        catalogue.SetProfileName(0, name);
        const CommandReport& sent = catalogue.requests.back();
        for (int i = 0; i < 60; ++i) {
            EXPECT_EQ(sent.Data[i], i < row.expected ? 0x41 : 0) << "byte " << i;
        }

        catalogue.answer = [](CommandReport& r) {
            r = echoWith(r, {});
            std::memset(r.Data, 0x42, sizeof r.Data);
            return 0;
        };
        ProfileNameBuffer read;
        read.fill(0xEE);
        EXPECT_EQ(catalogue.GetProfileName(0, read), 0);
        for (int i = 0; i < 520; ++i) {
            ASSERT_EQ(read[i], i < row.expected ? 0x42 : 0) << "byte " << i;
        }
    }
}

TEST(CommandCatalogue, ANameAnsweredAsNoNameReadsEmptyAndAFailedReadTouchesNothing) {
    ScriptedCatalogue catalogue;
    withNameLength(catalogue, 32);
    catalogue.answer = [](CommandReport& r) {
        r = echoWith(r, {0xFF, 'X', 0});
        return 0;
    };
    ProfileNameBuffer read;
    read.fill(0xEE);
    EXPECT_EQ(catalogue.GetProfileName(1, read), 0);
    EXPECT_EQ(read, ProfileNameBuffer{});

    catalogue.answer = [](CommandReport&) { return 1; };
    read.fill(0xEE);
    EXPECT_EQ(catalogue.GetProfileName(1, read), 1);
    EXPECT_EQ(read[0], 0xEE);
}

TEST(CommandCatalogue, EffectEntriesAreDecodedAfterASuccessfulRead) {
    ScriptedCatalogue catalogue;
    catalogue.answer = [](CommandReport& r) {
        r = echoWith(r, {device_effect::RIPPLE, 179, 0x80, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6});
        std::memset(r.Data + 12, 0xFF, 48);
        return 0;
    };
    EffectEntryBlock entries = effectEntryRequest(device_effect::RIPPLE);
    EXPECT_EQ(catalogue.GetEffectEntries(1, entries), 0);
    EXPECT_EQ(entries[0].speed, 0); // 179 is RIPPLE's fastest level
    EXPECT_EQ(entries[0].color[2], 3);

    catalogue.answer = [](CommandReport&) { return 1; };
    entries = effectEntryRequest(device_effect::RIPPLE);
    EXPECT_EQ(catalogue.GetEffectEntries(1, entries), 1);
    EXPECT_EQ(entries, effectEntryRequest(device_effect::RIPPLE));
}

TEST(CommandCatalogue, SelectProfileReadsBackUntilTheKeyboardReportsTheProfile) {
    const struct {
        const char* name;
        int answeredProfile; // what GetProfile answers; -1: no answer
        std::size_t reads;
        std::size_t pauses;
        int result;
    } rows[] = {
        {"at once", 2, 1, 0, 0},
        {"never", 4, 5, 5, 0},
        {"no answer", -1, 5, 5, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedCatalogue catalogue;
        catalogue.answer = [&](CommandReport& r) {
            if (r.Command == 0x52 && row.answeredProfile < 0) {
                return 1;
            }
            r = echoWith(r, {r.Command == 0x52 ? row.answeredProfile : 0});
            return 0;
        };
        EXPECT_EQ(catalogue.SelectProfile(2), row.result);
        ASSERT_EQ(catalogue.requests.size(), 1 + row.reads);
        EXPECT_EQ(catalogue.requests[0].Command, 0x51);
        EXPECT_EQ(catalogue.requests[0].SubCommand, 0x00);
        EXPECT_EQ(catalogue.requests[0].Data[0], 2);
        for (std::size_t i = 1; i < catalogue.requests.size(); ++i) {
            EXPECT_EQ(catalogue.requests[i].Command, 0x52);
            EXPECT_EQ(catalogue.requests[i].Data[0], 0); // read with 0 passed in
        }
        EXPECT_EQ(catalogue.sleeps, std::vector<std::chrono::milliseconds>{4ms});
        EXPECT_EQ(catalogue.busyWaits, std::vector<std::chrono::microseconds>(row.pauses, 10ms));
    }
}

} // namespace
} // namespace lumetta
