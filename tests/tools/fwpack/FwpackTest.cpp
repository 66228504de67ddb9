#include "FwpackCommand.h"
#include "Manifest.h"

#include "updater/package/FirmwarePackage.h"
#include "updater/package/ImageChecksum.h"
#include "updater/package/VersionBlock.h"

#include "TestFolders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <iomanip>
#include <sstream>

namespace lumetta::fwpack {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const std::string PACKAGE_SECTION = "[package]\n"
                                    "model_id = LUMETTA-SIM-0001\n"
                                    "sub_device_scan = 1\n"
                                    "sub_device_index = 2\n"
                                    "boot_vendor_id = 0x04D9\n"
                                    "boot_product_id = 0x1203\n"
                                    "app_vendor_id = 0x04d9\n"
                                    "app_product_id = 515\n"
                                    "block_size = 56\n"
                                    "title = Reflasher \xC3\xA9\n"
                                    "text1 = first\n"
                                    "text2 = second\n"
                                    "version_text = V1.02\n";

const std::string SLOT_3 = "[slot 3]\n"
                           "firmware = fw/us.bin\n"
                           "name = US\n"
                           "layout_id = 1\n"
                           "major = 1\n"
                           "minor = 2\n"
                           "build = 0x01020304\n";

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

Outcome run(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = runFwpack(arguments, out, err);
    return {code, out.str(), err.str()};
}

Bytes firmwareBytes(std::size_t length) {
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 13 + 5);
    }
    return bytes;
}

class Fwpack : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(folder / "fw");
        const Bytes firmware = firmwareBytes(1001);
        testing::writeBytes(folder / "fw/us.bin", std::string(firmware.begin(), firmware.end()));
    }
    fs::path writeManifest(const std::string& text) {
        testing::writeBytes(folder / "m.txt", text);
        return folder / "m.txt";
    }
    testing::TempFolder folder;
};

TEST_F(Fwpack, BuiltPackageReadsBackExactly) {
    const fs::path manifest = writeManifest(PACKAGE_SECTION + SLOT_3);
    const Outcome built = run({manifest.string(), "--output", (folder / "pkg").string()});
    ASSERT_EQ(built.code, 0) << built.err;

    RecordingMessageSink messages;
    FirmwarePackage package;
    ASSERT_TRUE(loadFirmwarePackage(folder / "pkg", messages, package));
    const PackageHeader& h = package.header;
    EXPECT_EQ(std::string(h.ModelId.begin(), h.ModelId.end()), "LUMETTA-SIM-0001");
    EXPECT_EQ(h.SubDeviceScan, 1);
    EXPECT_EQ(h.SubDeviceIndex, 2);
    EXPECT_EQ(h.BootVendorId, 0x04D9u);
    EXPECT_EQ(h.BootProductId, 0x1203u);
    EXPECT_EQ(h.AppVendorId, 0x04D9u);
    EXPECT_EQ(h.AppProductId, 0x0203u);
    EXPECT_EQ(h.BlockSize, 56);
    EXPECT_EQ(fieldText(h.Title), u"Reflasher \u00E9");
    EXPECT_EQ(fieldText(h.Text1), u"first");
    EXPECT_EQ(fieldText(h.Text2), u"second");
    EXPECT_EQ(fieldText(h.VersionText), u"V1.02");
    for (int slot = 0; slot < IMAGE_SLOTS; ++slot) {
        if (slot != 3) {
            EXPECT_EQ(h.Images[slot].FirmwareLength, 0u) << slot;
            EXPECT_EQ(h.Images[slot].VersionLength, 0u) << slot;
        }
    }
    const ImageEntry& image = h.Images[3];
    EXPECT_EQ(fieldText(image.Name), u"US");
    EXPECT_EQ(image.LayoutId, 1);
    EXPECT_EQ(image.VersionMajor, 1);
    EXPECT_EQ(image.VersionMinor, 2);
    EXPECT_EQ(image.VersionBuild, 0x01020304u);
    Bytes expected = firmwareBytes(1001);
    expected.resize(1004, 0);
    EXPECT_EQ(package.firmware[3], expected) << "padded with zeros to whole words";
    EXPECT_EQ(package.version[3], buildVersionBlock(u"V1.02", 1, 2, 0x01020304));

    const Outcome shown = run({"--inspect", (folder / "pkg").string()});
    EXPECT_EQ(shown.code, 0);
    std::ostringstream checksum;
    checksum << std::hex << std::uppercase << std::setw(8) << std::setfill('0')
             << imageChecksum(expected);
    for (const std::string& part : std::vector<std::string>{
             "\"LUMETTA-SIM-0001\"", "0x04D9 0x1203", "block size: 56", "\"V1.02\"",
             "slot 3: \"US\", layout id 1, version 1.2.16909060, firmware 1004 bytes",
             "checksum 0x" + checksum.str(), "slot 8: empty"}) {
        EXPECT_NE(shown.out.find(part), std::string::npos) << part << "\n" << shown.out;
    }
}

TEST_F(Fwpack, AppendsToAProgramAndReplacesOnlyWhenAsked) {
    const fs::path manifest = writeManifest(PACKAGE_SECTION + SLOT_3);
    const std::string program(3000, 'P');
    testing::writeBytes(folder / "prog", program);
    ::chmod((folder / "prog").c_str(), 0755);
    const std::string out = (folder / "out").string();
    ASSERT_EQ(run({"--program", (folder / "prog").string(), "-o", out, manifest.string()}).code, 0);
    EXPECT_EQ(readFirmwarePackage(fs::path(out)).packageStart, 3000u);
    EXPECT_EQ(::access(out.c_str(), X_OK), 0) << "the program stays runnable";

    const Outcome again =
        run({"--program", out, "-o", (folder / "out2").string(), manifest.string()});
    EXPECT_EQ(again.code, 1);
    EXPECT_NE(again.err.find("already carries"), std::string::npos);

    ASSERT_EQ(run({"--program", out, "--replace", "-o", out, manifest.string()}).code, 0);
    const auto bytes = testing::readBytes(out);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 3000), program);
    EXPECT_EQ(readFirmwarePackage(fs::path(out)).packageStart, 3000u) << "one package, not two";
}

TEST_F(Fwpack, ErrorsAreOneLineWithANonZeroCode) {
    const std::string slot = SLOT_3;
    auto replace = [](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    // Firmware larger than the limit, without writing megabytes: a sparse file.
    testing::writeBytes(folder / "fw/big.bin", "x");
    ASSERT_EQ(::truncate((folder / "fw/big.bin").c_str(), MAX_FIRMWARE_BYTES + 1), 0);
    testing::writeBytes(folder / "fw/empty.bin", "");
    struct Case {
        std::string manifest;
        std::string message;
    };
    const Case cases[] = {
        {PACKAGE_SECTION + replace(slot, "us.bin", "nope.bin"), "does not exist"},
        {PACKAGE_SECTION + replace(slot, "us.bin", "big.bin"), "is larger than"},
        {PACKAGE_SECTION + replace(slot, "us.bin", "empty.bin"), "is empty"},
        {PACKAGE_SECTION + replace(slot, "[slot 3]", "[slot 9]"), "slot 9 is outside 0-8"},
        {PACKAGE_SECTION + replace(slot, "[slot 3]", "[slot -1]"), "is outside 0-8"},
        {replace(PACKAGE_SECTION, "block_size = 56", "block_size = 61") + slot,
         "block_size must be 1 to 60"},
        {replace(PACKAGE_SECTION, "block_size = 56", "block_size = 0") + slot,
         "block_size must be 1 to 60"},
        {replace(PACKAGE_SECTION, "LUMETTA-SIM-0001", "LUMETTA-SIM-00012") + slot,
         "model_id must be 1 to 16 bytes"},
        {PACKAGE_SECTION + "colour = red\n" + slot, "unknown key 'colour'"},
        {PACKAGE_SECTION + slot + "[extras]\n", "unknown section [extras]"},
        {PACKAGE_SECTION + slot + slot, "given twice"},
        {PACKAGE_SECTION + replace(slot, "major = 1", "major = 256"), "major must be a number"},
        {PACKAGE_SECTION + replace(slot, "layout_id = 1\n", ""), "lacks layout_id"},
        {replace(PACKAGE_SECTION, "app_product_id = 515\n", "") + slot, "lacks app_product_id"},
        {PACKAGE_SECTION, "no [slot N] section"},
        {PACKAGE_SECTION + replace(slot, "name = US", "name = " + std::string(30, 'n')),
         "longer than 29"},
        {"model_id = X\n" + PACKAGE_SECTION + slot, "before any section"},
        {PACKAGE_SECTION + "just words\n" + slot, "expected 'key = value'"},
    };
    for (const auto& c : cases) {
        const fs::path manifest = writeManifest(c.manifest);
        const Outcome result = run({manifest.string(), "-o", (folder / "pkg").string()});
        EXPECT_EQ(result.code, 1) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
        EXPECT_EQ(result.err.rfind("fwpack: ", 0), 0u) << result.err;
        EXPECT_FALSE(fs::exists(folder / "pkg")) << c.message;
    }
    EXPECT_EQ(run({(folder / "missing.txt").string(), "-o", "x"}).code, 1);
}

TEST_F(Fwpack, InspectSaysWhenThereIsNoPackageOrItIsDamaged) {
    testing::writeBytes(folder / "plain", std::string(5000, 'x'));
    const Outcome none = run({"--inspect", (folder / "plain").string()});
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.err.find("no firmware package"), std::string::npos);
    EXPECT_EQ(run({"--inspect", (folder / "missing").string()}).code, 1);

    const fs::path manifest = writeManifest(PACKAGE_SECTION + SLOT_3);
    ASSERT_EQ(run({manifest.string(), "-o", (folder / "pkg").string()}).code, 0);
    // Cut the front of the package away: the header remains, the blocks no longer fit.
    auto bytes = testing::readBytes(folder / "pkg");
    bytes.erase(bytes.begin(), bytes.begin() + 100);
    testing::writeBytes(folder / "cut", std::string(bytes.begin(), bytes.end()));
    const Outcome damaged = run({"--inspect", (folder / "cut").string()});
    EXPECT_EQ(damaged.code, 1);
    EXPECT_NE(damaged.out.find("slot 3: \"US\""), std::string::npos) << damaged.out;
    EXPECT_NE(damaged.out.find("DAMAGED"), std::string::npos) << damaged.out;
    EXPECT_NE(damaged.err.find("damaged"), std::string::npos);
}

TEST_F(Fwpack, WrongUseIsExitCodeTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--bogus"},
        {"m.txt"},
        {"--inspect"},
        {"--inspect", "a", "m.txt"},
        {"a", "b", "-o", "x"},
        {"--replace", "-o", "x", "m.txt"},
    };
    for (const auto& arguments : cases) {
        const Outcome result = run(arguments);
        EXPECT_EQ(result.code, 2) << ::testing::PrintToString(arguments);
        EXPECT_FALSE(result.err.empty());
    }
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.out, usageText());
}

} // namespace
} // namespace lumetta::fwpack
