#pragma once

#include "platform/hid/UniqueFd.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace lumetta::hid {

// Watches the device-node folder for hidraw nodes coming and going.
class HidrawWatch {
public:
    struct Change {
        enum class Kind { Added, Removed } kind;
        std::string node;
        friend bool operator==(const Change&, const Change&) = default;
    };

    static std::unique_ptr<HidrawWatch> open(const std::filesystem::path& devRoot,
                                             std::string* error = nullptr);

    // Readable (for poll) when changes are waiting.
    int fd() const { return fd_.get(); }
    // Every change waiting now, in order; never blocks. A change of permissions counts as an
    // arrival, since a node may become openable only after it appeared.
    std::vector<Change> readChanges();

private:
    explicit HidrawWatch(UniqueFd fd) : fd_(std::move(fd)) {}

    UniqueFd fd_;
};

} // namespace lumetta::hid
