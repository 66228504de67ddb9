#pragma once

#include <cstdint>

namespace lumetta::display {

// The platform's virtual-key number (see Key.h) for an SDL key, 0 for keys the layer has no
// number for. Letters and digits follow the keyboard layout like the platform's keys do; on
// layouts whose keys type no Latin letter, the key's position stands in for it.
int virtualKeyFromSdl(std::int32_t keycode, int scancode);

// SDL's modifier state (KMOD_* bits) as display::modifier bits.
unsigned modifiersFromSdl(std::uint16_t mod);

// X's key-and-button state mask as display::modifier bits.
unsigned modifiersFromX11(unsigned state);

// The click count the layer expects for a press: 2 for the second press of a double click,
// else 1, so that a third quick press starts a new pair.
int clickCountFor(int sequence);

} // namespace lumetta::display
