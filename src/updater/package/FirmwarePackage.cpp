#include "updater/package/FirmwarePackage.h"

#include "platform/os/UniqueFd.h"
#include "updater/package/PackageScramble.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace lumetta {

namespace {

class FileSource final : public PackageSource {
public:
    FileSource(os::UniqueFd fd, std::uint64_t size) : fd_(std::move(fd)), size_(size) {}
    std::uint64_t size() const override { return size_; }
    bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override {
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t got = ::pread(fd_.get(), out.data() + done, out.size() - done,
                                        static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return false;
            }
            done += static_cast<std::size_t>(got);
        }
        return true;
    }

private:
    os::UniqueFd fd_;
    std::uint64_t size_;
};

// Reads length bytes at position into block when they lie within [0, end); the position may
// have run below 0 after lengths that did not fit.
bool readBlock(const PackageSource& source, std::int64_t position, std::uint32_t length,
               std::vector<std::uint8_t>& block) {
    if (position < 0) {
        return false;
    }
    block.resize(length);
    if (!source.readAt(static_cast<std::uint64_t>(position), block)) {
        block.clear();
        return false;
    }
    unscramble(block);
    return true;
}

} // namespace

PackageReadResult readFirmwarePackage(const PackageSource& source) {
    PackageReadResult result;
    const std::uint64_t size = source.size();
    std::array<std::uint8_t, PACKAGE_HEADER_SIZE> raw{};
    if (size < PACKAGE_HEADER_SIZE || !source.readAt(size - PACKAGE_HEADER_SIZE, raw)) {
        result.status = PackageStatus::CannotReadHeader;
        return result;
    }
    unscramble(raw);
    FirmwarePackage& package = result.package;
    package.header = decodePackageHeader(raw);
    if (!hasPackageMarker(package.header)) {
        result.status = PackageStatus::NoMarker;
        return result;
    }
    // Sizes far beyond any file cannot overflow: nine slots of two 32-bit lengths stay far
    // inside 63 bits.
    std::int64_t position = static_cast<std::int64_t>(size - PACKAGE_HEADER_SIZE);
    bool complete = true;
    for (int slot = IMAGE_SLOTS - 1; slot >= 0; --slot) {
        const ImageEntry& image = package.header.Images[slot];
        bool slotOk = true;
        position -= image.VersionLength;
        if (image.FirmwareLength != 0) {
            slotOk = readBlock(source, position, image.VersionLength, package.version[slot]);
        }
        position -= image.FirmwareLength;
        if (image.FirmwareLength != 0) {
            slotOk =
                readBlock(source, position, image.FirmwareLength, package.firmware[slot]) && slotOk;
        }
        result.slotComplete[slot] = slotOk;
        complete = complete && slotOk;
    }
    result.packageStart = position < 0 ? 0 : static_cast<std::uint64_t>(position);
    result.status = complete ? PackageStatus::Ok : PackageStatus::ShortBlock;
    return result;
}

PackageReadResult readFirmwarePackage(const std::filesystem::path& path) {
    os::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!fd || ::fstat(fd.get(), &info) != 0) {
        return PackageReadResult{};
    }
    // A folder or a device has no meaningful size: nothing can be read from it as a file.
    const std::uint64_t size = S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
    return readFirmwarePackage(FileSource(std::move(fd), size));
}

UserMessage packageFailureMessage(PackageStatus status) {
    switch (status) {
    case PackageStatus::CannotOpen:
        return {"Can not open Program file!\n", "", MessageIcon::None};
    case PackageStatus::NoMarker:
        return {"Fail to find firmware information!", "Error", MessageIcon::Error};
    case PackageStatus::CannotReadHeader:
    case PackageStatus::ShortBlock:
    case PackageStatus::Ok:
        break;
    }
    return {"Fail to read Program file!", "Error", MessageIcon::Error};
}

bool loadFirmwarePackage(const std::filesystem::path& path, MessageSink& messages,
                         FirmwarePackage& package) {
    PackageReadResult result = readFirmwarePackage(path);
    if (result.status != PackageStatus::Ok) {
        messages.show(packageFailureMessage(result.status));
        return false;
    }
    package = std::move(result.package);
    return true;
}

} // namespace lumetta
