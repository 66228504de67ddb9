#include "platform/hid/ReportDescriptor.h"
#include "Descriptors.h"

#include <gtest/gtest.h>

namespace lumetta::hid::test {
namespace {

struct Expected {
    std::uint16_t usagePage, usage;
    std::uint32_t input, output, feature;
};

TEST(ReportDescriptor, ReadsCollectionsAndReportLengthsOfRealDescriptors) {
    struct Case {
        const char* name;
        const std::vector<std::uint8_t>& bytes;
        bool numbered;
        std::vector<Expected> collections;
    };
    const Case cases[] = {
        {"boot keyboard", kBootKeyboard, false, {{0x01, 0x06, 9, 2, 0}}},
        {"vendor command interface", kVendorCommand, false, {{0xFF00, 0x01, 65, 65, 0}}},
        {"numbered reports",
         kNumbered,
         true,
         {{0x01, 0x06, 8, 0, 0}, {0x0C, 0x01, 3, 0, 0}, {0xFF00, 0x01, 9, 9, 33}}},
    };
    for (const auto& row : cases) {
        ReportDescriptor parsed = parseReportDescriptor(row.bytes);
        EXPECT_FALSE(parsed.problem)
            << row.name << ": " << parsed.problem->message << " at " << parsed.problem->offset;
        EXPECT_EQ(parsed.numbered, row.numbered) << row.name;
        ASSERT_EQ(parsed.collections.size(), row.collections.size()) << row.name;
        for (std::size_t i = 0; i < row.collections.size(); ++i) {
            const auto& got = parsed.collections[i];
            const auto& want = row.collections[i];
            EXPECT_EQ(got.usagePage, want.usagePage) << row.name << " collection " << i;
            EXPECT_EQ(got.usage, want.usage) << row.name << " collection " << i;
            EXPECT_EQ(got.inputReportLength, want.input) << row.name << " collection " << i;
            EXPECT_EQ(got.outputReportLength, want.output) << row.name << " collection " << i;
            EXPECT_EQ(got.featureReportLength, want.feature) << row.name << " collection " << i;
        }
    }
}

TEST(ReportDescriptor, KnowsWhichReportIdsBelongToACollection) {
    ReportDescriptor parsed = parseReportDescriptor(kNumbered);
    ASSERT_EQ(parsed.collections.size(), 3u);
    const auto& vendor = parsed.collections[2];
    EXPECT_TRUE(vendor.hasReport(ReportKind::Input, 4));
    EXPECT_FALSE(vendor.hasReport(ReportKind::Input, 1));
    EXPECT_EQ(vendor.firstReportId(ReportKind::Output), 4);
    EXPECT_EQ(vendor.firstReportId(ReportKind::Feature), 3);
}

TEST(ReportDescriptor, KeepsWhatItCouldReadAndNamesTheFirstProblem) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::size_t problemOffset;
        std::size_t collections;
    };
    const Case cases[] = {
        {"truncated item", {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75}, 7, 1},
        {"unclosed collection", {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01}, 6, 1},
        {"end without collection", {0xC0, 0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xC0}, 0, 1},
        {"report id zero", {0x09, 0x01, 0xA1, 0x01, 0x85, 0x00, 0xC0}, 4, 1},
        {"pop without push", {0xB4, 0x09, 0x01, 0xA1, 0x01, 0xC0}, 0, 1},
        {"input outside a collection", {0x75, 0x08, 0x95, 0x01, 0x81, 0x02}, 4, 0},
        {"truncated long item", {0x09, 0x01, 0xA1, 0x01, 0xC0, 0xFE, 0x10, 0x00}, 5, 1},
        {"report beyond any host's limit",
         {0x09, 0x01, 0xA1, 0x01, 0x77, 0xFF, 0xFF, 0xFF, 0x7F, 0x97, 0xFF, 0xFF, 0xFF, 0x7F, 0x81,
          0x02, 0xC0},
         14,
         1},
    };
    for (const auto& row : cases) {
        ReportDescriptor parsed = parseReportDescriptor(row.bytes);
        ASSERT_TRUE(parsed.problem) << row.name;
        EXPECT_EQ(parsed.problem->offset, row.problemOffset) << row.name;
        EXPECT_EQ(parsed.collections.size(), row.collections) << row.name;
        for (const auto& collection : parsed.collections) {
            EXPECT_LE(collection.inputReportLength, kLongestReport) << row.name;
        }
    }
}

TEST(ReportDescriptor, TakesTheUsagePageFromAnExtendedUsage) {
    // Usage 0xFF000001 in four bytes names page and usage at once, whatever the global page.
    ReportDescriptor parsed = parseReportDescriptor(
        std::vector<std::uint8_t>{0x05, 0x01, 0x0B, 0x01, 0x00, 0x00, 0xFF, 0xA1, 0x01, 0xC0});
    ASSERT_EQ(parsed.collections.size(), 1u);
    EXPECT_EQ(parsed.collections[0].usagePage, 0xFF00);
    EXPECT_EQ(parsed.collections[0].usage, 0x0001);
}

} // namespace
} // namespace lumetta::hid::test
