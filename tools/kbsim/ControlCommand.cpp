#include "kbsim/ControlCommand.h"

#include "kbsim/HexText.h"

#include <cstdio>

namespace lumetta::kbsim {

namespace {

using TimePoint = KeyboardDevice::TimePoint;

constexpr std::string_view HELP[] = {
    "press-profile-key        the next profile becomes current (event report when set up)",
    "press-mode-key           the current profile runs the next effect of its list",
    "unplug | plug            pull the cable / plug it in again (a power cycle)",
    "drop-answers N           lose the next N answers",
    "delay-answers MS         answer MS milliseconds later from now on (0 ends it)",
    "unplug-after N           answer N more requests, then unplug",
    "wrong-pointer-once       the next block write moves the write pointer one piece too far",
    "bad-checksum-once        the next flash checksum is wrong",
    "refuse-bootloader [on|off]  ignore EnterBootloader (on until turned off)",
    "clear-faults             end every injected fault",
    "state                    identity, mode, version, profile and faults as key=value",
    "profile N [live|committed]  the content of profile N (0 to 5)",
    "checksum START LENGTH    the flash checksum of a range",
};

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
            ++i;
        }
        if (i > start) {
            out.push_back(line.substr(start, i - start));
        }
    }
    return out;
}

std::string hex16(std::uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04x", v);
    return text;
}

std::string hex32(std::uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", v);
    return text;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | c >> 6));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | c >> 12));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | c >> 18));
        out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// UTF-16 up to the first zero unit, as UTF-8; a lone surrogate becomes U+FFFD.
std::string utf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size() && text[i] != 0; ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        appendUtf8(out, c);
    }
    return out;
}

std::string nameText(const ProfileData& p) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < p.name.size(); i += 2) {
        units.push_back(static_cast<char16_t>(p.name[i] | p.name[i + 1] << 8));
    }
    return utf8(units);
}

std::vector<std::string> describeProfile(const ProfileData& p) {
    std::vector<std::string> lines;
    lines.push_back(std::string("named=") + (p.named ? "1" : "0"));
    lines.push_back("name=" + (p.named ? nameText(p) : std::string()));
    lines.push_back("name-bytes=" + toHex(p.name));
    lines.push_back("effect-list=" + toHex(p.effectList));
    lines.push_back("selected-effect=" + std::to_string(p.selectedEffect[0]));
    for (int layer = 0; layer < LAYER_COUNT; ++layer) {
        for (const auto& [number, entry] : p.entries[layer]) {
            lines.push_back("entry-" + std::to_string(layer + 1) + "-" + std::to_string(number) +
                            "=" + toHex(entry));
        }
    }
    for (int m = 0; m < KEY_COLOR_MEMORIES; ++m) {
        lines.push_back("key-colors-" + std::to_string(m) + "=" + toHex(p.keyColors[m]));
    }
    lines.push_back("key-effect-map=" + toHex(p.keyEffectMap));
    return lines;
}

ControlReply failure(std::string text) {
    ControlReply reply;
    reply.error = std::move(text);
    return reply;
}

ControlReply fromError(std::string error) {
    return error.empty() ? ControlReply{} : failure(std::move(error));
}

std::optional<std::uint32_t> oneNumber(const std::vector<std::string_view>& w) {
    return w.size() == 2 ? parseNumber(w[1]) : std::nullopt;
}

ControlReply numberCommand(KeyboardDevice& device, const std::vector<std::string_view>& w,
                           TimePoint now) {
    const auto n = oneNumber(w);
    if (!n) {
        return failure(std::string(w[0]) + " needs one number");
    }
    if (w[0] == "drop-answers") {
        device.faults().dropAnswers = *n;
    } else if (w[0] == "delay-answers") {
        device.faults().answerDelay = std::chrono::milliseconds(*n);
    } else {
        device.setUnplugAfter(now, *n);
    }
    return {};
}

ControlReply refuseBootloader(KeyboardDevice& device, const std::vector<std::string_view>& w) {
    if (w.size() == 1 || (w.size() == 2 && w[1] == "on")) {
        device.faults().refuseBootloader = true;
        return {};
    }
    if (w.size() == 2 && w[1] == "off") {
        device.faults().refuseBootloader = false;
        return {};
    }
    return failure("refuse-bootloader takes on or off");
}

ControlReply profileCommand(const KeyboardDevice& device, const std::vector<std::string_view>& w) {
    const auto n = w.size() >= 2 ? parseNumber(w[1]) : std::nullopt;
    if (!n || *n >= PROFILE_COUNT || w.size() > 3) {
        return failure("profile needs a number from 0 to 5 and optionally live or committed");
    }
    const bool committed = w.size() == 3 && w[2] == "committed";
    if (w.size() == 3 && !committed && w[2] != "live") {
        return failure("profile takes live or committed");
    }
    ControlReply reply;
    const auto& profiles = committed ? device.state().committed : device.state().profiles;
    reply.lines = describeProfile(profiles[*n]);
    return reply;
}

ControlReply checksumCommand(const KeyboardDevice& device, const std::vector<std::string_view>& w) {
    const auto start = w.size() == 3 ? parseNumber(w[1]) : std::nullopt;
    const auto length = w.size() == 3 ? parseNumber(w[2]) : std::nullopt;
    if (!start || !length) {
        return failure("checksum needs START and LENGTH");
    }
    ControlReply reply;
    reply.lines.push_back("checksum=" +
                          hex32(flashChecksum(device.state().flash, *start, *length)));
    return reply;
}

} // namespace

std::string ControlReply::text() const {
    std::string out;
    for (const auto& line : lines) {
        out += line;
        out += '\n';
    }
    out += ok() ? "ok\n" : "error: " + error + "\n";
    return out;
}

std::vector<std::string> describeDevice(const KeyboardDevice& device) {
    const KeyboardState& s = device.state();
    const Faults& f = device.faults();
    const FirmwareVersion version = readFirmwareVersion(s.flash);
    std::vector<std::string> lines;
    lines.push_back(std::string("present=") + (device.attached() ? "1" : "0"));
    lines.push_back(std::string("returning=") + (device.returning() ? "1" : "0"));
    lines.push_back(std::string("mode=") + (device.inBootloader() ? "bootloader" : "firmware"));
    lines.push_back("vendor-id=" + hex16(VENDOR_ID));
    lines.push_back("product-id=" + hex16(device.productId()));
    lines.push_back("model-id=" + std::string(s.modelId.begin(), s.modelId.end()));
    lines.push_back("layout=" + std::string(layoutName(s.layoutId)));
    lines.push_back("layout-id=" + std::to_string(s.layoutId));
    lines.push_back("bcd-device=" + hex16(s.bcdDevice));
    lines.push_back(std::string("version-valid=") + (version.valid ? "1" : "0"));
    lines.push_back("version=" + std::to_string(version.major) + "." +
                    std::to_string(version.minor) + "." + std::to_string(version.build));
    lines.push_back("version-text=" + utf8(version.text));
    lines.push_back("firmware-checksum=" +
                    hex32(flashChecksum(s.flash, FIRMWARE_START, FIRMWARE_AREA_SIZE)));
    lines.push_back("current-profile=" + std::to_string(s.currentProfile));
    lines.push_back("led-mode=" + std::to_string(device.firmware().mode()));
    lines.push_back(std::string("events=") + (device.firmware().eventsEnabled() ? "1" : "0"));
    lines.push_back("custom-memory=" + std::to_string(device.firmware().customMemory()));
    lines.push_back("write-pointer=" + hex32(device.bootloader().writePointer()));
    lines.push_back("requests=" + std::to_string(device.requestCount()));
    lines.push_back("drop-answers=" + std::to_string(f.dropAnswers));
    lines.push_back("delay-answers=" + std::to_string(f.answerDelay.count()));
    lines.push_back("unplug-after=" +
                    (f.unplugAfter ? std::to_string(*f.unplugAfter) : std::string("none")));
    lines.push_back(std::string("wrong-pointer-once=") + (f.wrongPointerOnce ? "1" : "0"));
    lines.push_back(std::string("bad-checksum-once=") + (f.badChecksumOnce ? "1" : "0"));
    lines.push_back(std::string("refuse-bootloader=") + (f.refuseBootloader ? "1" : "0"));
    return lines;
}

ControlReply executeControl(KeyboardDevice& device, std::string_view line, TimePoint now) {
    const auto w = words(line);
    if (w.empty()) {
        return failure("empty command");
    }
    const std::string_view command = w[0];
    const bool bare = w.size() == 1;
    if (command == "press-profile-key" && bare) {
        return fromError(device.pressProfileKey(now));
    }
    if (command == "press-mode-key" && bare) {
        return fromError(device.pressModeKey(now));
    }
    if (command == "unplug" && bare) {
        device.unplug(now);
        return {};
    }
    if (command == "plug" && bare) {
        device.plug(now);
        return {};
    }
    if (command == "drop-answers" || command == "delay-answers" || command == "unplug-after") {
        return numberCommand(device, w, now);
    }
    if (command == "wrong-pointer-once" && bare) {
        device.faults().wrongPointerOnce = true;
        return {};
    }
    if (command == "bad-checksum-once" && bare) {
        device.faults().badChecksumOnce = true;
        return {};
    }
    if (command == "refuse-bootloader") {
        return refuseBootloader(device, w);
    }
    if (command == "clear-faults" && bare) {
        device.faults() = Faults{};
        return {};
    }
    if (command == "state" && bare) {
        ControlReply reply;
        reply.lines = describeDevice(device);
        return reply;
    }
    if (command == "profile") {
        return profileCommand(device, w);
    }
    if (command == "checksum") {
        return checksumCommand(device, w);
    }
    if (command == "help" && bare) {
        ControlReply reply;
        reply.lines.assign(std::begin(HELP), std::end(HELP));
        return reply;
    }
    return failure("unknown command \"" + std::string(line) + "\" (try help)");
}

} // namespace lumetta::kbsim
