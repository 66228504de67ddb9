#include "RequestBuilder.h"

#include "kbsim/BootloaderEngine.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace lumetta::kbsim {
namespace {

using test::request;
using test::requestU32;

class BootloaderEngineTest : public ::testing::Test {
protected:
    EngineOutcome send(const Report& r) { return engine.handle(r, faults); }

    Report ask(const Report& r) {
        const EngineOutcome outcome = send(r);
        EXPECT_TRUE(outcome.answer.has_value());
        return outcome.answer.value_or(Report{});
    }

    std::uint32_t writeBlock(std::span<const std::uint8_t> data) {
        Report r = request(0x1F, static_cast<std::uint8_t>(data.size()));
        std::copy(data.begin(), data.end(), r.begin() + 4);
        const Report answer = ask(r);
        EXPECT_EQ(answer[0], 0x1E);
        EXPECT_EQ(answer[1], 0x02);
        return readU32(&answer[4]);
    }

    KeyboardState state = factoryState(Layout::US);
    Faults faults;
    BootloaderEngine engine{state};
};

TEST_F(BootloaderEngineTest, HasOneTarget) {
    EXPECT_EQ(readU32(&ask(request(0x10, 0x02))[4]), 1u);
    ask(requestU32(0x10, 0x01, 0));
    EXPECT_EQ(readU32(&ask(request(0x10, 0x00))[4]), 0u);
    ask(requestU32(0x10, 0x01, 3));
    EXPECT_EQ(readU32(&ask(request(0x10, 0x00))[4]), 0u) << "a target that does not exist";
}

TEST_F(BootloaderEngineTest, EraseClearsVersionAreaAndTheAskedPartOfTheFirmwareArea) {
    struct Case {
        std::uint32_t size;
        std::uint32_t erasedUpTo; // flash address
        std::chrono::microseconds busy;
    };
    const Case cases[] = {
        {0, FIRMWARE_START, ERASE_TIME_PER_PAGE * 4},
        {4096, FIRMWARE_START + 4096, ERASE_TIME_PER_PAGE * 8},
        {5120, FIRMWARE_START + 5120, ERASE_TIME_PER_PAGE * 9},
        {1000, FIRMWARE_START + 1000, ERASE_TIME_PER_PAGE * 5},
        {FIRMWARE_AREA_SIZE, FLASH_SIZE, ERASE_TIME_PER_PAGE * 64},
        {0xFFFFFFFF, FLASH_SIZE, ERASE_TIME_PER_PAGE * 64},
    };
    for (const Case& c : cases) {
        state.flash = FlashBytes(FLASH_SIZE, 0x00);
        const EngineOutcome outcome = send(requestU32(0x1D, 0x00, 0, c.size));
        ASSERT_TRUE(outcome.answer) << "size " << c.size;
        EXPECT_EQ(outcome.busy, c.busy) << "size " << c.size;
        const auto firstKept = std::find(state.flash.begin(), state.flash.end(), 0x00);
        EXPECT_EQ(std::size_t(firstKept - state.flash.begin()), c.erasedUpTo) << "size " << c.size;
    }
}

TEST_F(BootloaderEngineTest, BlocksAreWrittenAtThePointerWhichAdvances) {
    send(requestU32(0x1D, 0x00, 0, FIRMWARE_AREA_SIZE));
    ask(requestU32(0x1E, 0x01, FIRMWARE_START));
    EXPECT_EQ(readU32(&ask(requestU32(0x1E, 0x00, 0xFFFFFFFF))[4]), FIRMWARE_START);

    std::vector<std::uint8_t> image(130);
    std::iota(image.begin(), image.end(), 1);
    std::uint32_t pointer = FIRMWARE_START;
    for (std::size_t at = 0; at < image.size(); at += 56) {
        const std::size_t n = std::min<std::size_t>(56, image.size() - at);
        pointer = writeBlock(std::span(image).subspan(at, n));
        EXPECT_EQ(pointer, FIRMWARE_START + at + n);
    }
    EXPECT_TRUE(std::equal(image.begin(), image.end(), state.flash.begin() + FIRMWARE_START));
    EXPECT_EQ(state.flash[FIRMWARE_START + 130], 0xFF);

    std::uint32_t expected = 0;
    for (std::size_t i = 0; i < 128; i += 4) {
        expected += readU32(&image[i]);
    }
    expected += image[128] | image[129] << 8; // a last partial word counts its bytes only
    EXPECT_EQ(readU32(&ask(requestU32(0x1D, 0x01, FIRMWARE_START, 130))[4]), expected);
}

TEST_F(BootloaderEngineTest, ChecksumRangesBeyondTheFlashCountZero) {
    state.flash = FlashBytes(FLASH_SIZE, 0);
    writeU32(&state.flash[FLASH_SIZE - 4], 0x01020304);
    struct Case {
        std::uint32_t start, length, sum;
    };
    const Case cases[] = {
        {FLASH_SIZE - 4, 4, 0x01020304},
        {FLASH_SIZE - 4, 0xFFFFFFFF, 0x01020304}, // must not walk 4 GiB either
        {FLASH_SIZE - 2, 8, 0x0102},
        {FLASH_SIZE, 0xFFFFFFFF, 0},
        {0xFFFFFFF0, 0xFFFFFFFF, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(readU32(&ask(requestU32(0x1D, 0x01, c.start, c.length))[4]), c.sum)
            << "start " << c.start << " length " << c.length;
    }
}

TEST_F(BootloaderEngineTest, WritingOverUnerasedFlashOnlyClearsBits) {
    ask(requestU32(0x1E, 0x01, FIRMWARE_START));
    state.flash[FIRMWARE_START] = 0xF0;
    const std::uint8_t data[] = {0x3C};
    writeBlock(data);
    EXPECT_EQ(state.flash[FIRMWARE_START], 0x30);
}

TEST_F(BootloaderEngineTest, FaultsStrikeOnce) {
    ask(requestU32(0x1E, 0x01, FIRMWARE_START));
    faults.wrongPointerOnce = true;
    const std::uint8_t data[8] = {};
    EXPECT_EQ(writeBlock(data), FIRMWARE_START + 16) << "one piece too far";
    EXPECT_EQ(writeBlock(data), FIRMWARE_START + 24);

    const std::uint32_t right = flashChecksum(state.flash, FIRMWARE_START, 1024);
    faults.badChecksumOnce = true;
    EXPECT_NE(readU32(&ask(requestU32(0x1D, 0x01, FIRMWARE_START, 1024))[4]), right);
    EXPECT_EQ(readU32(&ask(requestU32(0x1D, 0x01, FIRMWARE_START, 1024))[4]), right);
}

TEST_F(BootloaderEngineTest, RefusesApplicationCommandsAndOverlongBlocks) {
    for (const Report& r : {request(0x40, 0x63), request(0x51, 0x00, 0, {1}), request(0x1F, 61)}) {
        const Report answer = ask(r);
        EXPECT_EQ(answer[0], 0xFF);
        EXPECT_EQ(answer[1], 0xAA);
        EXPECT_EQ(answer[4], r[0]);
        EXPECT_EQ(answer[5], r[1]);
    }
}

TEST_F(BootloaderEngineTest, ResetLeavesWithoutAnswerAndSharesFirmwareInformation) {
    const EngineOutcome reset = send(request(0x11, 0x01));
    EXPECT_FALSE(reset.answer);
    EXPECT_EQ(reset.departure, EngineOutcome::Departure::RESET);
    EXPECT_FALSE(send(request(0x11, 0x00)).answer);

    send(requestU32(0x1D, 0x00, 0, 0));
    const Report record1 = ask(request(0x12, 0x21));
    EXPECT_EQ(record1[6], 0xFF) << "an erased version area reports major 0xFF";
    EXPECT_EQ(record1[7], 0xFF);
    const Report info = ask(request(0x12, 0x00));
    EXPECT_EQ(std::string(info.begin() + 8, info.begin() + 24), "LUMETTA-SIM-0001");
}

} // namespace
} // namespace lumetta::kbsim
