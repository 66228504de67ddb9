// Arbitrary bytes as the updater's program file. Loading must never use more memory than the
// file has bytes, and whatever loads must survive being built and read again.
#include "updater/package/FirmwarePackage.h"
#include "updater/package/PackageBuilder.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

int memoryFile() {
    static const int fd = ::memfd_create("fuzz_fwpackage", MFD_CLOEXEC);
    if (fd < 0) {
        std::abort();
    }
    return fd;
}

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

class MemorySource final : public lumetta::PackageSource {
public:
    explicit MemorySource(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override {
        if (offset > bytes_.size() || out.size() > bytes_.size() - offset) {
            return false;
        }
        std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
        return true;
    }

private:
    const std::vector<std::uint8_t>& bytes_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = memoryFile();
    if (::ftruncate(fd, 0) != 0 || (size > 0 && ::pwrite(fd, data, size, 0) != ssize_t(size))) {
        std::abort();
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    lumetta::RecordingMessageSink messages;
    lumetta::FirmwarePackage package;
    const bool loaded = lumetta::loadFirmwarePackage(path, messages, package);
    check(loaded == messages.messages.empty());

    const lumetta::PackageReadResult result = lumetta::readFirmwarePackage(path);
    std::size_t held = 0;
    for (int slot = 0; slot < lumetta::IMAGE_SLOTS; ++slot) {
        held += result.package.firmware[slot].size() + result.package.version[slot].size();
    }
    check(held <= size);
    if (!loaded) {
        return 0;
    }
    const std::vector<std::uint8_t> rebuilt = lumetta::buildPackageBytes(package);
    const lumetta::PackageReadResult again = lumetta::readFirmwarePackage(MemorySource(rebuilt));
    check(again.status == lumetta::PackageStatus::Ok);
    check(again.package.firmware == package.firmware);
    check(again.package.version == package.version);
    return 0;
}
