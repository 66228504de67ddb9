#include "platform/os/DurableFile.h"

#include "platform/os/UniqueFd.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <future>
#include <memory>
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

std::string tempPrefix(const fs::path& target) {
    return "." + target.filename().string() + ".tmp-";
}

// A process killed between naming its new content and the rename leaves the temporary file
// behind. Such files of a target whose writer no longer exists are removed before the next
// replacement of that target; files of live writers are never touched.
void removeStaleTemporaries(const fs::path& folder, const fs::path& target) {
    const std::string prefix = tempPrefix(target);
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        const std::string rest = name.substr(prefix.size());
        const auto dash = rest.find('-');
        if (dash == 0 || dash == std::string::npos ||
            rest.find_first_not_of("0123456789-") != std::string::npos) {
            continue;
        }
        long pid = 0;
        const auto parsed = std::from_chars(rest.data(), rest.data() + dash, pid);
        if (parsed.ec == std::errc() && pid > 0 && pid <= INT32_MAX && pid != ::getpid() &&
            ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            ::unlink(it->path().c_str());
        }
    }
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
    PendingFile(PendingFile&&) = delete;
    ~PendingFile() {
        if (!temp_.empty() && !unnamed_) {
            ::unlink(temp_.c_str());
        }
    }

    // Writes the new content into a file of its own beside the target; not yet flushed.
    std::error_code prepare(const fs::path& target, std::span<const std::uint8_t> bytes) {
        target_ = target;
        const fs::path folder = folderOf(target);
        // An unnamed file vanishes by itself if the process dies before it gets its name, so a
        // crash while writing leaves nothing behind; not every file system offers it.
        if (unnamedAllowed.load()) {
            fd_.reset(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
        }
        removeStaleTemporaries(folder, target);
        temp_ = folder / (tempPrefix(target) + uniqueSuffix());
        unnamed_ = fd_.valid();
        if (!unnamed_) {
            fd_.reset(::open(temp_.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666));
            if (!fd_) {
                temp_.clear();
                return lastError();
            }
        }
        struct stat old {};
        if (::stat(target.c_str(), &old) == 0 && ::fchmod(fd_.get(), old.st_mode & 07777) != 0) {
            return lastError();
        }
        if (!writeAll(fd_.get(), bytes)) {
            return lastError();
        }
        return {};
    }

    std::error_code flush() { return ::fsync(fd_.get()) == 0 ? std::error_code() : lastError(); }

    // Gives an unnamed file its temporary name, ready for the rename.
    std::error_code name() {
        if (!unnamed_) {
            return {};
        }
        const std::string self = "/proc/self/fd/" + std::to_string(fd_.get());
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp_.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            const std::error_code error = lastError();
            temp_.clear();
            return error;
        }
        unnamed_ = false;
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
    UniqueFd fd_;
    bool unnamed_ = false;
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
    std::vector<std::unique_ptr<PendingFile>> pending;
    for (const auto& file : files) {
        pending.push_back(std::make_unique<PendingFile>());
        if (auto error = pending.back()->prepare(resolveTarget(file.path), file.bytes)) {
            return error;
        }
    }
    // Flushes of several files run side by side: the file system can then commit them together
    // instead of one after another.
    std::vector<std::future<std::error_code>> flushes;
    std::error_code firstError;
    for (std::size_t i = 1; i < pending.size(); ++i) {
        try {
            flushes.push_back(
                std::async(std::launch::async, [&file = *pending[i]] { return file.flush(); }));
        } catch (const std::system_error&) {
            // No thread to be had: flush here instead.
            if (auto error = pending[i]->flush(); error && !firstError) {
                firstError = error;
            }
        }
    }
    if (auto error = pending.empty() ? std::error_code() : pending[0]->flush();
        error && !firstError) {
        firstError = error;
    }
    for (auto& flush : flushes) {
        if (auto error = flush.get(); error && !firstError) {
            firstError = error;
        }
    }
    if (firstError) {
        return firstError;
    }
    // Naming and renaming one file after the other keeps at most one named temporary file in
    // existence at any moment.
    std::set<fs::path> folders;
    for (auto& file : pending) {
        std::error_code error = file->name();
        if (!error) {
            error = file->commit();
        }
        if (error && !firstError) {
            firstError = error;
        } else if (!error) {
            folders.insert(folderOf(file->target()));
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
