#include "kbsim/StateFile.h"

#include "kbsim/HexText.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

namespace lumetta::kbsim {

namespace {

constexpr std::string_view MAGIC = "lumetta-kbsim-state 1";
constexpr std::uint32_t FLASH_ROW = 64;

void writeProfile(std::ostringstream& out, int index, std::string_view which,
                  const ProfileData& p) {
    const std::string prefix = "profile " + std::to_string(index) + " " + std::string(which) + " ";
    out << prefix << "name " << (p.named ? toHex(p.name) : "unnamed") << '\n';
    out << prefix << "effect-list " << toHex(p.effectList) << '\n';
    out << prefix << "selected-effect " << toHex(p.selectedEffect) << '\n';
    for (int layer = 0; layer < LAYER_COUNT; ++layer) {
        for (const auto& [number, entry] : p.entries[layer]) {
            out << prefix << "entry " << layer + 1 << ' ' << toHex(entry) << '\n';
        }
    }
    for (int m = 0; m < KEY_COLOR_MEMORIES; ++m) {
        out << prefix << "key-colors " << m << ' ' << toHex(p.keyColors[m]) << '\n';
    }
    out << prefix << "key-effect-map " << toHex(p.keyEffectMap) << '\n';
}

std::vector<std::string_view> splitWords(std::string_view line) {
    std::vector<std::string_view> words;
    while (!line.empty()) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start == std::string_view::npos) {
            break;
        }
        line.remove_prefix(start);
        const std::size_t end = std::min(line.find(' '), line.size());
        words.push_back(line.substr(0, end));
        line.remove_prefix(end);
    }
    return words;
}

// Reads the lines of a state file into a state; remembers the first problem and goes on.
class StateReader {
public:
    StateParseResult read(std::string_view text) {
        std::size_t lineNumber = 0;
        bool sawMagic = false;
        while (!text.empty()) {
            const std::size_t end = std::min(text.find('\n'), text.size());
            std::string_view line = text.substr(0, end);
            text.remove_prefix(std::min(end + 1, text.size()));
            ++lineNumber;
            line_ = lineNumber;
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
            if (line.empty() || line.front() == '#') {
                continue;
            }
            if (!sawMagic) {
                sawMagic = true;
                if (line != MAGIC) {
                    fail("not a simulator state file (expected \"" + std::string(MAGIC) + "\")");
                    break;
                }
                continue;
            }
            if (sawEnd_) {
                fail("text after \"end\"");
                break;
            }
            readLine(splitWords(line));
        }
        if (!sawMagic) {
            line_ = lineNumber;
            fail("empty state file");
        } else if (!sawEnd_ && error_.empty()) {
            line_ = lineNumber;
            fail("the file ends before its \"end\" line (cut short?)");
        }
        StateParseResult result;
        result.error = error_;
        if (error_.empty()) {
            result.state = std::move(state_);
        }
        return result;
    }

private:
    void fail(const std::string& what) {
        if (error_.empty()) {
            error_ = "line " + std::to_string(line_) + ": " + what;
        }
    }

    std::optional<std::uint32_t> number(std::string_view word, std::uint32_t max) {
        const auto value = parseNumber(word);
        if (!value || *value > max) {
            fail("bad number \"" + std::string(word) + "\"");
            return std::nullopt;
        }
        return value;
    }

    template <std::size_t N> void hexInto(std::string_view word, std::array<std::uint8_t, N>& out) {
        const auto bytes = fromHex(word);
        if (!bytes || bytes->size() != N) {
            fail("expected " + std::to_string(N) + " bytes of hex");
            return;
        }
        std::copy(bytes->begin(), bytes->end(), out.begin());
    }

    void readLine(const std::vector<std::string_view>& w) {
        const std::string_view key = w[0];
        if (key == "end" && w.size() == 1) {
            sawEnd_ = true;
        } else if (key == "model-id" && w.size() == 2) {
            hexInto(w[1], state_.modelId);
        } else if (key == "layout-id" && w.size() == 2) {
            if (auto v = number(w[1], 0xFFFF)) {
                state_.layoutId = static_cast<std::uint16_t>(*v);
            }
        } else if (key == "bcd-device" && w.size() == 2) {
            if (auto v = number(w[1], 0xFFFF)) {
                state_.bcdDevice = static_cast<std::uint16_t>(*v);
            }
        } else if (key == "current-profile" && w.size() == 2) {
            if (auto v = number(w[1], PROFILE_COUNT - 1)) {
                state_.currentProfile = static_cast<std::uint8_t>(*v);
            }
        } else if (key == "flash" && w.size() == 3) {
            readFlash(w[1], w[2]);
        } else if (key == "profile" && w.size() >= 5) {
            readProfileLine(w);
        } else {
            fail("unknown line \"" + std::string(key) + "\"");
        }
    }

    void readFlash(std::string_view addressWord, std::string_view hex) {
        const auto address = number(addressWord, FLASH_SIZE - 1);
        const auto bytes = fromHex(hex);
        if (!address) {
            return;
        }
        if (!bytes || *address + bytes->size() > FLASH_SIZE) {
            fail("flash row does not fit the flash");
            return;
        }
        std::copy(bytes->begin(), bytes->end(), state_.flash.begin() + *address);
    }

    void readProfileLine(const std::vector<std::string_view>& w) {
        const auto index = number(w[1], PROFILE_COUNT - 1);
        if (!index) {
            return;
        }
        ProfileData* p = nullptr;
        if (w[2] == "live") {
            p = &state_.profiles[*index];
        } else if (w[2] == "committed") {
            p = &state_.committed[*index];
        } else {
            fail("expected live or committed");
            return;
        }
        readProfileField(*p, w);
    }

    void readProfileField(ProfileData& p, const std::vector<std::string_view>& w) {
        const std::string_view field = w[3];
        if (field == "name" && w.size() == 5) {
            p.named = w[4] != "unnamed";
            if (p.named) {
                hexInto(w[4], p.name);
            }
        } else if (field == "effect-list" && w.size() == 5) {
            hexInto(w[4], p.effectList);
        } else if (field == "selected-effect" && w.size() == 5) {
            hexInto(w[4], p.selectedEffect);
        } else if (field == "key-effect-map" && w.size() == 5) {
            hexInto(w[4], p.keyEffectMap);
        } else if (field == "entry" && w.size() == 6) {
            const auto layer = number(w[4], LAYER_COUNT);
            EffectEntryBytes entry{};
            hexInto(w[5], entry);
            if (layer && *layer >= 1) {
                p.entries[*layer - 1][entry[0]] = entry;
            } else {
                fail("layer must be 1 or 2");
            }
        } else if (field == "key-colors" && w.size() == 6) {
            if (const auto m = number(w[4], KEY_COLOR_MEMORIES - 1)) {
                hexInto(w[5], p.keyColors[*m]);
            }
        } else {
            fail("unknown profile field \"" + std::string(field) + "\"");
        }
    }

    KeyboardState state_;
    std::string error_;
    std::size_t line_ = 0;
    bool sawEnd_ = false;
};

} // namespace

std::string serializeState(const KeyboardState& state) {
    std::ostringstream out;
    out << MAGIC << '\n';
    out << "model-id " << toHex(state.modelId) << '\n';
    out << "layout-id " << state.layoutId << '\n';
    char bcd[16];
    std::snprintf(bcd, sizeof bcd, "0x%04x", state.bcdDevice);
    out << "bcd-device " << bcd << '\n';
    out << "current-profile " << int(state.currentProfile) << '\n';
    for (int i = 0; i < PROFILE_COUNT; ++i) {
        writeProfile(out, i, "live", state.profiles[i]);
        writeProfile(out, i, "committed", state.committed[i]);
    }
    for (std::uint32_t row = 0; row < state.flash.size(); row += FLASH_ROW) {
        const auto begin = state.flash.begin() + row;
        const auto end = begin + std::min<std::size_t>(FLASH_ROW, state.flash.size() - row);
        if (std::all_of(begin, end, [](std::uint8_t b) { return b == 0xFF; })) {
            continue;
        }
        char address[16];
        std::snprintf(address, sizeof address, "0x%05x", row);
        out << "flash " << address << ' '
            << toHex(std::span<const std::uint8_t>(&*begin, std::size_t(end - begin))) << '\n';
    }
    out << "end\n";
    return out.str();
}

StateParseResult parseState(std::string_view text) {
    return StateReader().read(text);
}

StateParseResult loadStateFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        StateParseResult missing;
        std::error_code ec;
        if (std::filesystem::exists(path, ec)) {
            missing.error = "cannot read " + path.string();
        }
        return missing;
    }
    std::ostringstream text;
    text << in.rdbuf();
    StateParseResult result = parseState(text.str());
    if (!result.error.empty()) {
        result.error = path.string() + ": " + result.error;
    }
    return result;
}

std::string saveStateFile(const std::filesystem::path& path, const KeyboardState& state) {
    const std::string text = serializeState(state);
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            return "cannot write " + temporary.string();
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        return "cannot replace " + path.string() + ": " + ec.message();
    }
    return {};
}

} // namespace lumetta::kbsim
