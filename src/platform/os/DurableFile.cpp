#include "platform/os/DurableFile.h"

#include "platform/os/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <optional>
#include <set>
#include <string>

namespace lumetta::os {

namespace fs = std::filesystem;

namespace {

std::atomic<bool> unnamedAllowed{true};

std::error_code lastError() {
    return {errno, std::generic_category()};
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

std::string uniqueSuffix() {
    static std::atomic<unsigned> counter{0};
    return std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
}

// The file that a replacement really changes: a symbolic link is followed to its target.
fs::path resolveTarget(const fs::path& path) {
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(path, error))) {
        fs::path target = fs::weakly_canonical(path, error);
        if (!error) {
            return target;
        }
    }
    return path;
}

fs::path folderOf(const fs::path& path) {
    fs::path folder = path.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

// A new content written and flushed under a temporary name beside its target, waiting to be
// renamed over it. Removed again unless committed.
class PendingFile {
public:
    PendingFile() = default;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    PendingFile(PendingFile&& other) noexcept
        : target_(std::move(other.target_)), temp_(std::move(other.temp_)) {
        other.temp_.clear();
    }
    ~PendingFile() {
        if (!temp_.empty()) {
            ::unlink(temp_.c_str());
        }
    }

    std::error_code prepare(const fs::path& target, std::span<const std::uint8_t> bytes) {
        target_ = target;
        const fs::path folder = folderOf(target);
        // An unnamed file vanishes by itself if the process dies before it gets its name, so a
        // crash while writing leaves nothing behind; not every file system offers it.
        UniqueFd fd;
        if (unnamedAllowed.load()) {
            fd.reset(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
        }
        const bool unnamed = fd.valid();
        fs::path temp = folder / ("." + target.filename().string() + ".tmp-" + uniqueSuffix());
        if (!unnamed) {
            fd.reset(::open(temp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666));
            if (!fd) {
                return lastError();
            }
            temp_ = temp;
        }
        struct stat old {};
        if (::stat(target.c_str(), &old) == 0 && ::fchmod(fd.get(), old.st_mode & 07777) != 0) {
            return lastError();
        }
        if (!writeAll(fd.get(), bytes) || ::fsync(fd.get()) != 0) {
            return lastError();
        }
        if (unnamed) {
            const std::string self = "/proc/self/fd/" + std::to_string(fd.get());
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) != 0) {
                return lastError();
            }
            temp_ = temp;
        }
        return {};
    }

    std::error_code commit() {
        if (::rename(temp_.c_str(), target_.c_str()) != 0) {
            return lastError();
        }
        temp_.clear();
        return {};
    }

    const fs::path& target() const { return target_; }

private:
    fs::path target_;
    fs::path temp_;
};

std::error_code syncFolder(const fs::path& folder) {
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd || ::fsync(fd.get()) != 0) {
        return lastError();
    }
    return {};
}

} // namespace

void setUnnamedTemporaryFiles(bool allowed) {
    unnamedAllowed.store(allowed);
}

FileContent readFileLimited(const fs::path& path, std::size_t limit) {
    FileContent result;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        result.error = lastError();
        result.status =
            errno == ENOENT ? FileContent::Status::Missing : FileContent::Status::Failed;
        return result;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        result.error = std::make_error_code(std::errc::invalid_argument);
        return result;
    }
    if (static_cast<std::uint64_t>(info.st_size) > limit) {
        result.status = FileContent::Status::TooLarge;
        return result;
    }
    // The file may grow while it is read: one byte more than the limit is enough to tell.
    result.bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
    std::size_t done = 0;
    while (true) {
        if (done == result.bytes.size()) {
            if (done > limit) {
                result.bytes.clear();
                result.status = FileContent::Status::TooLarge;
                return result;
            }
            result.bytes.resize(std::min(limit + 1, done * 2 + 1));
        }
        const ssize_t got =
            ::read(fd.get(), result.bytes.data() + done, result.bytes.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            result.error = lastError();
            result.bytes.clear();
            return result;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    result.bytes.resize(done);
    result.status = FileContent::Status::Ok;
    return result;
}

std::error_code replaceFileDurably(const fs::path& path, std::span<const std::uint8_t> bytes) {
    const FileReplacement one{path, bytes};
    return replaceFilesDurably(std::span(&one, 1));
}

std::error_code replaceFilesDurably(std::span<const FileReplacement> files) {
    std::vector<PendingFile> pending(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (auto error = pending[i].prepare(resolveTarget(files[i].path), files[i].bytes)) {
            return error;
        }
    }
    std::set<fs::path> folders;
    std::error_code firstError;
    for (auto& file : pending) {
        if (auto error = file.commit(); error && !firstError) {
            firstError = error;
        } else if (!error) {
            folders.insert(folderOf(file.target()));
        }
    }
    for (const auto& folder : folders) {
        if (auto error = syncFolder(folder); error && !firstError) {
            firstError = error;
        }
    }
    return firstError;
}

} // namespace lumetta::os
