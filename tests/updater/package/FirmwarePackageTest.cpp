#include "updater/package/FirmwarePackage.h"

#include "updater/package/PackageBuilder.h"
#include "updater/package/PackageScramble.h"
#include "updater/package/VersionBlock.h"

#include "TestFolders.h"

#include <gtest/gtest.h>

namespace lumetta {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using testing::TempFolder;

Bytes pattern(std::size_t length, std::uint8_t seed) {
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + seed);
    }
    return bytes;
}

FirmwarePackage samplePackage(std::initializer_list<int> slots) {
    FirmwarePackage package;
    PackageHeader& h = package.header;
    h.ModelId = {'L', 'U', 'M', 'E', 'T', 'T', 'A', '-', 'S', 'I', 'M', '-', '0', '0', '0', '1'};
    h.BootVendorId = 0x04D9;
    h.BootProductId = 0x1203;
    h.AppVendorId = 0x04D9;
    h.AppProductId = 0x0203;
    h.BlockSize = 56;
    setFieldText(h.Title, u"Updater");
    setFieldText(h.VersionText, u"V1.02");
    for (int slot : slots) {
        package.firmware[slot] = pattern(1000 + 4 * slot, static_cast<std::uint8_t>(slot));
        package.version[slot] = buildVersionBlock(u"V1.02", 1, 2, slot);
        h.Images[slot].LayoutId = static_cast<std::uint16_t>(slot + 1);
        setFieldText(h.Images[slot].Name, u"Layout");
    }
    return package;
}

void writeFile(const fs::path& path, const Bytes& bytes) {
    testing::writeBytes(path, std::string(bytes.begin(), bytes.end()));
}

// Rewrites the stored header at the end of a package file through edit.
template <typename Edit> void editHeader(Bytes& file, Edit edit) {
    std::array<std::uint8_t, PACKAGE_HEADER_SIZE> raw;
    std::copy(file.end() - PACKAGE_HEADER_SIZE, file.end(), raw.begin());
    unscramble(raw);
    PackageHeader header = decodePackageHeader(raw);
    edit(header);
    raw = encodePackageHeader(header);
    scramble(raw);
    std::copy(raw.begin(), raw.end(), file.end() - PACKAGE_HEADER_SIZE);
}

TEST(FirmwarePackage, ReadsBackWhatWasBuiltBehindAProgram) {
    TempFolder folder;
    const FirmwarePackage built = samplePackage({0, 2, 8});
    Bytes file = pattern(5000, 99); // the program itself
    const Bytes package = buildPackageBytes(built);
    file.insert(file.end(), package.begin(), package.end());
    writeFile(folder / "Reflasher", file);

    RecordingMessageSink messages;
    FirmwarePackage loaded;
    ASSERT_TRUE(loadFirmwarePackage(folder / "Reflasher", messages, loaded));
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(loaded.firmware, built.firmware);
    EXPECT_EQ(loaded.version, built.version);
    EXPECT_EQ(loaded.header.Images[2].FirmwareLength, 1008u);
    EXPECT_EQ(loaded.header.Images[2].VersionLength, 120u);
    EXPECT_EQ(loaded.header.Images[1].FirmwareLength, 0u);
    EXPECT_EQ(fieldText(loaded.header.VersionText), u"V1.02");
    EXPECT_EQ(readFirmwarePackage(folder / "Reflasher").packageStart, 5000u);
}

TEST(FirmwarePackage, OnlySlotTwoFilledSitsRightBeforeTheHeader) {
    TempFolder folder;
    const Bytes package = buildPackageBytes(samplePackage({2}));
    ASSERT_EQ(package.size(), 1008u + 120u + PACKAGE_HEADER_SIZE);
    writeFile(folder / "p", package);
    const PackageReadResult result = readFirmwarePackage(folder / "p");
    ASSERT_EQ(result.status, PackageStatus::Ok);
    EXPECT_EQ(result.package.firmware[2], pattern(1008, 2));
    EXPECT_EQ(result.packageStart, 0u);
}

TEST(FirmwarePackage, FailuresShowTheirMessage) {
    TempFolder folder;
    const Bytes good = buildPackageBytes(samplePackage({0}));
    Bytes noMarker = good;
    editHeader(noMarker, [](PackageHeader& h) { h.Marker[7] = '3'; });
    Bytes tooLong = good;
    editHeader(tooLong, [](PackageHeader& h) { h.Images[0].FirmwareLength += 1; });
    fs::create_directories(folder / "dir");

    struct Case {
        std::string name;
        std::optional<Bytes> content; // nullopt: no such file
        PackageStatus status;
        UserMessage message;
    };
    const UserMessage cannotOpen{"Can not open Program file!\n", "", MessageIcon::None};
    const UserMessage cannotRead{"Fail to read Program file!", "Error", MessageIcon::Error};
    const UserMessage noInfo{"Fail to find firmware information!", "Error", MessageIcon::Error};
    const Case cases[] = {
        {"missing", std::nullopt, PackageStatus::CannotOpen, cannotOpen},
        {"empty", Bytes{}, PackageStatus::CannotReadHeader, cannotRead},
        {"short", Bytes(PACKAGE_HEADER_SIZE - 1, 0), PackageStatus::CannotReadHeader, cannotRead},
        {"plain program", pattern(10000, 3), PackageStatus::NoMarker, noInfo},
        {"no marker", noMarker, PackageStatus::NoMarker, noInfo},
        {"block beyond the start", tooLong, PackageStatus::ShortBlock, cannotRead},
        {"dir", std::nullopt, PackageStatus::CannotReadHeader, cannotRead},
    };
    for (const auto& c : cases) {
        if (c.content) {
            writeFile(folder / c.name, *c.content);
        }
        EXPECT_EQ(readFirmwarePackage(folder / c.name).status, c.status) << c.name;
        RecordingMessageSink messages;
        FirmwarePackage package;
        package.header.BlockSize = 42;
        EXPECT_FALSE(loadFirmwarePackage(folder / c.name, messages, package)) << c.name;
        EXPECT_EQ(messages.messages, std::vector<UserMessage>{c.message}) << c.name;
        EXPECT_EQ(package.header.BlockSize, 42) << "a failed load leaves the package alone";
    }
}

TEST(FirmwarePackage, LyingLengthsAreRefusedWithoutAllocatingAndOtherSlotsStillLoad) {
    TempFolder folder;
    Bytes file = buildPackageBytes(samplePackage({3, 7}));
    // Slot 3 lies first in the file; a huge length there cannot fit, slot 7 is still whole.
    editHeader(file, [](PackageHeader& h) { h.Images[3].FirmwareLength = 0xFFFFFFFF; });
    writeFile(folder / "p", file);
    const PackageReadResult result = readFirmwarePackage(folder / "p");
    EXPECT_EQ(result.status, PackageStatus::ShortBlock);
    EXPECT_TRUE(result.slotComplete[7]);
    EXPECT_FALSE(result.slotComplete[3]);
    EXPECT_EQ(result.package.firmware[7], pattern(1028, 7));
    EXPECT_TRUE(result.package.firmware[3].empty());

    // Every slot claiming the maximum: nothing fits, nothing is allocated.
    editHeader(file, [](PackageHeader& h) {
        for (auto& image : h.Images) {
            image.FirmwareLength = 0xFFFFFFFF;
            image.VersionLength = 0xFFFFFFFF;
        }
    });
    writeFile(folder / "p", file);
    const PackageReadResult lying = readFirmwarePackage(folder / "p");
    EXPECT_EQ(lying.status, PackageStatus::ShortBlock);
    std::size_t held = 0;
    for (int slot = 0; slot < IMAGE_SLOTS; ++slot) {
        held += lying.package.firmware[slot].size() + lying.package.version[slot].size();
    }
    EXPECT_EQ(held, 0u);
}

TEST(FirmwarePackage, EmptySlotsHoldNoBuffersWhateverTheirVersionLength) {
    TempFolder folder;
    Bytes file = buildPackageBytes(samplePackage({}));
    // An empty slot with a version length still moves the read position, as the format says.
    editHeader(file, [](PackageHeader& h) { h.Images[4].VersionLength = 100000; });
    writeFile(folder / "p", file);
    const PackageReadResult result = readFirmwarePackage(folder / "p");
    EXPECT_EQ(result.status, PackageStatus::Ok);
    EXPECT_TRUE(result.package.version[4].empty());
}

} // namespace
} // namespace lumetta
