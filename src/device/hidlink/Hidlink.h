#pragma once

// The HID device layer's six operations, with C linkage so that programs can load the shared
// library and look them up by name. Every operation takes the instance index (0 to 4) last; an
// index outside that range does nothing and yields 0.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define HIDLINK_INSTANCES 5
#define HIDLINK_FILTER_PAIRS 10

typedef struct HidlinkUsagePair {
    uint32_t Usage;
    uint32_t UsagePage;
} HidlinkUsagePair;

typedef struct HidlinkFilter {
    uint32_t VendorId;
    uint32_t ProductId;
    uint32_t PairCount;
    HidlinkUsagePair Pairs[HIDLINK_FILTER_PAIRS];
} HidlinkFilter;

// Sent to the client window as its message with wParam 1 and lParam pointing here; valid only
// while the window handles it.
typedef struct HidlinkNotice {
    uint32_t Arrived;
    uint16_t DeviceId;
    uint16_t VendorId;
    uint16_t ProductId;
    uint16_t Usage;
    uint16_t UsagePage;
} HidlinkNotice;

// Called on a reader thread with the whole input report, report id first; the bytes are valid
// only during the call.
typedef void (*HidlinkReadCallback)(uint16_t deviceId, const uint8_t* report, uint32_t length);

// clientWindow is the value of a message-core window handle.
uint32_t HidlinkOpen(uint64_t clientWindow, uint32_t clientMessage, uint32_t index);
void HidlinkClose(uint32_t index);
HidlinkFilter* HidlinkSetFilter(HidlinkFilter* filter, uint32_t index);
void HidlinkSetReadCallback(HidlinkReadCallback callback, uint32_t index);
uint32_t HidlinkWrite(uint16_t deviceId, const uint8_t* data, uint32_t length, uint32_t index);
uint16_t HidlinkGetVersion(uint32_t index);

#ifdef __cplusplus
}
#endif
