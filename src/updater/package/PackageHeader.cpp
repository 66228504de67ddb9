#include "updater/package/PackageHeader.h"

#include <algorithm>

namespace lumetta {

namespace {

// Reads and writes little-endian fields at increasing offsets.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint32_t number(int width) {
        std::uint32_t value = 0;
        for (int i = 0; i < width; ++i) {
            value |= std::uint32_t(bytes_[pos_ + i]) << (8 * i);
        }
        pos_ += width;
        return value;
    }
    template <std::size_t N> void bytes(std::array<std::uint8_t, N>& out) {
        std::copy_n(bytes_.begin() + pos_, N, out.begin());
        pos_ += N;
    }
    template <std::size_t N> void text(std::array<char16_t, N>& out) {
        for (auto& unit : out) {
            unit = static_cast<char16_t>(number(2));
        }
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

class Writer {
public:
    explicit Writer(std::span<std::uint8_t> bytes) : bytes_(bytes) {}
    void number(std::uint32_t value, int width) {
        for (int i = 0; i < width; ++i) {
            bytes_[pos_ + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
        pos_ += width;
    }
    template <std::size_t N> void bytes(const std::array<std::uint8_t, N>& in) {
        std::copy(in.begin(), in.end(), bytes_.begin() + pos_);
        pos_ += N;
    }
    template <std::size_t N> void text(const std::array<char16_t, N>& in) {
        for (const auto unit : in) {
            number(unit, 2);
        }
    }

private:
    std::span<std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

// The fields in file order; writeFields mirrors it line by line.
void readFields(Reader& in, PackageHeader& h) {
    in.bytes(h.ModelId);
    h.SubDeviceScan = static_cast<std::uint8_t>(in.number(1));
    h.SubDeviceIndex = static_cast<std::uint8_t>(in.number(1));
    in.bytes(h.Reserved18);
    h.BootVendorId = in.number(4);
    h.BootProductId = in.number(4);
    h.AppVendorId = in.number(4);
    h.AppProductId = in.number(4);
    h.BlockSize = static_cast<std::uint8_t>(in.number(1));
    h.Reserved37 = static_cast<std::uint8_t>(in.number(1));
    in.text(h.Title);
    in.text(h.Text1);
    in.text(h.Text2);
    in.text(h.VersionText);
    in.bytes(h.Reserved2118);
    for (auto& e : h.Images) {
        e.FirmwareLength = in.number(4);
        e.VersionLength = in.number(4);
        in.text(e.Name);
        e.LayoutId = static_cast<std::uint16_t>(in.number(2));
        e.VersionMajor = static_cast<std::uint8_t>(in.number(1));
        e.VersionMinor = static_cast<std::uint8_t>(in.number(1));
        e.VersionBuild = in.number(4);
        in.bytes(e.Reserved);
    }
    h.Reserved2840 = static_cast<std::uint8_t>(in.number(1));
    in.bytes(h.Marker);
    h.Reserved2851 = static_cast<std::uint8_t>(in.number(1));
}

void writeFields(Writer& out, const PackageHeader& h) {
    out.bytes(h.ModelId);
    out.number(h.SubDeviceScan, 1);
    out.number(h.SubDeviceIndex, 1);
    out.bytes(h.Reserved18);
    out.number(h.BootVendorId, 4);
    out.number(h.BootProductId, 4);
    out.number(h.AppVendorId, 4);
    out.number(h.AppProductId, 4);
    out.number(h.BlockSize, 1);
    out.number(h.Reserved37, 1);
    out.text(h.Title);
    out.text(h.Text1);
    out.text(h.Text2);
    out.text(h.VersionText);
    out.bytes(h.Reserved2118);
    for (const auto& e : h.Images) {
        out.number(e.FirmwareLength, 4);
        out.number(e.VersionLength, 4);
        out.text(e.Name);
        out.number(e.LayoutId, 2);
        out.number(e.VersionMajor, 1);
        out.number(e.VersionMinor, 1);
        out.number(e.VersionBuild, 4);
        out.bytes(e.Reserved);
    }
    out.number(h.Reserved2840, 1);
    out.bytes(h.Marker);
    out.number(h.Reserved2851, 1);
}

} // namespace

PackageHeader decodePackageHeader(std::span<const std::uint8_t, PACKAGE_HEADER_SIZE> bytes) {
    PackageHeader header;
    Reader reader(bytes);
    readFields(reader, header);
    return header;
}

std::array<std::uint8_t, PACKAGE_HEADER_SIZE> encodePackageHeader(const PackageHeader& header) {
    std::array<std::uint8_t, PACKAGE_HEADER_SIZE> bytes{};
    Writer writer(bytes);
    writeFields(writer, header);
    return bytes;
}

bool hasPackageMarker(const PackageHeader& header) {
    return header.Marker == PACKAGE_MARKER;
}

std::u16string fieldText(std::span<const char16_t> field) {
    const auto end = std::find(field.begin(), field.end(), u'\0');
    return std::u16string(field.begin(), end);
}

bool setFieldText(std::span<char16_t> field, std::u16string_view text) {
    if (text.size() >= field.size()) {
        return false;
    }
    std::fill(field.begin(), field.end(), u'\0');
    std::copy(text.begin(), text.end(), field.begin());
    return true;
}

} // namespace lumetta
