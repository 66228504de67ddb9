#include "updater/resources/UpdaterResources.h"

#include "updater/resources/ResourceTable.h"

namespace lumetta {
namespace {

bool sameType(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::span<const std::uint8_t> findResource(std::string_view type, int id) {
    for (const EmbeddedResource& r : embeddedResources()) {
        if (r.id == id && sameType(r.type, type)) {
            return r.bytes;
        }
    }
    return {};
}

std::span<const EmbeddedResource> embeddedResources() {
    return {detail::kEmbeddedResources, detail::kEmbeddedResourceCount};
}

} // namespace lumetta
