#include "device/channel/HidlinkApi.h"

namespace lumetta {

const HidlinkApi& linkedHidlinkApi() {
    static const HidlinkApi api{&::HidlinkOpen,      &::HidlinkClose,
                                &::HidlinkSetFilter, &::HidlinkSetReadCallback,
                                &::HidlinkWrite,     &::HidlinkGetVersion};
    return api;
}

} // namespace lumetta
