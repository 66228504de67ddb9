#pragma once

#include "device/channel/CommandCatalogue.h"
#include "lighting/model/CustomParams.h"
#include "lighting/model/KeyMap.h"

namespace lumetta {

// Sends a customization memory's colours as eight chunks to the memory chosen last with
// SelectCustomMemory. Every chunk is sent even when one fails. Returns the OR of the results.
int uploadKeyColors(CommandCatalogue& channel, const CustomParams& memory,
                    const KeyMap& map = keyMap());

// Reads the chosen memory's eight chunks and sets the colour of every key with an LED. A chunk
// that could not be read leaves its keys' colours as they were.
int downloadKeyColors(CommandCatalogue& channel, CustomParams& memory,
                      const KeyMap& map = keyMap());

} // namespace lumetta
