#pragma once

#include "updater/package/FirmwarePackage.h"

#include <cstdint>
#include <vector>

namespace lumetta {

// The stored form of a package: for slots 0 to 8 the scrambled firmware and version blocks, then
// the scrambled header. Each slot's lengths are taken from its buffers (a slot without firmware
// contributes nothing and gets both lengths 0) and the marker is set; everything else in the
// header is written as given.
std::vector<std::uint8_t> buildPackageBytes(const FirmwarePackage& package);

} // namespace lumetta
