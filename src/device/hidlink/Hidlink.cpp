#include "device/hidlink/Hidlink.h"

#include "device/hidlink/HidlinkInstance.h"

#include <array>
#include <memory>
#include <mutex>

namespace lumetta::hidlink {
namespace {

std::mutex slotsMutex;
// Never destroyed: an instance left open at exit must not be closed during static destruction,
// when the calling thread's message queue is already gone. Its threads end with the process.
auto& slots = *new std::array<std::shared_ptr<HidlinkInstance>, HIDLINK_INSTANCES>;

// The first operation on an index other than closing makes its instance.
std::shared_ptr<HidlinkInstance> instanceAt(std::uint32_t index) {
    if (index >= HIDLINK_INSTANCES) {
        return nullptr;
    }
    std::lock_guard lock(slotsMutex);
    if (!slots[index]) {
        slots[index] = std::make_shared<HidlinkInstance>();
    }
    return slots[index];
}

} // namespace
} // namespace lumetta::hidlink

using lumetta::hidlink::instanceAt;

extern "C" {

uint32_t HidlinkOpen(uint64_t clientWindow, uint32_t clientMessage, uint32_t index) {
    auto instance = instanceAt(index);
    if (!instance) {
        return 0;
    }
    return instance->open(lumetta::core::WindowHandle(clientWindow), clientMessage);
}

void HidlinkClose(uint32_t index) {
    if (index >= HIDLINK_INSTANCES) {
        return;
    }
    std::shared_ptr<lumetta::hidlink::HidlinkInstance> instance;
    {
        std::lock_guard lock(lumetta::hidlink::slotsMutex);
        instance.swap(lumetta::hidlink::slots[index]);
    }
    if (instance) {
        instance->close();
    }
}

HidlinkFilter* HidlinkSetFilter(HidlinkFilter* filter, uint32_t index) {
    auto instance = instanceAt(index);
    if (instance && filter) {
        instance->setFilter(*filter);
    }
    return filter;
}

void HidlinkSetReadCallback(HidlinkReadCallback callback, uint32_t index) {
    auto instance = instanceAt(index);
    if (!instance) {
        return;
    }
    if (!callback) {
        instance->setReadCallback({});
        return;
    }
    instance->setReadCallback(
        [callback](std::uint16_t deviceId, const std::uint8_t* report, std::uint32_t length) {
            callback(deviceId, report, length);
        });
}

uint32_t HidlinkWrite(uint16_t deviceId, const uint8_t* data, uint32_t length, uint32_t index) {
    auto instance = instanceAt(index);
    return instance ? instance->write(deviceId, data, length) : 0;
}

uint16_t HidlinkGetVersion(uint32_t index) {
    auto instance = instanceAt(index);
    return instance ? instance->version() : 0;
}

} // extern "C"
