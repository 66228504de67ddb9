#pragma once

#include "device/channel/CommandCatalogue.h"
#include "lighting/model/KeyMap.h"
#include "lighting/model/ProfileStore.h"
#include "shell/session/ProgressMeter.h"
#include "shell/session/SessionHooks.h"

#include <cstdint>
#include <optional>

namespace lumetta {

// The part of the main window that keeps the keyboard and the profiles in step, without the
// windows: it works on the window's store, saved copy, busy flag and device profile, sends its
// commands through the command channel, and reaches the windows only through hooks. Everything
// runs on the user-interface thread.
class DeviceSession {
public:
    static constexpr int ALL_PROFILES = -1;

    DeviceSession(CommandCatalogue& channel, ProfileStore& store, ProfileStore& savedStore,
                  SessionHooks hooks = {}, const KeyMap& map = keyMap());

    // Keyboard events do not switch profiles while a profile is being applied.
    bool busy() const { return busy_; }
    void setBusy(bool busy) { busy_ = busy; }
    // The profile the keyboard was last told or reported; -1 while unknown.
    int deviceProfile() const { return deviceProfile_; }
    void setDeviceProfile(int profile) { deviceProfile_ = profile; }

    // Keyboard arrived on the command channel: device information, event set-up, status (up to
    // five tries) and mode 1. Sets busy; a status read learns the device profile. Returns the OR
    // of the results.
    int setUpArrival();

    // Reads every profile (ALL_PROFILES, which also makes the keyboard's current profile the
    // store's) or one. Returns the OR of the profile, select and name reads; the other reads
    // change the store only where they succeeded.
    int readProfilesFromKeyboard(int first);

    // The read has finished (profile ALL_PROFILES or the one profile read after a reset): the
    // saved copy follows and, after a full read, the keyboard and the LED page come to the
    // current profile. Clears busy.
    void finishLoad(int profile);

    // A keyboard event: reads the status and follows a profile switch made on the keyboard
    // (eventByte nonzero) unless busy. Returns whether the status could be read.
    bool handleDeviceEvent(std::uintptr_t eventByte);

    // The main window's profile switch: the store, the keyboard and the LED page go to p.
    int switchToProfile(int p);

    // Uploads one profile's lighting: entries, multi-layer, key colours, list, selected effect.
    // `percent` is where the display stands; each effect moves it by step / (n + 1).
    int writeProfileToKeyboard(int p, double percent, double step);

    // Saves all profiles, or only `onlyProfile`, to the keyboard, each committed, and returns the
    // keyboard to the current profile. Returns the OR of the results (1 also when stopped).
    int saveToKeyboard(std::optional<int> onlyProfile = std::nullopt);

    // The device steps of a profile reset: the record gets its defaults and the keyboard resets
    // the profile and its name. Sets busy; read the profile afterwards.
    int resetProfileOnKeyboard(int p);

    // The program ends: unless the updater takes over, the keyboard goes back to the device
    // profile and to mode 0.
    int exitStep(bool updaterStarted = false, bool firmwareCheckRequested = false);

private:
    int readProfile(int f, double start, int step);
    void readEntry(std::uint16_t layer, EffectCode code, LayerRecord& into);
    void readMultiLayerEffects(LayerRecord& multiLayer);
    int readStatus(StatusBlock& status);
    void copyToSaved(std::optional<int> onlyProfile);
    void dispatchPending();
    bool stopRequested() const;
    void log(std::string_view text) const;

    CommandCatalogue& channel_;
    ProfileStore& store_;
    ProfileStore& savedStore_;
    SessionHooks hooks_;
    const KeyMap& map_;
    ProgressMeter progress_;
    bool busy_ = false;
    int deviceProfile_ = -1;
};

} // namespace lumetta
