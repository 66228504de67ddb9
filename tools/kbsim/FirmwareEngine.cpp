#include "kbsim/FirmwareEngine.h"

#include "kbsim/FactoryContent.h"
#include "kbsim/FirmwareInformation.h"

#include <algorithm>
#include <vector>

namespace lumetta::kbsim {

namespace {

constexpr std::uint8_t CMD_TARGET = 0x10;
constexpr std::uint8_t CMD_BOOT = 0x11;
constexpr std::uint8_t CMD_FLASH = 0x1D;
constexpr std::uint8_t CMD_POINTER = 0x1E;
constexpr std::uint8_t CMD_WRITE_BLOCK = 0x1F;
constexpr std::uint8_t CMD_DEVICE = 0x40;
constexpr std::uint8_t CMD_MODE = 0x41;
constexpr std::uint8_t CMD_EVENTS = 0x42;
constexpr std::uint8_t CMD_STORE = 0x50;
constexpr std::uint8_t CMD_WRITE = 0x51;
constexpr std::uint8_t CMD_READ = 0x52;

constexpr std::uint8_t SUB_DEVICE_INFO = 0x20;
constexpr std::uint8_t SUB_STATUS = 0x63;
constexpr std::uint8_t SUB_SETUP_EVENTS = 0x00;
constexpr std::uint8_t SUB_EVENT = 0x20;
constexpr std::uint8_t SUB_RESET_PROFILE = 0x10;
constexpr std::uint8_t SUB_COMMIT_PROFILE = 0x55;
constexpr std::uint8_t SUB_PROFILE = 0x00;
constexpr std::uint8_t SUB_NAME = 0x01;
constexpr std::uint8_t SUB_EFFECT = 0x28;
constexpr std::uint8_t SUB_EFFECT_LIST = 0x29;
constexpr std::uint8_t SUB_ENTRIES = 0x2C;
constexpr std::uint8_t SUB_CUSTOM_MEMORY = 0x30;
constexpr std::uint8_t SUB_KEY_EFFECT_CHUNK = 0xA0;
constexpr std::uint8_t SUB_KEY_COLORS = 0xA8;
constexpr std::uint8_t SUB_ENTER_BOOTLOADER = 0x00;
constexpr std::uint8_t SUB_RESET_DEVICE = 0x01;

constexpr std::uint16_t EVENT_PROFILE = 0x00;
constexpr std::uint16_t EVENT_LIGHTING = 0x40;
constexpr std::uint8_t EVENT_KIND_PROFILE_KEY = 3;
constexpr std::size_t ENTRIES_PER_REPORT = 5;
constexpr std::size_t LEDS_PER_COLOR_CHUNK = 16;

EngineOutcome answered(const Report& answer, bool changed = false) {
    EngineOutcome outcome;
    outcome.answer = answer;
    outcome.stateChanged = changed;
    return outcome;
}

EngineOutcome refused(const Report& request) {
    return answered(refusalFor(request));
}

Report eventReport(std::uint16_t index) {
    Report event{};
    event[0] = CMD_EVENTS;
    event[1] = SUB_EVENT;
    writeU16(&event[2], index);
    return event;
}

const std::uint8_t* data(const Report& r) {
    return &r[DATA_OFFSET];
}

} // namespace

EngineOutcome FirmwareEngine::handle(const Report& request, Faults& faults) {
    switch (request[0]) {
    case CMD_FIRMWARE_INFO: {
        auto answer = answerFirmwareInformation(state_, request);
        return answer ? answered(*answer) : refused(request);
    }
    case CMD_DEVICE:
        return deviceCommand(request);
    case CMD_MODE:
        // The sub-command is the mode.
        mode_ = request[1];
        return answered(answerFor(request));
    case CMD_EVENTS:
        return eventCommand(request);
    case CMD_STORE:
        return storeCommand(request);
    case CMD_WRITE:
        return writeCommand(request);
    case CMD_READ:
        return readCommand(request);
    case CMD_BOOT:
        return bootCommand(request, faults);
    case CMD_TARGET:
    case CMD_FLASH:
    case CMD_POINTER:
    case CMD_WRITE_BLOCK:
    default:
        return refused(request);
    }
}

void FirmwareEngine::powerUp() {
    state_.profiles = state_.committed;
    mode_ = 0;
    eventsEnabled_ = false;
    customMemory_ = 0;
}

std::optional<Report> FirmwareEngine::pressProfileKey() {
    state_.currentProfile = static_cast<std::uint8_t>((state_.currentProfile + 1) % PROFILE_COUNT);
    if (!eventsEnabled_) {
        return std::nullopt;
    }
    Report event = eventReport(EVENT_PROFILE);
    event[4] = EVENT_KIND_PROFILE_KEY;
    event[7] = static_cast<std::uint8_t>(state_.currentProfile + 1);
    return event;
}

std::optional<Report> FirmwareEngine::pressModeKey() {
    ProfileData& profile = current();
    std::vector<std::uint8_t> list;
    for (std::uint8_t number : profile.effectList) {
        if (number != effect::UNUSED) {
            list.push_back(number);
        }
    }
    if (list.empty()) {
        return std::nullopt;
    }
    const auto at = std::find(list.begin(), list.end(), profile.selectedEffect[0]);
    const std::uint8_t next = at == list.end() || at + 1 == list.end() ? list.front() : *(at + 1);
    // A choice made on the keyboard itself is kept like a committed one.
    profile.selectedEffect = {};
    profile.selectedEffect[0] = next;
    state_.committed[state_.currentProfile].selectedEffect = profile.selectedEffect;
    if (!eventsEnabled_) {
        return std::nullopt;
    }
    Report event = eventReport(EVENT_LIGHTING);
    event[4] = next;
    return event;
}

EngineOutcome FirmwareEngine::deviceCommand(const Report& request) {
    Report answer = answerFor(request);
    switch (request[1]) {
    case SUB_DEVICE_INFO:
        answer[10] = NAME_LENGTH;
        return answered(answer);
    case SUB_STATUS:
        answer[8] = state_.currentProfile;
        return answered(answer);
    default:
        return refused(request);
    }
}

EngineOutcome FirmwareEngine::eventCommand(const Report& request) {
    if (request[1] != SUB_SETUP_EVENTS) {
        return refused(request);
    }
    eventsEnabled_ = std::any_of(data(request), data(request) + 5, [](auto b) { return b != 0; });
    return answered(answerFor(request));
}

EngineOutcome FirmwareEngine::storeCommand(const Report& request) {
    const int p = state_.currentProfile;
    switch (request[1]) {
    case SUB_RESET_PROFILE:
        // The reset writes the factory content to the profile's flash at once: the
        // configurator does not commit after a reset, and a reset that came undone at the
        // next power cycle would look to the user as if it had failed.
        state_.profiles[p] = factoryProfile(p);
        state_.committed[p] = state_.profiles[p];
        return answered(answerFor(request), true);
    case SUB_COMMIT_PROFILE:
        state_.committed[p] = state_.profiles[p];
        return answered(answerFor(request), true);
    default:
        return refused(request);
    }
}

EngineOutcome FirmwareEngine::writeCommand(const Report& request) {
    const std::uint8_t* d = data(request);
    switch (request[1]) {
    case SUB_PROFILE:
        if (d[0] < PROFILE_COUNT) {
            state_.currentProfile = d[0];
        }
        break;
    case SUB_NAME:
        setProfileName(request);
        break;
    case SUB_EFFECT:
        std::copy(d, d + EFFECT_SELECT_SIZE, current().selectedEffect.begin());
        break;
    case SUB_EFFECT_LIST:
        std::copy(d, d + EFFECT_LIST_SIZE, current().effectList.begin());
        break;
    case SUB_ENTRIES:
        setEffectEntries(request);
        break;
    case SUB_CUSTOM_MEMORY:
        if (d[0] < KEY_COLOR_MEMORIES) {
            customMemory_ = d[0];
        }
        return answered(answerFor(request));
    case SUB_KEY_EFFECT_CHUNK:
        setKeyEffectChunk(request);
        break;
    case SUB_KEY_COLORS:
        setKeyColors(request);
        break;
    default:
        return refused(request);
    }
    return answered(answerFor(request), true);
}

EngineOutcome FirmwareEngine::readCommand(const Report& request) {
    Report answer = answerFor(request);
    std::uint8_t* out = &answer[DATA_OFFSET];
    switch (request[1]) {
    case SUB_PROFILE:
        out[0] = state_.currentProfile;
        return answered(answer);
    case SUB_NAME:
        return answered(profileName(request));
    case SUB_EFFECT:
        std::copy(current().selectedEffect.begin(), current().selectedEffect.end(), out);
        return answered(answer);
    case SUB_EFFECT_LIST:
        std::copy(current().effectList.begin(), current().effectList.end(), out);
        return answered(answer);
    case SUB_ENTRIES:
        return answered(effectEntries(request));
    case SUB_CUSTOM_MEMORY:
        out[0] = static_cast<std::uint8_t>(customMemory_);
        return answered(answer);
    case SUB_KEY_EFFECT_CHUNK:
        return answered(keyEffectChunk(request));
    case SUB_KEY_COLORS:
        return answered(keyColors(request));
    default:
        return refused(request);
    }
}

EngineOutcome FirmwareEngine::bootCommand(const Report& request, const Faults& faults) {
    EngineOutcome outcome;
    if (request[1] == SUB_ENTER_BOOTLOADER) {
        // Not answered: the keyboard simply leaves.
        if (!faults.refuseBootloader) {
            outcome.departure = EngineOutcome::Departure::ENTER_BOOTLOADER;
        }
        return outcome;
    }
    if (request[1] == SUB_RESET_DEVICE) {
        outcome.departure = EngineOutcome::Departure::RESET;
        return outcome;
    }
    return refused(request);
}

void FirmwareEngine::setProfileName(const Report& request) {
    const std::uint16_t p = reportIndex(request);
    if (p >= PROFILE_COUNT) {
        return;
    }
    ProfileData& profile = state_.profiles[p];
    std::copy(data(request), data(request) + NAME_LENGTH, profile.name.begin());
    profile.named = true;
}

void FirmwareEngine::setEffectEntries(const Report& request) {
    const std::uint16_t layer = reportIndex(request);
    if (layer < 1 || layer > LAYER_COUNT) {
        return;
    }
    for (std::size_t e = 0; e < ENTRIES_PER_REPORT; ++e) {
        const std::uint8_t* bytes = data(request) + e * EFFECT_ENTRY_SIZE;
        if (bytes[0] == effect::UNUSED) {
            continue;
        }
        EffectEntryBytes entry;
        std::copy(bytes, bytes + EFFECT_ENTRY_SIZE, entry.begin());
        current().entries[layer - 1][entry[0]] = entry;
    }
}

void FirmwareEngine::setKeyEffectChunk(const Report& request) {
    const std::size_t chunk = data(request)[0] / 7;
    if (chunk >= KEY_EFFECT_CHUNKS) {
        return;
    }
    const std::uint8_t* leds = data(request) + 4;
    std::copy(leds, leds + KEY_EFFECT_CHUNK_LEDS,
              current().keyEffectMap.begin() + chunk * KEY_EFFECT_CHUNK_LEDS);
}

void FirmwareEngine::setKeyColors(const Report& request) {
    auto& memory = current().keyColors[customMemory_];
    const std::size_t firstLed = std::size_t(reportIndex(request)) * 8;
    for (std::size_t i = 0; i < LEDS_PER_COLOR_CHUNK && firstLed + i < LED_COUNT; ++i) {
        std::copy(data(request) + 3 * i, data(request) + 3 * i + 3,
                  memory.begin() + 3 * (firstLed + i));
    }
}

Report FirmwareEngine::profileName(const Report& request) {
    Report answer = answerFor(request);
    const std::uint16_t p = reportIndex(request);
    if (p >= PROFILE_COUNT || !state_.profiles[p].named) {
        std::fill(answer.begin() + DATA_OFFSET, answer.begin() + DATA_OFFSET + NAME_LENGTH, 0xFF);
        return answer;
    }
    const auto& name = state_.profiles[p].name;
    std::copy(name.begin(), name.end(), answer.begin() + DATA_OFFSET);
    return answer;
}

Report FirmwareEngine::effectEntries(const Report& request) {
    Report answer = answerFor(request);
    std::fill(answer.begin() + DATA_OFFSET, answer.end(), 0xFF);
    const std::uint16_t layer = reportIndex(request);
    const std::uint8_t number = data(request)[0];
    if (layer < 1 || layer > LAYER_COUNT || number == effect::UNUSED) {
        return answer;
    }
    const auto& stored = current().entries[layer - 1];
    const auto found = stored.find(number);
    const EffectEntryBytes entry = found != stored.end() ? found->second : factoryEntry(number);
    std::copy(entry.begin(), entry.end(), answer.begin() + DATA_OFFSET);
    return answer;
}

Report FirmwareEngine::keyEffectChunk(const Report& request) {
    Report answer = answerFor(request);
    // The header the host asked with comes back in front of the LEDs.
    std::copy(data(request), data(request) + 4, answer.begin() + DATA_OFFSET);
    const std::size_t chunk = data(request)[0] / 7;
    if (chunk >= KEY_EFFECT_CHUNKS) {
        return answer;
    }
    const auto from = current().keyEffectMap.begin() + chunk * KEY_EFFECT_CHUNK_LEDS;
    std::copy(from, from + KEY_EFFECT_CHUNK_LEDS, answer.begin() + DATA_OFFSET + 4);
    return answer;
}

Report FirmwareEngine::keyColors(const Report& request) {
    Report answer = answerFor(request);
    const auto& memory = current().keyColors[customMemory_];
    const std::size_t firstLed = std::size_t(reportIndex(request)) * 8;
    for (std::size_t i = 0; i < LEDS_PER_COLOR_CHUNK && firstLed + i < LED_COUNT; ++i) {
        std::copy(memory.begin() + 3 * (firstLed + i), memory.begin() + 3 * (firstLed + i) + 3,
                  answer.begin() + DATA_OFFSET + 3 * i);
    }
    return answer;
}

} // namespace lumetta::kbsim
