#include "kbsim/KeyboardDevice.h"

#include <algorithm>

namespace lumetta::kbsim {

using std::chrono::milliseconds;

KeyboardDevice::KeyboardDevice(KeyboardState state)
    : state_(std::move(state)), firmware_(state_), bootloaderEngine_(state_) {}

KeyboardDevice::TimePoint KeyboardDevice::nextFrame(TimePoint t) {
    const auto whole = std::chrono::duration_cast<milliseconds>(t.time_since_epoch());
    return TimePoint(whole + milliseconds(1));
}

void KeyboardDevice::powerOn(TimePoint now) {
    DeviceAction attach;
    attach.kind = DeviceAction::Kind::ATTACH;
    // Without a valid version area there is no firmware to start: the bootloader stays.
    attach.bootloader = !readFirmwareVersion(state_.flash).valid;
    schedule(now, attach);
}

void KeyboardDevice::receive(TimePoint now, const Report& request) {
    if (!attached_) {
        note(now, "request while the keyboard is away, ignored");
        return;
    }
    ++requests_;
    EngineOutcome outcome = bootloader_ ? bootloaderEngine_.handle(request, faults_)
                                        : firmware_.handle(request, faults_);
    if (outcome.stateChanged) {
        markDirty(now);
    }
    if (outcome.answer) {
        if (faults_.dropAnswers > 0) {
            --faults_.dropAnswers;
            note(now, "answer dropped");
        } else {
            scheduleAnswer(now, *outcome.answer, outcome.busy);
        }
    }
    if (outcome.departure == EngineOutcome::Departure::ENTER_BOOTLOADER) {
        depart(now, true);
    } else if (outcome.departure == EngineOutcome::Departure::RESET) {
        depart(now, !readFirmwareVersion(state_.flash).valid);
    }
    countRequest(now);
}

std::string KeyboardDevice::pressProfileKey(TimePoint now) {
    if (!attached_) {
        return "the keyboard is unplugged";
    }
    if (bootloader_) {
        return "the keyboard is in its bootloader";
    }
    const auto event = firmware_.pressProfileKey();
    markDirty(now);
    if (event) {
        scheduleAnswer(now, *event, {});
    }
    return {};
}

std::string KeyboardDevice::pressModeKey(TimePoint now) {
    if (!attached_) {
        return "the keyboard is unplugged";
    }
    if (bootloader_) {
        return "the keyboard is in its bootloader";
    }
    const auto event = firmware_.pressModeKey();
    markDirty(now);
    if (event) {
        scheduleAnswer(now, *event, {});
    }
    return {};
}

void KeyboardDevice::unplug(TimePoint now) {
    cancel(DeviceAction::Kind::SEND);
    cancel(DeviceAction::Kind::ATTACH);
    attached_ = false;
    DeviceAction detach;
    detach.kind = DeviceAction::Kind::DETACH;
    schedule(now, detach);
    markDirty(now, true);
}

void KeyboardDevice::plug(TimePoint now) {
    if (attached_) {
        return;
    }
    // Plugging in while a restart is under way brings the keyboard back in the mode it was
    // restarting into; otherwise it powers up by what its flash holds.
    for (auto it = schedule_.begin(); it != schedule_.end(); ++it) {
        if (it->second.kind == DeviceAction::Kind::ATTACH) {
            DeviceAction attach = it->second;
            schedule_.erase(it);
            schedule(now, attach);
            return;
        }
    }
    powerOn(now);
}

void KeyboardDevice::setUnplugAfter(TimePoint now, std::uint32_t requests) {
    if (requests == 0) {
        faults_.unplugAfter.reset();
        unplug(now);
        return;
    }
    faults_.unplugAfter = requests;
}

bool KeyboardDevice::returning() const {
    return std::any_of(schedule_.begin(), schedule_.end(), [](const auto& item) {
        return item.second.kind == DeviceAction::Kind::ATTACH;
    });
}

std::optional<KeyboardDevice::TimePoint> KeyboardDevice::nextDue() const {
    if (schedule_.empty()) {
        return std::nullopt;
    }
    return schedule_.begin()->first.first;
}

std::vector<DeviceAction> KeyboardDevice::takeDue(TimePoint now) {
    std::vector<DeviceAction> due;
    while (!schedule_.empty() && schedule_.begin()->first.first <= now) {
        DeviceAction action = std::move(schedule_.begin()->second);
        schedule_.erase(schedule_.begin());
        if (action.kind == DeviceAction::Kind::ATTACH) {
            action = attachNow(action.bootloader);
            markDirty(now);
        } else if (action.kind == DeviceAction::Kind::SAVE) {
            if (!dirty_) {
                continue;
            }
            // Writing the state takes a millisecond or two: never while an answer waits, but
            // right after it goes out, when the host pauses before its next request.
            if (const auto answer = pendingAnswerDue()) {
                schedule(*answer, action);
                continue;
            }
            dirty_ = false;
        }
        due.push_back(std::move(action));
    }
    return due;
}

std::optional<KeyboardDevice::TimePoint> KeyboardDevice::pendingAnswerDue() const {
    for (const auto& [key, action] : schedule_) {
        if (action.kind == DeviceAction::Kind::SEND) {
            return key.first;
        }
    }
    return std::nullopt;
}

void KeyboardDevice::schedule(TimePoint at, DeviceAction action) {
    schedule_.emplace(std::make_pair(at, sequence_++), std::move(action));
}

void KeyboardDevice::scheduleAnswer(TimePoint now, const Report& report,
                                    std::chrono::microseconds busy) {
    // The keyboard answers in the first USB frame after it is done, in request order.
    TimePoint due = nextFrame(now + busy) + faults_.answerDelay;
    due = std::max(due, lastAnswerDue_);
    lastAnswerDue_ = due;
    DeviceAction send;
    send.kind = DeviceAction::Kind::SEND;
    send.report = report;
    schedule(due, send);
}

void KeyboardDevice::note(TimePoint now, std::string text) {
    DeviceAction action;
    action.kind = DeviceAction::Kind::NOTE;
    action.note = std::move(text);
    schedule(now, action);
}

void KeyboardDevice::markDirty(TimePoint now, bool urgent) {
    const bool pending = std::any_of(schedule_.begin(), schedule_.end(), [](const auto& item) {
        return item.second.kind == DeviceAction::Kind::SAVE;
    });
    dirty_ = true;
    if (pending && !urgent) {
        return;
    }
    DeviceAction save;
    save.kind = DeviceAction::Kind::SAVE;
    schedule(urgent ? now : now + SAVE_DELAY, save);
}

void KeyboardDevice::depart(TimePoint now, bool toBootloader) {
    attached_ = false;
    note(now, toBootloader ? "restarting into the bootloader" : "restarting");
    DeviceAction detach;
    detach.kind = DeviceAction::Kind::DETACH;
    schedule(std::max(now + LEAVE_TIME, lastAnswerDue_), detach);
    DeviceAction attach;
    attach.kind = DeviceAction::Kind::ATTACH;
    attach.bootloader = toBootloader;
    schedule(now + RESTART_TIME, attach);
    markDirty(now, true);
}

void KeyboardDevice::cancel(DeviceAction::Kind kind) {
    std::erase_if(schedule_, [kind](const auto& item) { return item.second.kind == kind; });
}

void KeyboardDevice::countRequest(TimePoint now) {
    if (!faults_.unplugAfter) {
        return;
    }
    if (--*faults_.unplugAfter > 0) {
        return;
    }
    faults_.unplugAfter.reset();
    // The keyboard still gets its last answer out, then the cable goes; it stays away (also
    // from a restart it was in the middle of) until it is plugged in again.
    cancel(DeviceAction::Kind::ATTACH);
    attached_ = false;
    note(now, "unplugged after the requested number of requests");
    DeviceAction detach;
    detach.kind = DeviceAction::Kind::DETACH;
    schedule(std::max(now, lastAnswerDue_), detach);
    markDirty(now, true);
}

DeviceAction KeyboardDevice::attachNow(bool bootloaderMode) {
    attached_ = true;
    bootloader_ = bootloaderMode;
    firmware_.powerUp();
    bootloaderEngine_.powerUp();
    lastAnswerDue_ = {};
    DeviceAction attach;
    attach.kind = DeviceAction::Kind::ATTACH;
    attach.bootloader = bootloaderMode;
    attach.productId = productId();
    return attach;
}

} // namespace lumetta::kbsim
