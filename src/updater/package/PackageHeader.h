#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace lumetta {

inline constexpr std::size_t PACKAGE_HEADER_SIZE = 2852;
inline constexpr std::size_t IMAGE_ENTRY_SIZE = 80;
inline constexpr int IMAGE_SLOTS = 9;
inline constexpr std::size_t HEADER_TEXT_UNITS = 260;
inline constexpr std::size_t IMAGE_NAME_UNITS = 30;
inline constexpr std::size_t MODEL_ID_SIZE = 16;
inline constexpr std::uint8_t MAX_BLOCK_SIZE = 60;
// ".maaV102" and two zero bytes at offset 2841.
inline constexpr std::array<std::uint8_t, 10> PACKAGE_MARKER = {'.', 'm', 'a', 'a', 'V',
                                                                '1', '0', '2', 0,   0};

using HeaderText = std::array<char16_t, HEADER_TEXT_UNITS>;

// One slot of the package's image table (80 bytes, little-endian).
struct ImageEntry {
    std::uint32_t FirmwareLength = 0; // 0: empty slot
    std::uint32_t VersionLength = 0;
    std::array<char16_t, IMAGE_NAME_UNITS> Name{};
    std::uint16_t LayoutId = 0;
    std::uint8_t VersionMajor = 0;
    std::uint8_t VersionMinor = 0;
    std::uint32_t VersionBuild = 0;
    std::array<std::uint8_t, 4> Reserved{};
    bool operator==(const ImageEntry&) const = default;
};

// The plain form of the 2852 bytes at the very end of a package file. Reserved bytes are kept,
// so decoding and encoding give back the same bytes.
struct PackageHeader {
    std::array<std::uint8_t, MODEL_ID_SIZE> ModelId{};
    std::uint8_t SubDeviceScan = 0;
    std::uint8_t SubDeviceIndex = 0;
    std::array<std::uint8_t, 2> Reserved18{};
    std::uint32_t BootVendorId = 0;
    std::uint32_t BootProductId = 0;
    std::uint32_t AppVendorId = 0;
    std::uint32_t AppProductId = 0;
    std::uint8_t BlockSize = 0;
    std::uint8_t Reserved37 = 0;
    HeaderText Title{};
    HeaderText Text1{};
    HeaderText Text2{};
    HeaderText VersionText{};
    std::array<std::uint8_t, 2> Reserved2118{};
    std::array<ImageEntry, IMAGE_SLOTS> Images{};
    std::uint8_t Reserved2840 = 0;
    std::array<std::uint8_t, 10> Marker{};
    std::uint8_t Reserved2851 = 0;
    bool operator==(const PackageHeader&) const = default;
};

PackageHeader decodePackageHeader(std::span<const std::uint8_t, PACKAGE_HEADER_SIZE> bytes);
std::array<std::uint8_t, PACKAGE_HEADER_SIZE> encodePackageHeader(const PackageHeader& header);

bool hasPackageMarker(const PackageHeader& header);

// A zero-terminated UTF-16 field as text (the whole field when it has no terminator), and the
// other way round: false when text needs more units than the field holds with its terminator.
std::u16string fieldText(std::span<const char16_t> field);
bool setFieldText(std::span<char16_t> field, std::u16string_view text);

} // namespace lumetta
