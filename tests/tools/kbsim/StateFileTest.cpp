#include "kbsim/StateFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace lumetta::kbsim {
namespace {

KeyboardState changedState() {
    KeyboardState s = factoryState(Layout::JP);
    s.currentProfile = 4;
    s.profiles[2].named = true;
    s.profiles[2].name[0] = 'Q';
    s.profiles[2].entries[1][7] = {7, 50, 0x80, 31, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6};
    s.profiles[5].keyColors[1][383] = 0x42;
    s.profiles[1].keyEffectMap[167] = 0xB1;
    s.committed[3].effectList[0] = 0xE1;
    eraseFlash(s.flash, 1000);
    s.flash[FLASH_SIZE - 1] = 0x12;
    return s;
}

TEST(StateFileTest, RoundTripKeepsEverything) {
    for (const KeyboardState& original : {factoryState(Layout::US), changedState()}) {
        const auto parsed = parseState(serializeState(original));
        ASSERT_EQ(parsed.error, "");
        ASSERT_TRUE(parsed.state);
        EXPECT_TRUE(*parsed.state == original);
    }
}

TEST(StateFileTest, DamagedFilesAreRejectedWithTheLine) {
    const std::string good = serializeState(factoryState(Layout::US));
    const std::string withoutEnd = good.substr(0, good.rfind("end\n"));
    struct Case {
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        {"", "line 0: empty state file"},
        {"something else\n", "line 1: not a simulator state file"},
        {withoutEnd, "ends before its \"end\" line"},
        {good.substr(0, good.size() / 2), "line"},
        {"lumetta-kbsim-state 1\nlayout-id 70000\nend\n", "line 2: bad number"},
        {"lumetta-kbsim-state 1\ncurrent-profile 6\nend\n", "line 2: bad number"},
        {"lumetta-kbsim-state 1\nmodel-id 4c55\nend\n", "line 2: expected 16 bytes"},
        {"lumetta-kbsim-state 1\nflash 0xfff0 00112233445566778899aabbccddeeff00\nend\n",
         "line 2: flash row does not fit"},
        {"lumetta-kbsim-state 1\nprofile 0 live effect-list zz\nend\n", "line 2: expected 18"},
        {"lumetta-kbsim-state 1\nprofile 0 later name unnamed\nend\n", "line 2: expected live"},
        {"lumetta-kbsim-state 1\nprofile 0 live entry 3 000000000000000000000000\nend\n",
         "line 2: bad number"},
        {"lumetta-kbsim-state 1\nwhatever 1\nend\n", "line 2: unknown line"},
        {"lumetta-kbsim-state 1\nend\nlayout-id 1\n", "line 3: text after"},
    };
    for (const Case& c : cases) {
        const auto parsed = parseState(c.text);
        EXPECT_FALSE(parsed.state) << "accepted: " << c.text.substr(0, 60);
        EXPECT_NE(parsed.error.find(c.error), std::string::npos)
            << "expected \"" << c.error << "\", got \"" << parsed.error << "\"";
    }
}

TEST(StateFileTest, SaveAndLoadThroughAFile) {
    char pattern[] = "/tmp/kbsim-state-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::filesystem::path dir = pattern;
    const auto file = dir / "kbsim.state";

    const auto missing = loadStateFile(file);
    EXPECT_FALSE(missing.state);
    EXPECT_EQ(missing.error, "") << "a missing file is a new keyboard, not an error";

    const KeyboardState original = changedState();
    ASSERT_EQ(saveStateFile(file, original), "");
    EXPECT_FALSE(std::filesystem::exists(dir / "kbsim.state.tmp"));
    const auto loaded = loadStateFile(file);
    ASSERT_TRUE(loaded.state) << loaded.error;
    EXPECT_TRUE(*loaded.state == original);

    std::ofstream(file, std::ios::app) << "junk\n";
    const auto damaged = loadStateFile(file);
    EXPECT_FALSE(damaged.state);
    EXPECT_NE(damaged.error.find(file.string()), std::string::npos) << damaged.error;
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace lumetta::kbsim
