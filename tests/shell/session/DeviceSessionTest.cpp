#include "shell/session/DeviceSession.h"

#include "InProcessKeyboard.h"
#include "ScriptedCatalogue.h"
#include "TestKeyMaps.h"
#include "TestRecords.h"
#include "kbsim/FactoryContent.h"
#include "lighting/model/LayerDefaults.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace lumetta {
namespace {

using testing::InProcessKeyboard;
using testing::ScriptedCatalogue;

std::string commandName(const CommandReport& r) {
    char text[16];
    std::snprintf(text, sizeof text, "%02x/%02x", r.Command, r.SubCommand);
    return text;
}

std::vector<std::string> commandNames(const std::vector<CommandReport>& requests) {
    std::vector<std::string> names;
    for (const CommandReport& r : requests) {
        names.push_back(commandName(r));
    }
    return names;
}

class DeviceSessionTest : public ::testing::Test {
protected:
    DeviceSessionTest() {
        resetProfileStore(store, true, keyMap());
        saved = store;
    }

    DeviceSession makeSession(CommandCatalogue& channel) {
        SessionHooks hooks;
        hooks.progress = [this](int percent) { shown.push_back(percent); };
        hooks.dispatchPending = [this] { ++dispatched; };
        hooks.showProfile = [this](int p) { shownProfiles.push_back(p); };
        hooks.log = [this](std::string_view text) { log.emplace_back(text); };
        return DeviceSession(channel, store, saved, hooks, keyMap());
    }

    testing::ScopedKeyMap scopedMap{testing::identityKeyMap()};
    InProcessKeyboard keyboard;
    ProfileStore store{};
    ProfileStore saved{};
    std::vector<int> shown;
    std::vector<int> shownProfiles;
    std::vector<std::string> log;
    int dispatched = 0;
};

TEST_F(DeviceSessionTest, ArrivalSetsTheKeyboardUp) {
    keyboard.state.currentProfile = 3;
    keyboard.dropAnswers = 0;
    DeviceSession session = makeSession(keyboard);
    EXPECT_EQ(session.setUpArrival(), 0);
    EXPECT_EQ(commandNames(keyboard.requests),
              (std::vector<std::string>{"40/20", "42/00", "40/63", "41/01"}));
    const CommandReport& events = keyboard.requests[1];
    EXPECT_EQ(std::vector<int>(events.Data, events.Data + 6), (std::vector<int>{1, 0, 0, 1, 1, 0}));
    EXPECT_EQ(keyboard.NameLength(), 32);
    EXPECT_TRUE(session.busy());
    EXPECT_EQ(session.deviceProfile(), 3);
    EXPECT_EQ(keyboard.engine.mode(), 1);
}

TEST_F(DeviceSessionTest, ArrivalTriesTheStatusUpToFiveTimes) {
    ScriptedCatalogue catalogue;
    catalogue.answer = [](CommandReport& r) { return r.Command == 0x40 && r.SubCommand == 0x63; };
    DeviceSession session = makeSession(catalogue);
    EXPECT_EQ(session.setUpArrival(), 1);
    EXPECT_EQ(commandNames(catalogue.requests),
              (std::vector<std::string>{"40/20", "42/00", "40/63", "40/63", "40/63", "40/63",
                                        "40/63", "41/01"}));
    EXPECT_EQ(session.deviceProfile(), -1);
}

TEST_F(DeviceSessionTest, ReadingTheFactoryKeyboardFillsEveryProfile) {
    keyboard.state.currentProfile = 4;
    DeviceSession session = makeSession(keyboard);
    session.setUpArrival();
    std::array<std::uint8_t, 6> selectedBefore;
    for (int p = 0; p < 6; ++p) {
        selectedBefore[p] = keyboard.state.profiles[p].selectedEffect[0];
    }
    EXPECT_EQ(session.readProfilesFromKeyboard(DeviceSession::ALL_PROFILES), 0);

    EXPECT_EQ(store.currentProfile, 4);
    EXPECT_EQ(session.deviceProfile(), 4);
    const ProfileRecord& p0 = store.profiles[0];
    EXPECT_EQ(p0.activeEffect, EffectCode::COLOR_WAVE);
    EXPECT_EQ(p0.shownEffect, EffectCode::COLOR_WAVE);
    EXPECT_EQ(p0.baseLayer.effectList[0], EffectCode::COLOR_WAVE);
    EXPECT_EQ(p0.baseLayer.effectList[1], EffectCode::BREATH);
    EXPECT_EQ(p0.baseLayer.effectList[2], EffectCode::STATIC);
    EXPECT_EQ(p0.baseLayer.effectList[3], EffectCode::NONE);
    EXPECT_EQ(p0.baseLayer.waveParams.speed, 2);
    EXPECT_EQ(p0.baseLayer.waveParams.randomColor, 1);
    EXPECT_EQ(p0.baseLayer.breathParams.color, 0x00FFA000u);
    EXPECT_EQ(p0.baseLayer.custom1.presetKind, PresetKind::WASD);
    EXPECT_EQ(p0.baseLayer.custom2.presetKind, PresetKind::ARROWS);
    EXPECT_EQ(store.profiles[3].baseLayer.colorCycleParams.percent, 2);
    EXPECT_EQ(store.profiles[5].activeEffect, EffectCode::CUSTOMIZE);
    EXPECT_EQ(store.profiles[5].baseLayer.custom1.presetKind, PresetKind::CUSTOM);

    const LayerRecord& multi = store.profiles[4].multiLayer;
    const struct {
        int key;
        EffectCode code;
    } keys[] = {{0, EffectCode::COLOR_WAVE},  {5, EffectCode::CUSTOMIZE},
                {15, EffectCode::COLOR_WAVE}, {16, EffectCode::STATIC},
                {63, EffectCode::STATIC},     {64, EffectCode::BREATH}};
    for (const auto& row : keys) {
        EXPECT_EQ(keyEffectCode(multi, row.key), row.code) << "key " << row.key;
    }
    const EffectCode list[] = {EffectCode::COLOR_WAVE, EffectCode::CUSTOMIZE, EffectCode::STATIC,
                               EffectCode::BREATH, EffectCode::NONE};
    for (int slot = 0; slot < 5; ++slot) {
        EXPECT_EQ(multi.effectList[slot], list[slot]) << "slot " << slot;
    }
    EXPECT_EQ(multi.breathParams.speed, 3);
    EXPECT_EQ(multi.staticParams.color, 0x00FF0080u);

    // Reading selected each effect in turn; every profile runs its own effect again afterwards.
    for (int p = 0; p < 6; ++p) {
        EXPECT_EQ(keyboard.state.profiles[p].selectedEffect[0], selectedBefore[p]) << p;
    }
    EXPECT_EQ(dispatched, 6);
}

TEST_F(DeviceSessionTest, ReadingShowsTheProfileStartsAndEndsAtOneHundred) {
    DeviceSession session = makeSession(keyboard);
    session.setUpArrival();
    session.readProfilesFromKeyboard(DeviceSession::ALL_PROFILES);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), 10);
    EXPECT_EQ(shown.back(), 100);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    for (int start : {23, 36, 49, 62, 75}) {
        EXPECT_NE(std::find(shown.begin(), shown.end(), start), shown.end()) << start;
    }

    shown.clear();
    keyboard.requests.clear();
    session.readProfilesFromKeyboard(4);
    EXPECT_EQ(shown.front(), 10);
    EXPECT_EQ(shown.back(), 100);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    for (const CommandReport& r : keyboard.sent(0x51, 0x00)) {
        EXPECT_EQ(r.Data[0], 4);
    }
}

TEST_F(DeviceSessionTest, AReadThatFailsLeavesTheRecordAsItWas) {
    DeviceSession session = makeSession(keyboard);
    session.setUpArrival();
    const ProfileStore before = store;
    ScriptedCatalogue lossy;
    // The keyboard drops the answers of every name, list, entry, key-colour and map read.
    lossy.answer = [&](CommandReport& r) {
        if (r.Command == 0x52 && r.SubCommand != 0x00 && r.SubCommand != 0x28) {
            return 1;
        }
        return keyboard.Transact(r);
    };
    lossy.GetDeviceInfo();
    DeviceSession reader(lossy, store, saved, {}, keyMap());
    EXPECT_EQ(reader.readProfilesFromKeyboard(DeviceSession::ALL_PROFILES), 1);
    for (int p = 0; p < 6; ++p) {
        EXPECT_EQ(std::memcmp(store.profiles[p].name, before.profiles[p].name, 520), 0);
        EXPECT_TRUE(store.profiles[p].baseLayer == before.profiles[p].baseLayer) << p;
    }
}

TEST_F(DeviceSessionTest, AKeyboardAnsweringGarbageNeverBreaksTheStore) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        ScriptedCatalogue garbage;
        garbage.answer = [&](CommandReport& r) {
            const bool echo = random() % 8 != 0;
            auto* bytes = reinterpret_cast<std::uint8_t*>(&r);
            for (std::size_t i = echo ? 4 : 0; i < sizeof r; ++i) {
                bytes[i] = static_cast<std::uint8_t>(random());
            }
            return random() % 16 == 0 ? 1 : 0;
        };
        resetProfileStore(store, true, keyMap());
        DeviceSession session(garbage, store, saved, {}, keyMap());
        session.setUpArrival();
        session.readProfilesFromKeyboard(DeviceSession::ALL_PROFILES);
        EXPECT_LT(store.currentProfile, 6);
        EXPECT_GE(session.deviceProfile(), 0);
        EXPECT_LT(session.deviceProfile(), 6);
        for (const ProfileRecord& record : store.profiles) {
            for (EffectCode code : record.baseLayer.effectList) {
                EXPECT_TRUE(code == EffectCode::NONE || isKnownEffect(code));
            }
            for (EffectCode code : record.multiLayer.effectList) {
                EXPECT_TRUE(code == EffectCode::NONE || isKnownEffect(code));
            }
        }
        // Whatever came in can go out again.
        session.saveToKeyboard();
    }
}

TEST_F(DeviceSessionTest, SavingWritesEachProfileAndCommitsIt) {
    store = testing::distinctStore(keyMap());
    DeviceSession session = makeSession(keyboard);
    session.setUpArrival();
    keyboard.requests.clear();
    EXPECT_EQ(session.saveToKeyboard(), 0);

    // Per profile: select (with its read-back), name, the upload, commit.
    std::vector<int> selects;
    std::size_t commits = 0;
    std::string lastBeforeCommit;
    for (std::size_t i = 0; i < keyboard.requests.size(); ++i) {
        const CommandReport& r = keyboard.requests[i];
        if (commandName(r) == "51/00") {
            selects.push_back(r.Data[0]);
            EXPECT_EQ(commandName(keyboard.requests[i + 1]), "52/00");
            if (selects.size() <= 6) {
                EXPECT_EQ(commandName(keyboard.requests[i + 2]), "51/01");
                EXPECT_EQ(keyboard.requests[i + 2].Index, r.Data[0]);
            }
        }
        if (commandName(r) == "50/55") {
            ++commits;
            EXPECT_EQ(commandName(keyboard.requests[i - 1]), "51/28");
        }
    }
    EXPECT_EQ(selects, (std::vector<int>{0, 1, 2, 3, 4, 5, 2}));
    EXPECT_EQ(commits, 6u);
    EXPECT_EQ(commandName(keyboard.requests.front()), "41/03");
    EXPECT_EQ(keyboard.state.committed, keyboard.state.profiles);
    EXPECT_EQ(keyboard.state.currentProfile, 2);

    EXPECT_TRUE(saved == store);
    EXPECT_EQ(session.deviceProfile(), 2);
    EXPECT_EQ(shownProfiles, std::vector<int>{2});
    EXPECT_FALSE(session.busy());
    for (int mark : {10, 23, 36, 49, 62, 75, 88, 100}) {
        EXPECT_NE(std::find(shown.begin(), shown.end(), mark), shown.end()) << mark;
    }
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_EQ(dispatched, 6);
}

TEST_F(DeviceSessionTest, SavingOneProfileTouchesOnlyThatProfile) {
    store = testing::distinctStore(keyMap());
    const ProfileStore savedBefore = saved;
    DeviceSession session = makeSession(keyboard);
    session.setUpArrival();
    const auto keyboardBefore = keyboard.state.profiles;
    EXPECT_EQ(session.saveToKeyboard(1), 0);
    for (int p = 0; p < 6; ++p) {
        EXPECT_EQ(keyboard.state.profiles[p] == keyboardBefore[p], p != 1) << p;
        EXPECT_EQ(saved.profiles[p] == (p == 1 ? store : savedBefore).profiles[p], true) << p;
    }
    EXPECT_EQ(saved.currentProfile, store.currentProfile);
    EXPECT_EQ(keyboard.state.currentProfile, store.currentProfile);
    for (int mark : {10, 90, 100}) {
        EXPECT_NE(std::find(shown.begin(), shown.end(), mark), shown.end()) << mark;
    }
    EXPECT_LE(shown.back(), 100);
}

TEST_F(DeviceSessionTest, SavingWithoutKeyboardStillCopiesAndShowsProgress) {
    keyboard.connected = false;
    store = testing::distinctStore(keyMap());
    DeviceSession session = makeSession(keyboard);
    EXPECT_EQ(session.saveToKeyboard(), 1);
    EXPECT_TRUE(keyboard.requests.empty());
    EXPECT_TRUE(saved == store);
    EXPECT_EQ(shown.front(), 10);
    EXPECT_EQ(shown.back(), 100);
}

TEST_F(DeviceSessionTest, AProfileListSendsOnlyListableEffects) {
    store = testing::distinctStore(keyMap());
    testing::setList(store.profiles[0].baseLayer, {EffectCode::CUSTOMIZE, EffectCode::SYSTEM_STATUS,
                                                   EffectCode::RIPPLE, EffectCode::OFF});
    DeviceSession session = makeSession(keyboard);
    session.setUpArrival();
    keyboard.requests.clear();
    EXPECT_EQ(session.writeProfileToKeyboard(0, 10, 13), 0);
    const auto entries = keyboard.sent(0x51, 0x2C);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Data[0], device_effect::RIPPLE);
    const auto lists = keyboard.sent(0x51, 0x29);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0].Data[0], device_effect::RIPPLE);
    EXPECT_EQ(lists[0].Data[1], device_effect::OFF);
    EXPECT_EQ(lists[0].Data[2], 0xFF);
    EXPECT_EQ(commandName(keyboard.requests.back()), "51/28");
    EXPECT_EQ(keyboard.requests.back().Data[0], device_effect::BREATH);
}

TEST_F(DeviceSessionTest, ResetRestoresTheDefaultsOnBothSides) {
    store = testing::distinctStore(keyMap());
    DeviceSession session = makeSession(keyboard);
    session.setUpArrival();
    session.saveToKeyboard();
    keyboard.requests.clear();

    EXPECT_EQ(session.resetProfileOnKeyboard(3), 0);
    EXPECT_TRUE(session.busy());
    EXPECT_EQ(commandNames(keyboard.requests),
              (std::vector<std::string>{"51/00", "52/00", "50/10", "51/01"}));
    EXPECT_EQ(keyboard.requests.back().Index, 3);
    EXPECT_TRUE(std::all_of(std::begin(keyboard.requests.back().Data),
                            std::end(keyboard.requests.back().Data),
                            [](auto b) { return b == 0; }));
    ProfileRecord fresh{};
    resetProfile(fresh, keyMap());
    EXPECT_TRUE(store.profiles[3] == fresh);
    EXPECT_EQ(keyboard.state.committed[3].effectList, kbsim::factoryProfile(3).effectList);

    EXPECT_EQ(session.readProfilesFromKeyboard(3), 0);
    session.finishLoad(3);
    EXPECT_FALSE(session.busy());
    EXPECT_TRUE(saved.profiles[3] == store.profiles[3]);
    EXPECT_EQ(store.profiles[3].activeEffect, EffectCode::STATIC);
}

TEST_F(DeviceSessionTest, FinishingAFullReadBringsEverythingToTheCurrentProfile) {
    keyboard.state.currentProfile = 5;
    DeviceSession session = makeSession(keyboard);
    session.setUpArrival();
    session.readProfilesFromKeyboard(DeviceSession::ALL_PROFILES);
    keyboard.requests.clear();
    session.finishLoad(DeviceSession::ALL_PROFILES);
    const auto selects = keyboard.sent(0x51, 0x00);
    ASSERT_EQ(selects.size(), 2u);
    EXPECT_EQ(selects[0].Data[0], 0);
    EXPECT_EQ(selects[1].Data[0], 5);
    EXPECT_TRUE(saved == store);
    EXPECT_EQ(shownProfiles, std::vector<int>{5});
    EXPECT_EQ(session.deviceProfile(), 5);
    EXPECT_FALSE(session.busy());
    EXPECT_EQ(log,
              (std::vector<std::string>{"Load Dev Info Finish", "PutSettingToControl Finish"}));
}

TEST_F(DeviceSessionTest, AProfileKeyPressOnTheKeyboardIsFollowed) {
    DeviceSession session = makeSession(keyboard);
    session.setUpArrival();
    session.setBusy(false);
    const struct {
        const char* name;
        int keyboardProfile;
        std::uintptr_t eventByte;
        bool busy;
        int expectedCurrent;
        int expectedDevice;
    } rows[] = {
        {"switch", 3, 3, false, 3, 3},
        {"lighting event", 4, 0, false, 3, 4},
        {"busy", 5, 3, true, 3, 4},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        keyboard.state.currentProfile = static_cast<std::uint8_t>(row.keyboardProfile);
        session.setBusy(row.busy);
        EXPECT_TRUE(session.handleDeviceEvent(row.eventByte));
        EXPECT_EQ(store.currentProfile, row.expectedCurrent);
        EXPECT_EQ(session.deviceProfile(), row.expectedDevice);
        EXPECT_EQ(saved.currentProfile, row.expectedDevice);
    }
    EXPECT_EQ(shownProfiles, std::vector<int>{3});
}

TEST_F(DeviceSessionTest, AStatusThatCannotBeUsedIsIgnored) {
    ScriptedCatalogue catalogue;
    catalogue.answer = [](CommandReport& r) {
        r = testing::echoWith(r, {0, 0, 0, 0, 9});
        return 0;
    };
    DeviceSession session = makeSession(catalogue);
    session.setDeviceProfile(1);
    EXPECT_TRUE(session.handleDeviceEvent(3));
    EXPECT_EQ(session.deviceProfile(), 1) << "there is no tenth profile";
    EXPECT_EQ(store.currentProfile, 0);

    catalogue.requests.clear();
    catalogue.answer = [](CommandReport&) { return 1; };
    EXPECT_FALSE(session.handleDeviceEvent(3));
    EXPECT_EQ(catalogue.requests.size(), 5u);
}

TEST_F(DeviceSessionTest, TheExitStepLeavesTheKeyboardOnItsProfileInNormalMode) {
    DeviceSession session = makeSession(keyboard);
    session.setUpArrival();
    const struct {
        const char* name;
        int deviceProfile;
        bool updater;
        bool firmwareCheck;
        std::vector<std::string> expected;
    } rows[] = {
        {"normal", 2, false, false, {"51/00", "52/00", "41/00"}},
        {"updater started", 2, true, false, {}},
        {"firmware check pending", 2, false, true, {}},
        {"profile unknown", -1, false, false, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        keyboard.requests.clear();
        session.setDeviceProfile(row.deviceProfile);
        session.exitStep(row.updater, row.firmwareCheck);
        EXPECT_EQ(commandNames(keyboard.requests), row.expected);
    }
    EXPECT_EQ(keyboard.state.currentProfile, 2);
    EXPECT_EQ(keyboard.engine.mode(), 0);
}

TEST_F(DeviceSessionTest, AStopRequestEndsAPassBetweenProfiles) {
    int asked = 0;
    SessionHooks hooks;
    hooks.stopRequested = [&] { return ++asked > 2; };
    DeviceSession session(keyboard, store, saved, hooks, keyMap());
    session.setUpArrival();
    EXPECT_EQ(session.readProfilesFromKeyboard(DeviceSession::ALL_PROFILES), 1);
    std::vector<int> selected;
    for (const CommandReport& r : keyboard.sent(0x51, 0x00)) {
        selected.push_back(r.Data[0]);
    }
    EXPECT_EQ(selected, (std::vector<int>{0, 1}));
}

} // namespace
} // namespace lumetta
