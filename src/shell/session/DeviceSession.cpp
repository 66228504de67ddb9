#include "shell/session/DeviceSession.h"

#include "device/channel/KeyColors.h"
#include "device/channel/MultiLayerTransfer.h"
#include "device/wire/EffectEntry.h"
#include "device/wire/EffectListRecord.h"
#include "lighting/model/CustomPreset.h"
#include "lighting/model/EffectCount.h"
#include "lighting/model/LayerDefaults.h"
#include "lighting/model/ProfileEffect.h"

#include <algorithm>
#include <cstring>

namespace lumetta {

namespace {

constexpr std::uint8_t MODE_NORMAL = 0;
constexpr std::uint8_t MODE_PREVIEW = 1;
constexpr std::uint8_t MODE_TRANSFER = 3;
// SetupEvents as sent on arrival: the bytes 01 00 00 01 and 1.
constexpr std::uint32_t EVENT_SET_UP = 0x01000001;
constexpr std::uint8_t EVENT_SET_UP_FLAG = 1;
constexpr int STATUS_TRIES = 5;
constexpr std::uint16_t BASE_LAYER = 1;
constexpr std::uint16_t MULTI_LAYER = 2;
// The keyboard keeps this many bytes of a name; the rest of a longer stored name stays.
constexpr std::size_t NAME_BYTES_READ = 32;
constexpr double FIRST_PERCENT = 10;
constexpr int READ_SPAN = 80;
constexpr int SAVE_STEP_ALL = 13;
constexpr auto SAVE_PAUSE = std::chrono::milliseconds(1);
constexpr auto FINAL_PAUSE = std::chrono::milliseconds(100);

bool validProfile(int p) {
    return p >= 0 && p < PROFILE_COUNT;
}

bool emptySlot(EffectCode code) {
    return code == EffectCode::NONE || toInt(code) == 0xFF;
}

// Multi-layer effects whose settings the keyboard keeps as an entry on layer 2.
bool hasLayerEntry(EffectCode code) {
    const std::uint8_t number = effectToDeviceNumber(code);
    return code == EffectCode::STATIC ||
           (number != device_effect::MULTILAYER && number != device_effect::SYSTEM_STATUS &&
            number != device_effect::OFF);
}

class ListBuilder {
public:
    ListBuilder() { std::fill(std::begin(record_.numbers), std::end(record_.numbers), 0xFF); }
    void append(std::uint8_t number) {
        if (count_ < sizeof record_.numbers) {
            record_.numbers[count_++] = number;
        }
    }
    const EffectListRecord& record() const { return record_; }

private:
    EffectListRecord record_{};
    std::size_t count_ = 0;
};

} // namespace

DeviceSession::DeviceSession(CommandCatalogue& channel, ProfileStore& store,
                             ProfileStore& savedStore, SessionHooks hooks, const KeyMap& map)
    : channel_(channel), store_(store), savedStore_(savedStore), hooks_(std::move(hooks)),
      map_(map), progress_(hooks_.progress) {}

int DeviceSession::setUpArrival() {
    busy_ = true;
    int result = channel_.GetDeviceInfo();
    result |= channel_.SetupEvents(EVENT_SET_UP, EVENT_SET_UP_FLAG);
    StatusBlock status{};
    const int statusResult = readStatus(status);
    if (statusResult == 0 && validProfile(status[STATUS_PROFILE_BYTE])) {
        deviceProfile_ = status[STATUS_PROFILE_BYTE];
    }
    result |= statusResult;
    return result | channel_.SetMode(MODE_PREVIEW);
}

int DeviceSession::readStatus(StatusBlock& status) {
    int result = 1;
    for (int tries = 0; tries < STATUS_TRIES && result != 0; ++tries) {
        result = channel_.GetStatus(status);
    }
    return result;
}

int DeviceSession::readProfilesFromKeyboard(int first) {
    progress_.restart();
    progress_.set(FIRST_PERCENT);
    int result = 0;
    int begin = first;
    int end = first + 1;
    if (first == ALL_PROFILES) {
        std::uint8_t current = 0;
        result |= channel_.GetProfile(current);
        const int k = validProfile(current) ? current : 0;
        deviceProfile_ = k;
        store_.currentProfile = static_cast<std::uint8_t>(k);
        begin = 0;
        end = PROFILE_COUNT;
    } else if (!validProfile(first)) {
        return 1;
    }
    channel_.SetMode(MODE_TRANSFER);
    const int step = READ_SPAN / (end - begin);
    for (int f = begin; f < end; ++f) {
        if (stopRequested()) {
            result |= 1;
            break;
        }
        result |= readProfile(f, FIRST_PERCENT + (f - begin) * step, step);
        dispatchPending();
    }
    progress_.set(100);
    return result;
}

int DeviceSession::readProfile(int f, double start, int step) {
    ProfileRecord& record = store_.profiles[f];
    const auto profile = static_cast<std::uint8_t>(f);
    int result = channel_.SelectProfile(profile);
    ProfileNameBuffer name{};
    const int nameResult = channel_.GetProfileName(profile, name);
    result |= nameResult;
    if (nameResult == 0) {
        std::memcpy(record.name, name.data(), NAME_BYTES_READ);
    }
    progress_.set(start);

    EffectListRecord list{};
    if (channel_.GetEffectList(list) == 0) {
        unpackEffectList(list, record.baseLayer);
    }
    EffectSelectRecord selected{};
    const bool selectedRead = channel_.GetEffect(selected) == 0;
    if (selectedRead) {
        setLoadedEffect(record, deviceNumberToEffect(selected.effect));
    }

    const int n = effectCount(record.baseLayer);
    bool selectionMoved = false;
    for (int slot = 0; slot < n && slot < EFFECT_LIST_SLOTS; ++slot) {
        progress_.add(static_cast<double>(step) / (n + 1));
        const EffectCode code = record.baseLayer.effectList[slot];
        if (emptySlot(code)) {
            continue;
        }
        channel_.SelectEffect(selectRecordFor(effectToDeviceNumber(code)));
        selectionMoved = true;
        if (code == EffectCode::MULTILAYER) {
            readMultiLayerEffects(record.multiLayer);
        } else {
            readEntry(BASE_LAYER, code, record.baseLayer);
        }
    }
    // Reading the entries selected each effect in turn; the profile goes back to the effect
    // it ran, or it would run the last one read until the keyboard restarts.
    if (selectionMoved && selectedRead) {
        channel_.SelectEffect(selectRecordFor(selected.effect));
    }

    channel_.SelectCustomMemory(0);
    downloadKeyColors(channel_, record.baseLayer.custom1, map_);
    channel_.SelectCustomMemory(1);
    downloadKeyColors(channel_, record.baseLayer.custom2, map_);
    recognisePreset(record.baseLayer.custom1, map_);
    recognisePreset(record.baseLayer.custom2, map_);
    return result;
}

void DeviceSession::readEntry(std::uint16_t layer, EffectCode code, LayerRecord& into) {
    EffectEntryBlock entries = effectEntryRequest(effectToDeviceNumber(code));
    // A failed read leaves the block as it was rather than filling it with the request's 0xFF.
    if (channel_.GetEffectEntries(layer, entries) == 0) {
        storeEffectEntry(entries[0], into);
    }
}

void DeviceSession::readMultiLayerEffects(LayerRecord& multiLayer) {
    readMultiLayer(channel_, multiLayer, map_);
    for (const EffectCode code : multiLayer.effectList) {
        if (!emptySlot(code) && hasLayerEntry(code)) {
            readEntry(MULTI_LAYER, code, multiLayer);
        }
    }
}

void DeviceSession::finishLoad(int profile) {
    if (profile == ALL_PROFILES) {
        channel_.SelectProfile(0);
        log("Load Dev Info Finish");
        savedStore_ = store_;
        deviceProfile_ = store_.currentProfile;
        switchToProfile(store_.currentProfile);
        log("PutSettingToControl Finish");
    } else if (validProfile(profile)) {
        savedStore_.profiles[profile] = store_.profiles[profile];
    }
    // A reset's read is over as well: keyboard events may switch profiles again.
    busy_ = false;
}

bool DeviceSession::handleDeviceEvent(std::uintptr_t eventByte) {
    StatusBlock status{};
    if (readStatus(status) != 0) {
        return false;
    }
    if (busy_) {
        return true;
    }
    const int k = status[STATUS_PROFILE_BYTE];
    // The store has six profiles; a status naming another one carries no usable switch.
    if (!validProfile(k)) {
        return true;
    }
    if (eventByte != 0 && k != store_.currentProfile) {
        switchToProfile(k);
    }
    deviceProfile_ = k;
    savedStore_.currentProfile = static_cast<std::uint8_t>(k);
    return true;
}

int DeviceSession::switchToProfile(int p) {
    if (!validProfile(p)) {
        return 1;
    }
    busy_ = true;
    store_.currentProfile = static_cast<std::uint8_t>(p);
    const int result = channel_.SelectProfile(static_cast<std::uint8_t>(p));
    if (hooks_.showProfile) {
        hooks_.showProfile(store_.currentProfile);
    }
    busy_ = false;
    return result;
}

int DeviceSession::writeProfileToKeyboard(int p, double percent, double step) {
    if (!validProfile(p)) {
        return 1;
    }
    const ProfileRecord& record = store_.profiles[p];
    const LayerRecord& base = record.baseLayer;
    const int n = effectCount(base);
    ListBuilder list;
    int result = 0;
    for (int slot = 0; slot < n && slot < EFFECT_LIST_SLOTS; ++slot) {
        percent += step / (n + 1);
        progress_.set(percent);
        const EffectCode code = base.effectList[slot];
        if (hasEffectEntry(code)) {
            result |= channel_.SetEffectEntries(BASE_LAYER,
                                                singleEntryBlock(buildEffectEntry(base, code)));
            list.append(effectToDeviceNumber(code));
        } else if (code == EffectCode::MULTILAYER) {
            result |= uploadMultiLayer(channel_, record.multiLayer, hooks_.resetColorCycle, map_);
            list.append(device_effect::MULTILAYER);
        } else if (code == EffectCode::OFF) {
            list.append(device_effect::OFF);
        }
    }
    result |= channel_.SelectCustomMemory(0);
    result |= uploadKeyColors(channel_, base.custom1, map_);
    result |= channel_.SelectCustomMemory(1);
    result |= uploadKeyColors(channel_, base.custom2, map_);
    result |= channel_.SetEffectList(list.record());
    result |= channel_.SelectEffect(selectRecordFor(effectToDeviceNumber(record.activeEffect)));
    return result;
}

int DeviceSession::saveToKeyboard(std::optional<int> onlyProfile) {
    if (onlyProfile && !validProfile(*onlyProfile)) {
        return 1;
    }
    busy_ = true;
    progress_.restart();
    const int begin = onlyProfile ? *onlyProfile : 0;
    const int end = onlyProfile ? *onlyProfile + 1 : PROFILE_COUNT;
    const int step = onlyProfile ? READ_SPAN : SAVE_STEP_ALL;
    copyToSaved(onlyProfile);

    int result = channel_.SetMode(MODE_TRANSFER);
    double percent = FIRST_PERCENT;
    progress_.set(percent);
    channel_.busyWait(SAVE_PAUSE);
    for (int i = begin; i < end; ++i) {
        if (stopRequested()) {
            result |= 1;
            break;
        }
        if (channel_.isConnected()) {
            const ProfileRecord& record = store_.profiles[i];
            const auto profile = static_cast<std::uint8_t>(i);
            std::uint8_t name[sizeof record.name];
            std::memcpy(name, record.name, sizeof name);
            result |= channel_.SelectProfile(profile);
            result |= channel_.SetProfileName(profile, name);
            result |= writeProfileToKeyboard(i, percent, step);
            result |= channel_.CommitProfile();
        } else {
            result |= 1;
        }
        percent += step;
        progress_.set(percent);
        channel_.busyWait(SAVE_PAUSE);
        dispatchPending();
    }
    copyToSaved(onlyProfile);
    deviceProfile_ = savedStore_.currentProfile;
    result |= channel_.SelectProfile(static_cast<std::uint8_t>(deviceProfile_));
    if (hooks_.showProfile) {
        hooks_.showProfile(store_.currentProfile);
    }
    progress_.set(100);
    channel_.busyWait(FINAL_PAUSE);
    busy_ = false;
    return result;
}

void DeviceSession::copyToSaved(std::optional<int> onlyProfile) {
    if (!onlyProfile) {
        savedStore_ = store_;
        return;
    }
    savedStore_.profiles[*onlyProfile] = store_.profiles[*onlyProfile];
    savedStore_.currentProfile = store_.currentProfile;
}

int DeviceSession::resetProfileOnKeyboard(int p) {
    if (!validProfile(p)) {
        return 1;
    }
    resetProfile(store_.profiles[p], map_);
    busy_ = true;
    const auto profile = static_cast<std::uint8_t>(p);
    int result = channel_.SelectProfile(profile);
    result |= channel_.ResetProfile();
    const std::uint8_t noName[sizeof(ProfileRecord::name)] = {};
    return result | channel_.SetProfileName(profile, noName);
}

int DeviceSession::exitStep(bool updaterStarted, bool firmwareCheckRequested) {
    if (updaterStarted || firmwareCheckRequested || !validProfile(deviceProfile_)) {
        return 0;
    }
    int result = channel_.SelectProfile(static_cast<std::uint8_t>(deviceProfile_));
    channel_.busyWait(FINAL_PAUSE);
    return result | channel_.SetMode(MODE_NORMAL);
}

void DeviceSession::dispatchPending() {
    if (hooks_.dispatchPending) {
        hooks_.dispatchPending();
    }
}

bool DeviceSession::stopRequested() const {
    return hooks_.stopRequested && hooks_.stopRequested();
}

void DeviceSession::log(std::string_view text) const {
    if (hooks_.log) {
        hooks_.log(text);
    }
}

} // namespace lumetta
