#include "Manifest.h"

#include "platform/os/DurableFile.h"
#include "platform/os/Utf16.h"
#include "updater/package/VersionBlock.h"

#include <charconv>
#include <functional>
#include <map>
#include <set>

namespace lumetta::fwpack {

namespace {

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Decimal, or hexadecimal after "0x"; no sign, nothing after the digits, at most maximum.
std::optional<std::uint32_t> parseNumber(std::string_view text, std::uint32_t maximum) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        value > maximum) {
        return std::nullopt;
    }
    return value;
}

class Parser {
public:
    ManifestResult run(std::string_view text) {
        std::size_t lineNumber = 0;
        std::size_t start = 0;
        while (start <= text.size() && error_.empty()) {
            const auto end = std::min(text.find('\n', start), text.size());
            ++lineNumber;
            line_ = lineNumber;
            parseLine(trim(text.substr(start, end - start)));
            start = end + 1;
        }
        if (error_.empty()) {
            checkComplete();
        }
        if (!error_.empty()) {
            return {std::nullopt, error_};
        }
        return {manifest_, {}};
    }

private:
    void fail(const std::string& message) {
        if (error_.empty()) {
            error_ = line_ > 0 ? "line " + std::to_string(line_) + ": " + message : message;
        }
    }

    void parseLine(std::string_view line) {
        if (line.empty() || line[0] == '#' || line[0] == ';') {
            return;
        }
        if (line[0] == '[') {
            parseSection(line);
            return;
        }
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            fail("expected 'key = value' or '[section]'");
            return;
        }
        const std::string key(trim(line.substr(0, equals)));
        const std::string_view value = trim(line.substr(equals + 1));
        if (section_.empty()) {
            fail("'" + key + "' stands before any section");
        } else if (!seen_.insert(section_ + "/" + key).second) {
            fail("'" + key + "' given twice in [" + section_ + "]");
        } else if (slot_ >= 0) {
            slotKey(key, value);
        } else {
            packageKey(key, value);
        }
    }

    void parseSection(std::string_view line) {
        if (line.back() != ']') {
            fail("section header without ']'");
            return;
        }
        std::string name(trim(line.substr(1, line.size() - 2)));
        if (name == "package") {
            slot_ = -1;
        } else if (name.rfind("slot", 0) == 0) {
            const std::string_view number = trim(std::string_view(name).substr(4));
            const auto slot = parseNumber(number, 1000000);
            if (!slot || *slot >= IMAGE_SLOTS) {
                fail("slot " + std::string(number) + " is outside 0-8");
                return;
            }
            slot_ = static_cast<int>(*slot);
            name = "slot " + std::to_string(slot_); // one spelling, so duplicates are found
        } else {
            fail("unknown section [" + name + "]");
            return;
        }
        if (!sections_.insert(name).second) {
            fail("section [" + name + "] given twice");
        }
        section_ = name;
        if (slot_ >= 0) {
            manifest_.slots[slot_].present = true;
        }
    }

    template <typename T>
    void number(std::string_view key, std::string_view value, T& field, std::uint32_t maximum) {
        const auto parsed = parseNumber(value, maximum);
        if (!parsed) {
            fail(std::string(key) + " must be a number from 0 to " + std::to_string(maximum) +
                 ", not '" + std::string(value) + "'");
            return;
        }
        field = static_cast<T>(*parsed);
    }

    void text(std::string_view key, std::string_view value, std::u16string& field,
              std::size_t maxUnits) {
        field = os::utf8ToUtf16(value);
        if (field.size() > maxUnits) {
            fail(std::string(key) + " is longer than " + std::to_string(maxUnits) + " characters");
        }
    }

    void packageKey(const std::string& key, std::string_view value) {
        const std::map<std::string, std::function<void()>> keys = {
            {"model_id", [&] { modelId(value); }},
            {"sub_device_scan", [&] { number(key, value, manifest_.subDeviceScan, 0xFF); }},
            {"sub_device_index", [&] { number(key, value, manifest_.subDeviceIndex, 0xFF); }},
            {"boot_vendor_id", [&] { number(key, value, manifest_.bootVendorId, 0xFFFF); }},
            {"boot_product_id", [&] { number(key, value, manifest_.bootProductId, 0xFFFF); }},
            {"app_vendor_id", [&] { number(key, value, manifest_.appVendorId, 0xFFFF); }},
            {"app_product_id", [&] { number(key, value, manifest_.appProductId, 0xFFFF); }},
            {"block_size", [&] { blockSize(value); }},
            {"title", [&] { text(key, value, manifest_.title, HEADER_TEXT_UNITS - 1); }},
            {"text1", [&] { text(key, value, manifest_.text1, HEADER_TEXT_UNITS - 1); }},
            {"text2", [&] { text(key, value, manifest_.text2, HEADER_TEXT_UNITS - 1); }},
            {"version_text",
             [&] { text(key, value, manifest_.versionText, HEADER_TEXT_UNITS - 1); }},
        };
        dispatch(keys, key);
    }

    void slotKey(const std::string& key, std::string_view value) {
        SlotManifest& slot = manifest_.slots[slot_];
        const std::map<std::string, std::function<void()>> keys = {
            {"firmware", [&] { slot.firmware = std::string(value); }},
            {"name", [&] { text(key, value, slot.name, IMAGE_NAME_UNITS - 1); }},
            {"layout_id", [&] { number(key, value, slot.layoutId, 0xFFFF); }},
            {"major", [&] { number(key, value, slot.major, 0xFF); }},
            {"minor", [&] { number(key, value, slot.minor, 0xFF); }},
            {"build", [&] { number(key, value, slot.build, 0xFFFFFFFF); }},
        };
        dispatch(keys, key);
    }

    void dispatch(const std::map<std::string, std::function<void()>>& keys,
                  const std::string& key) {
        const auto found = keys.find(key);
        if (found == keys.end()) {
            fail("unknown key '" + key + "' in [" + section_ + "]");
            return;
        }
        found->second();
    }

    void modelId(std::string_view value) {
        if (value.empty() || value.size() > MODEL_ID_SIZE) {
            fail("model_id must be 1 to 16 bytes, '" + std::string(value) + "' has " +
                 std::to_string(value.size()));
            return;
        }
        manifest_.modelId.fill(0);
        std::copy(value.begin(), value.end(), manifest_.modelId.begin());
    }

    void blockSize(std::string_view value) {
        const auto parsed = parseNumber(value, 0xFFFFFFFF);
        if (!parsed || *parsed == 0 || *parsed > MAX_BLOCK_SIZE) {
            fail("block_size must be 1 to 60, not '" + std::string(value) + "'");
            return;
        }
        manifest_.blockSize = static_cast<std::uint8_t>(*parsed);
    }

    void checkComplete() {
        line_ = 0;
        for (const char* key : {"model_id", "boot_vendor_id", "boot_product_id", "app_vendor_id",
                                "app_product_id", "block_size"}) {
            if (!seen_.count(std::string("package/") + key)) {
                fail(std::string("[package] lacks ") + key);
                return;
            }
        }
        bool any = false;
        for (int slot = 0; slot < IMAGE_SLOTS; ++slot) {
            if (!manifest_.slots[slot].present) {
                continue;
            }
            any = true;
            const std::string section = "slot " + std::to_string(slot);
            for (const char* key : {"firmware", "layout_id", "major", "minor", "build"}) {
                if (!seen_.count(section + "/" + key)) {
                    fail("[" + section + "] lacks " + key);
                    return;
                }
            }
        }
        if (!any) {
            fail("the manifest has no [slot N] section");
        }
    }

    Manifest manifest_;
    std::string error_;
    std::string section_;
    int slot_ = -1;
    std::size_t line_ = 0;
    std::set<std::string> seen_;
    std::set<std::string> sections_;
};

} // namespace

ManifestResult parseManifest(std::string_view text) {
    return Parser().run(text);
}

PackageResult packageFromManifest(const Manifest& manifest, const std::filesystem::path& folder) {
    FirmwarePackage package;
    PackageHeader& h = package.header;
    h.ModelId = manifest.modelId;
    h.SubDeviceScan = manifest.subDeviceScan;
    h.SubDeviceIndex = manifest.subDeviceIndex;
    h.BootVendorId = manifest.bootVendorId;
    h.BootProductId = manifest.bootProductId;
    h.AppVendorId = manifest.appVendorId;
    h.AppProductId = manifest.appProductId;
    h.BlockSize = manifest.blockSize;
    setFieldText(h.Title, manifest.title);
    setFieldText(h.Text1, manifest.text1);
    setFieldText(h.Text2, manifest.text2);
    setFieldText(h.VersionText, manifest.versionText);
    for (int slot = 0; slot < IMAGE_SLOTS; ++slot) {
        const SlotManifest& in = manifest.slots[slot];
        if (!in.present) {
            continue;
        }
        const std::filesystem::path path = folder / in.firmware;
        const os::FileContent content = os::readFileLimited(path, MAX_FIRMWARE_BYTES);
        const std::string where = "slot " + std::to_string(slot) + ": firmware " + path.string();
        switch (content.status) {
        case os::FileContent::Status::Ok:
            break;
        case os::FileContent::Status::Missing:
            return {std::nullopt, where + " does not exist"};
        case os::FileContent::Status::TooLarge:
            return {std::nullopt,
                    where + " is larger than " + std::to_string(MAX_FIRMWARE_BYTES) + " bytes"};
        case os::FileContent::Status::Failed:
            return {std::nullopt, where + " cannot be read" +
                                      (content.error ? ": " + content.error.message() : "")};
        }
        if (content.bytes.empty()) {
            return {std::nullopt, where + " is empty"};
        }
        std::vector<std::uint8_t> firmware = content.bytes;
        // The flash checksum adds whole words; zero bytes complete the last one on both sides.
        firmware.resize((firmware.size() + 3) / 4 * 4, 0);
        package.firmware[slot] = std::move(firmware);
        package.version[slot] =
            buildVersionBlock(manifest.versionText, in.major, in.minor, in.build);
        ImageEntry& image = h.Images[slot];
        setFieldText(image.Name, in.name);
        image.LayoutId = in.layoutId;
        image.VersionMajor = in.major;
        image.VersionMinor = in.minor;
        image.VersionBuild = in.build;
    }
    return {std::move(package), {}};
}

} // namespace lumetta::fwpack
