// Private to the resources library: the table the build generates from skinforge's output.
#pragma once

#include "updater/resources/UpdaterResources.h"

#include <cstddef>

namespace lumetta::detail {

extern const EmbeddedResource kEmbeddedResources[];
extern const std::size_t kEmbeddedResourceCount;

} // namespace lumetta::detail
