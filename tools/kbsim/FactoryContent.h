#pragma once

#include "kbsim/Flash.h"
#include "kbsim/ProfileData.h"

#include <cstdint>
#include <string>

namespace lumetta::kbsim {

// The firmware the keyboard leaves the factory with.
inline constexpr std::uint8_t FACTORY_VERSION_MAJOR = 1;
inline constexpr std::uint8_t FACTORY_VERSION_MINOR = 2;
inline constexpr std::uint32_t FACTORY_VERSION_BUILD = 5;
inline const std::u16string FACTORY_VERSION_TEXT = u"V1.2 build 5";
// Length of the deterministic stand-in for the factory firmware image.
inline constexpr std::uint32_t FACTORY_IMAGE_SIZE = 40 * 1024;

// The entry an effect answers while nothing was stored for it, in the encoded device form.
EffectEntryBytes factoryEntry(std::uint8_t effectNumber);

// Profile `index` (0 to 5) as the keyboard leaves the factory.
ProfileData factoryProfile(int index);

// Version area and firmware image of a new keyboard; the image differs per layout.
FlashBytes factoryFlash(std::uint16_t layoutId);

} // namespace lumetta::kbsim
