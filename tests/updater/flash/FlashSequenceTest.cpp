// The flashing sequence and the bootloader commands against the simulated keyboard's bootloader
// engine in process: exact requests, pieces, progress, sleeps, checks and recovery.

#include "updater/flash/FlashSequence.h"
#include "EngineBootloader.h"
#include "kbsim/Flash.h"
#include "updater/flash/KeyboardInfo.h"
#include "updater/package/ImageChecksum.h"
#include "updater/package/VersionBlock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace lumetta::flash::test {
namespace {

using std::chrono::milliseconds;

constexpr std::uint32_t START = 0x1000;
constexpr std::uint32_t WHOLE_AREA = 61440;   // page size 1024 x 60 pages
constexpr std::uint32_t RECOVERY_SIZE = 5120; // page size + start address

FirmwarePackage smallPackage(std::size_t imageSize, std::uint8_t blockSize = 56) {
    FirmwarePackage package;
    const std::string model = "LUMETTA-SIM-0001";
    std::copy(model.begin(), model.end(), package.header.ModelId.begin());
    package.header.BlockSize = blockSize;
    setFieldText(package.header.VersionText, u"V1.2 build 6");
    package.firmware[0].resize(imageSize);
    std::iota(package.firmware[0].begin(), package.firmware[0].end(), std::uint8_t{7});
    package.version[0] = buildVersionBlock(u"V1.2 build 6", 1, 2, 6);
    package.header.Images[0].FirmwareLength = static_cast<std::uint32_t>(imageSize);
    package.header.Images[0].VersionLength = static_cast<std::uint32_t>(package.version[0].size());
    return package;
}

struct FlashRun {
    FlashResult result;
    std::vector<int> progress;
    std::vector<milliseconds> sleeps;
};

FlashRun flashOnce(EngineBootloader& keyboard, const FirmwarePackage& package,
                   int selectedImage = 0) {
    UpdaterState state;
    state.SelectedImage = selectedImage;
    FlashRun run;
    FlashSequence sequence(
        keyboard, package, state, [&](milliseconds span) { run.sleeps.push_back(span); },
        [&](int position) { run.progress.push_back(position); });
    run.result = sequence.run();
    return run;
}

std::vector<std::size_t> writeLengths(const EngineBootloader& keyboard) {
    std::vector<std::size_t> lengths;
    for (const CommandReport& request : keyboard.sent(0x1F)) {
        lengths.push_back(request.SubCommand);
    }
    return lengths;
}

int erasesOf(const EngineBootloader& keyboard, std::uint32_t size) {
    int count = 0;
    for (const CommandReport& request : keyboard.sent(0x1D, 0x00)) {
        count += dataU32(request, 4) == size ? 1 : 0;
    }
    return count;
}

bool versionAreaErased(const EngineBootloader& keyboard) {
    return !kbsim::readFirmwareVersion(keyboard.state.flash).valid;
}

TEST(FlashSequence, WritesPiecesReportsProgressAndRestarts) {
    const FirmwarePackage package = smallPackage(130);
    EngineBootloader keyboard;
    const FlashRun run = flashOnce(keyboard, package);

    ASSERT_TRUE(run.result.succeeded) << static_cast<int>(run.result.failedStep);
    // Firmware in 56, 56, 18; then the 120-byte version block in 56, 56, 8.
    EXPECT_EQ(writeLengths(keyboard), (std::vector<std::size_t>{56, 56, 18, 56, 56, 8}));
    EXPECT_EQ(run.progress, (std::vector<int>{0, 10, 33, 56, 80, 86, 93, 100, 100}));
    EXPECT_EQ(run.sleeps, (std::vector<milliseconds>{milliseconds(10), milliseconds(200),
                                                     milliseconds(100), milliseconds(500)}));
    EXPECT_EQ(erasesOf(keyboard, WHOLE_AREA), 1);
    EXPECT_EQ(keyboard.requests.back().Command, 0x11);
    EXPECT_EQ(keyboard.requests.back().SubCommand, 0x01);

    const auto& flash = keyboard.state.flash;
    EXPECT_TRUE(
        std::equal(package.firmware[0].begin(), package.firmware[0].end(), flash.begin() + START));
    EXPECT_EQ(flash[START + 130], 0xFF) << "the rest of the firmware area stays erased";
    const kbsim::FirmwareVersion version = kbsim::readFirmwareVersion(flash);
    EXPECT_TRUE(version.valid);
    EXPECT_EQ(version.text, u"V1.2 build 6");
    EXPECT_EQ(flash[0], 26) << "the version record's length is always 26";
    EXPECT_EQ(version.build, 6u);
}

struct ChecksumCase {
    const char* name;
    // The keyboard's answer to the n-th checksum request (n from 0) given the right sum;
    // nothing drops the answer.
    std::function<std::optional<std::uint32_t>(int, std::uint32_t)> answer;
    bool succeeds;
    int wholeErases;
};

TEST(FlashSequence, ChecksumMismatchesAreWrittenAgainUntilTheyCannotComeRight) {
    const ChecksumCase cases[] = {
        {"right at once", [](int, std::uint32_t sum) { return sum; }, true, 1},
        {"wrong once", [](int n, std::uint32_t sum) { return n == 0 ? sum + 1 : sum; }, true, 2},
        {"wrong twice alike", [](int n, std::uint32_t sum) { return n < 2 ? sum + 1 : sum; }, false,
         2},
        {"wrong twice differently",
         [](int n, std::uint32_t sum) { return n < 2 ? sum + 1 + n : sum; }, true, 3},
        {"always wrong differently",
         [](int n, std::uint32_t sum) { return sum + 1 + static_cast<std::uint32_t>(n); }, false,
         3},
        {"never answered", [](int, std::uint32_t) { return std::optional<std::uint32_t>(); }, false,
         3},
    };
    const FirmwarePackage package = smallPackage(200);
    for (const ChecksumCase& c : cases) {
        SCOPED_TRACE(c.name);
        EngineBootloader keyboard;
        int asked = 0;
        keyboard.rule = [&](const CommandReport& request, std::optional<CommandReport>& answer) {
            if (request.Command != 0x1D || request.SubCommand != 0x01 || !answer) {
                return;
            }
            const auto value = c.answer(asked++, dataU32(*answer, 0));
            if (!value) {
                answer.reset();
                return;
            }
            std::memcpy(answer->Data, &*value, 4);
        };
        const FlashRun run = flashOnce(keyboard, package);
        EXPECT_EQ(run.result.succeeded, c.succeeds);
        EXPECT_EQ(erasesOf(keyboard, WHOLE_AREA), c.wholeErases);
        if (!c.succeeds) {
            EXPECT_EQ(run.result.failedStep, FlashStep::Checksum);
            EXPECT_EQ(erasesOf(keyboard, RECOVERY_SIZE), 1);
            EXPECT_TRUE(versionAreaErased(keyboard)) << "the keyboard must stay in its bootloader";
        }
    }
}

struct PieceCase {
    const char* name;
    // Applied to the answer of the n-th block write (n from 0).
    std::function<void(int, EngineBootloader&, std::optional<CommandReport>&)> fault;
    std::uint32_t setBackTo;
};

TEST(FlashSequence, APieceWithAnUnconfirmedPointerIsWrittenAgainFromTheLastConfirmedPlace) {
    const PieceCase cases[] = {
        {"pointer one piece too far",
         [](int n, EngineBootloader& keyboard, std::optional<CommandReport>&) {
             keyboard.faults.wrongPointerOnce = n == 1;
         },
         START + 2 * 56},
        {"answer lost",
         [](int n, EngineBootloader&, std::optional<CommandReport>& answer) {
             if (n == 3) {
                 answer.reset();
             }
         },
         START + 3 * 56},
    };
    const FirmwarePackage package = smallPackage(400);
    for (const PieceCase& c : cases) {
        SCOPED_TRACE(c.name);
        EngineBootloader keyboard;
        int writes = 0;
        keyboard.rule = [&](const CommandReport& request, std::optional<CommandReport>& answer) {
            if (request.Command == 0x1F) {
                c.fault(writes++, keyboard, answer);
            }
        };
        const FlashRun run = flashOnce(keyboard, package);
        ASSERT_TRUE(run.result.succeeded);
        std::vector<std::uint32_t> pointers;
        for (const CommandReport& request : keyboard.sent(0x1E, 0x01)) {
            pointers.push_back(dataU32(request, 0));
        }
        EXPECT_EQ(pointers, (std::vector<std::uint32_t>{START, c.setBackTo, 0}));
        EXPECT_EQ(std::count(run.sleeps.begin(), run.sleeps.end(), milliseconds(1000)), 1);
        EXPECT_EQ(keyboard.sent(0x1F).size(), 8u + 1 + 3);
        EXPECT_EQ(kbsim::flashChecksum(keyboard.state.flash, START, 400),
                  imageChecksum(package.firmware[0]));
    }
}

struct FailureCase {
    const char* name;
    std::function<void(EngineBootloader&)> setUp;
    int selectedImage;
    FlashStep failedStep;
    bool flashChanged;
    int wholeErases;
};

TEST(FlashSequence, FailuresEraseTheVersionAreaOnlyOnceTheFlashWasTouched) {
    const auto dropping = [](std::uint8_t command, int subCommand) {
        return [=](EngineBootloader& keyboard) {
            keyboard.rule = [=](const CommandReport& request,
                                std::optional<CommandReport>& answer) {
                if (request.Command == command &&
                    (subCommand < 0 || request.SubCommand == subCommand)) {
                    answer.reset();
                }
            };
        };
    };
    const FailureCase cases[] = {
        {"information never read", dropping(0x12, 0x00), 0, FlashStep::ReadInfo, false, 0},
        {"another model", [](EngineBootloader& keyboard) { keyboard.state.modelId[0] = 'X'; }, 0,
         FlashStep::CheckImage, false, 0},
        {"no slot chosen", [](EngineBootloader&) {}, -2, FlashStep::CheckImage, false, 0},
        {"erase never answered", dropping(0x1D, 0x00), 0, FlashStep::Erase, true, 15},
        {"pointer never confirmed", dropping(0x1E, 0x00), 0, FlashStep::FirmwarePointer, true, 1},
        {"unplugged while writing",
         [](EngineBootloader& keyboard) {
             auto writes = std::make_shared<int>(0);
             keyboard.rule = [&keyboard, writes](const CommandReport& request,
                                                 std::optional<CommandReport>& answer) {
                 if (request.Command == 0x1F && ++*writes == 5) {
                     keyboard.connected = false;
                     answer.reset();
                 }
             };
         },
         0, FlashStep::WriteFirmware, true, 1},
        {"version area reads back wrong",
         [](EngineBootloader& keyboard) {
             keyboard.rule = [](const CommandReport& request,
                                std::optional<CommandReport>& answer) {
                 if (request.Command == 0x12 && request.SubCommand == 0x20 && answer) {
                     answer->Data[5] ^= 0x01;
                 }
             };
         },
         0, FlashStep::VerifyVersion, true, 3},
    };
    const FirmwarePackage package = smallPackage(300);
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        EngineBootloader keyboard;
        c.setUp(keyboard);
        const FlashRun run = flashOnce(keyboard, package, c.selectedImage);
        EXPECT_FALSE(run.result.succeeded);
        EXPECT_EQ(run.result.failedStep, c.failedStep);
        EXPECT_EQ(run.result.flashChanged, c.flashChanged);
        EXPECT_EQ(erasesOf(keyboard, WHOLE_AREA), c.wholeErases);
        EXPECT_EQ(keyboard.sent(0x11, 0x01).size(), 0u) << "a failed keyboard is not restarted";
        if (!c.flashChanged) {
            EXPECT_FALSE(versionAreaErased(keyboard)) << "an untouched keyboard keeps its firmware";
            EXPECT_EQ(erasesOf(keyboard, RECOVERY_SIZE), 0);
        } else if (keyboard.connected) {
            EXPECT_GE(erasesOf(keyboard, RECOVERY_SIZE), 1);
            EXPECT_TRUE(versionAreaErased(keyboard));
        } else {
            EXPECT_EQ(erasesOf(keyboard, RECOVERY_SIZE), 0) << "nothing is sent to a gone keyboard";
        }
    }
}

struct CommandCase {
    const char* name;
    std::function<int(BootloaderCommands&)> call;
    std::vector<std::uint8_t> head; // the request's first bytes
    milliseconds wait;              // 0: not awaited
};

TEST(BootloaderCommands, RequestsAndWaits) {
    const CommandCase cases[] = {
        {"SelectTarget",
         [](BootloaderCommands& c) { return c.SelectTarget(3); },
         {0x10, 0x01, 0, 0, 3, 0, 0, 0},
         milliseconds(500)},
        {"GetTarget",
         [](BootloaderCommands& c) {
             std::uint32_t t;
             return c.GetTarget(t);
         },
         {0x10, 0x00, 0, 0, 0, 0, 0, 0},
         milliseconds(500)},
        {"GetTargetCount",
         [](BootloaderCommands& c) {
             std::uint32_t t;
             return c.GetTargetCount(t);
         },
         {0x10, 0x02, 0, 0, 0, 0, 0, 0},
         milliseconds(500)},
        {"EnterBootloader",
         [](BootloaderCommands& c) { return c.EnterBootloader(); },
         {0x11, 0x00, 0, 0, 0},
         milliseconds(0)},
        {"ResetDevice",
         [](BootloaderCommands& c) { return c.ResetDevice(); },
         {0x11, 0x01, 0, 0, 0},
         milliseconds(0)},
        {"EraseFlash 100 KiB",
         [](BootloaderCommands& c) { return c.EraseFlash(102400); },
         {0x1D, 0x00, 0, 0, 0, 0, 0, 0, 0x00, 0x90, 0x01, 0x00},
         milliseconds(10000)},
        {"EraseFlash 4 KiB",
         [](BootloaderCommands& c) { return c.EraseFlash(4096); },
         {0x1D, 0x00, 0, 0, 0, 0, 0, 0, 0x00, 0x10, 0x00, 0x00},
         milliseconds(500)},
        {"EraseFlash 20 KiB less one",
         [](BootloaderCommands& c) { return c.EraseFlash(20479); },
         {0x1D, 0x00, 0, 0, 0, 0, 0, 0, 0xFF, 0x4F, 0, 0},
         milliseconds(1000)},
        {"GetFlashChecksum",
         [](BootloaderCommands& c) {
             std::uint32_t s;
             return c.GetFlashChecksum(0x1000, 40960, s);
         },
         {0x1D, 0x01, 0, 0, 0x00, 0x10, 0, 0, 0x00, 0xA0, 0, 0},
         milliseconds(500)},
        {"SetWritePointer",
         [](BootloaderCommands& c) { return c.SetWritePointer(0x1000); },
         {0x1E, 0x01, 0, 0, 0x00, 0x10, 0, 0},
         milliseconds(1000)},
        {"GetWritePointer",
         [](BootloaderCommands& c) {
             std::uint32_t p = BootloaderCommands::READ_POINTER;
             return c.GetWritePointer(p);
         },
         {0x1E, 0x00, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
         milliseconds(500)},
        {"WriteBlock",
         [](BootloaderCommands& c) {
             const std::uint8_t data[] = {0xAA, 0xBB, 0xCC};
             std::uint32_t p = 0;
             return c.WriteBlock(data, p);
         },
         {0x1F, 0x03, 0, 0, 0xAA, 0xBB, 0xCC, 0},
         milliseconds(500)},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.name);
        EngineBootloader keyboard;
        EXPECT_EQ(c.call(keyboard), 0);
        ASSERT_EQ(keyboard.requests.size(), 1u);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&keyboard.requests[0]);
        EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + c.head.size()), c.head);
        EXPECT_TRUE(std::all_of(bytes + std::max<std::size_t>(c.head.size(), 12), bytes + 64,
                                [](std::uint8_t b) { return b == 0; }));
        EXPECT_EQ(keyboard.waits[0], c.wait);

        keyboard.connected = false;
        EXPECT_EQ(c.call(keyboard), 1) << "no keyboard: fails without sending";
        EXPECT_EQ(keyboard.requests.size(), 1u);
    }
}

TEST(BootloaderCommands, WriteBlockRefusesMoreThanOneReportCarries) {
    EngineBootloader keyboard;
    const std::vector<std::uint8_t> data(61, 0x55);
    std::uint32_t pointer = 0;
    EXPECT_EQ(keyboard.WriteBlock(data, pointer), 1);
    EXPECT_TRUE(keyboard.requests.empty());
}

TEST(BootloaderCommands, AnswersGiveTheirValues) {
    EngineBootloader keyboard;
    std::uint32_t count = 0;
    std::uint32_t pointer = BootloaderCommands::READ_POINTER;
    std::uint32_t sum = 0;
    ASSERT_EQ(keyboard.GetTargetCount(count), 0);
    ASSERT_EQ(keyboard.SetWritePointer(START + 8), 0);
    const std::uint8_t data[] = {1, 2, 3, 4};
    ASSERT_EQ(keyboard.WriteBlock(data, pointer), 0);
    EXPECT_EQ(pointer, START + 12) << "a block write answers 0x1E 0x02 and the new pointer";
    ASSERT_EQ(keyboard.GetFlashChecksum(0, 4, sum), 0);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(sum, kbsim::flashChecksum(keyboard.state.flash, 0, 4));
}

struct TextCase {
    const char* name;
    std::vector<std::uint8_t> record; // the first bytes; the rest of the 60 are 0xFF
    std::u16string text;
};

TEST(KeyboardInfo, VersionRecordText) {
    const auto utf16 = [](std::uint32_t length, std::u16string_view text) {
        std::vector<std::uint8_t> bytes = {
            static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
            static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 24)};
        for (char16_t c : text) {
            bytes.push_back(static_cast<std::uint8_t>(c));
            bytes.push_back(static_cast<std::uint8_t>(c >> 8));
        }
        return bytes;
    };
    const std::u16string long28 = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ01";
    const TextCase cases[] = {
        {"erased", {}, u""},
        {"written by the updater", utf16(26, std::u16string(u"V1.2 build 6\0", 13)),
         u"V1.2 build 6"},
        {"length erased, text present", utf16(0xFFFFFFFF, u"V1.2"), u""},
        {"shorter length than text", utf16(4, u"V1.2"), u"V1"},
        {"odd length", utf16(5, u"V1.2"), u"V1"},
        {"longer than the record", utf16(200, long28), long28},
        {"zero length", utf16(0, u"V1.2"), u""},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        FirmwareRecordBlock record = erasedRecord();
        std::copy(c.record.begin(), c.record.end(), record.begin());
        EXPECT_EQ(versionRecordText(record), c.text);
    }
}

TEST(KeyboardInfo, GetInfoReadsTheKeyboardAndChoosesItsSlot) {
    FirmwarePackage package = smallPackage(64);
    package.header.Images[0].LayoutId = 1;
    setFieldText(package.header.Images[0].Name, u"US");
    EngineBootloader keyboard;
    UpdaterState state;
    std::vector<milliseconds> sleeps;
    const auto display =
        GetInfo(keyboard, package.header, state, [&](milliseconds s) { sleeps.push_back(s); });
    ASSERT_TRUE(display);
    EXPECT_EQ(*display, (KeyboardDisplay{u"V1.2 build 5", u"US"}));
    EXPECT_EQ(state.SelectedImage, 0);
    const KeyboardVersion version = applicationVersion(state.AppInfo);
    EXPECT_EQ(version.major, 1);
    EXPECT_EQ(version.minor, 2);
    EXPECT_EQ(version.build, 5u);
    EXPECT_TRUE(sleeps.empty());

    // A keyboard that never answers its information leaves no choice behind.
    keyboard.rule = [](const CommandReport& request, std::optional<CommandReport>& answer) {
        if (request.SubCommand == 0x00) {
            answer.reset();
        }
    };
    state.SelectedImage = 0;
    sleeps.clear();
    EXPECT_FALSE(
        GetInfo(keyboard, package.header, state, [&](milliseconds s) { sleeps.push_back(s); }));
    EXPECT_EQ(state.SelectedImage, SELECT_INFO_ERROR);
    EXPECT_EQ(sleeps, std::vector<milliseconds>(14, milliseconds(500)));
}

} // namespace
} // namespace lumetta::flash::test
