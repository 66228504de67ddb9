#pragma once

#include "kbsim/KeyboardState.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace lumetta::kbsim {

// The state file is line-based text, one field per line, bytes in hex, so that a person can
// read and diff it:
//   lumetta-kbsim-state 1
//   model-id <hex> / layout-id N / bcd-device 0xNNNN / current-profile N
//   profile N live|committed name unnamed|<hex>
//   profile N live|committed effect-list|selected-effect|key-effect-map <hex>
//   profile N live|committed entry LAYER <hex>          (one per stored effect entry)
//   profile N live|committed key-colors MEMORY <hex>
//   flash 0xADDRESS <hex>                                (64-byte rows that are not erased)
//   end
std::string serializeState(const KeyboardState& state);

struct StateParseResult {
    std::optional<KeyboardState> state;
    // The first problem, with its line number; empty when the text was read completely.
    std::string error;
};

StateParseResult parseState(std::string_view text);

// Reads a state file; a missing file gives an empty result without an error.
StateParseResult loadStateFile(const std::filesystem::path& path);

// Replaces the file atomically (a temporary beside it, then rename), so that a crash in the
// middle leaves the previous state intact. Returns an error text, empty on success.
std::string saveStateFile(const std::filesystem::path& path, const KeyboardState& state);

} // namespace lumetta::kbsim
