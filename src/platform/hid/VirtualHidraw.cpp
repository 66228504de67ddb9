#include "platform/hid/VirtualHidraw.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>

namespace lumetta::hid {

namespace fs = std::filesystem;

namespace {

std::string hex(unsigned value, int digits, bool upper) {
    char text[16];
    std::snprintf(text, sizeof text, upper ? "%0*X" : "%0*x", digits, value);
    return text;
}

bool writeFile(const fs::path& path, const void* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out);
}

bool writeText(const fs::path& path, const std::string& text) {
    return writeFile(path, text.data(), text.size());
}

std::string ueventText(const VirtualHidrawConfig& config) {
    std::string id = hex(config.bus, 4, true) + ":" + hex(config.vendorId, 8, true) + ":" +
                     hex(config.productId, 8, true);
    return "DRIVER=hid-generic\nHID_ID=" + id + "\nHID_NAME=" + config.name +
           "\nHID_PHYS=usb-virtual-" + std::to_string(config.node) + "/input" +
           std::to_string(config.interfaceNumber) + "\nHID_UNIQ=\nMODALIAS=hid:b" +
           hex(config.bus, 4, true) + "g0001v" + hex(config.vendorId, 8, true) + "p" +
           hex(config.productId, 8, true) + "\n";
}

} // namespace

VirtualHidraw::VirtualHidraw(VirtualHidrawConfig config) : config_(std::move(config)) {}

std::unique_ptr<VirtualHidraw> VirtualHidraw::create(const VirtualHidrawConfig& config,
                                                     std::string* error) {
    std::unique_ptr<VirtualHidraw> device(new VirtualHidraw(config));
    std::string problem;
    if (!device->materialise(problem)) {
        device->unplug();
        if (error) {
            *error = problem;
        }
        return nullptr;
    }
    return device;
}

VirtualHidraw::~VirtualHidraw() {
    unplug();
}

fs::path VirtualHidraw::devicePath() const {
    return config_.root / "dev" / ("hidraw" + std::to_string(config_.node));
}

bool VirtualHidraw::materialise(std::string& error) {
    auto fail = [&](const std::string& what) {
        error = what + ": " + std::strerror(errno);
        return false;
    };
    if (config_.inputReportLength == 0 || config_.inputReportLength > 255) {
        errno = EINVAL;
        return fail("input report length must be 1 to 255");
    }
    master_.reset(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!master_ || grantpt(master_.get()) != 0 || unlockpt(master_.get()) != 0) {
        return fail("cannot open a pseudo-terminal");
    }
    char slaveName[128];
    if (ptsname_r(master_.get(), slaveName, sizeof slaveName) != 0) {
        return fail("cannot name the pseudo-terminal");
    }
    slaveHold_.reset(::open(slaveName, O_RDWR | O_NOCTTY | O_CLOEXEC));
    termios mode{};
    if (!slaveHold_ || tcgetattr(slaveHold_.get(), &mode) != 0) {
        return fail("cannot open the terminal");
    }
    cfmakeraw(&mode);
    mode.c_cc[VMIN] = static_cast<cc_t>(config_.inputReportLength);
    mode.c_cc[VTIME] = 0;
    if (tcsetattr(slaveHold_.get(), TCSANOW, &mode) != 0) {
        return fail("cannot set the terminal to raw mode");
    }

    std::string port =
        config_.usbPort.empty() ? "1-" + std::to_string(config_.node + 1) : config_.usbPort;
    usbDevice_ = config_.root / "sys/devices/virtual-usb/usb1" / port;
    usbInterface_ = usbDevice_ / (port + ":1." + std::to_string(config_.interfaceNumber));
    hidDevice_ =
        usbInterface_ / (hex(config_.bus, 4, true) + ":" + hex(config_.vendorId, 4, true) + ":" +
                         hex(config_.productId, 4, true) + "." + hex(config_.node + 1, 4, true));
    classEntry_ = config_.root / "sys/class/hidraw" / ("hidraw" + std::to_string(config_.node));
    std::error_code code;
    if (fs::exists(devicePath(), code) || fs::is_symlink(devicePath(), code) ||
        fs::exists(classEntry_, code)) {
        errno = EEXIST;
        return fail("hidraw" + std::to_string(config_.node) + " is taken");
    }
    fs::create_directories(hidDevice_, code);
    fs::create_directories(classEntry_, code);
    fs::create_directories(config_.root / "dev", code);
    if (code) {
        errno = code.value();
        return fail("cannot create the device folders");
    }
    plugged_ = true;
    const auto& descriptor = config_.reportDescriptor;
    bool written =
        writeText(usbDevice_ / "bcdDevice", hex(config_.bcdDevice, 4, false) + "\n") &&
        writeText(usbDevice_ / "idVendor", hex(config_.vendorId, 4, false) + "\n") &&
        writeText(usbDevice_ / "idProduct", hex(config_.productId, 4, false) + "\n") &&
        writeText(hidDevice_ / "uevent", ueventText(config_)) &&
        writeFile(hidDevice_ / "report_descriptor", descriptor.data(), descriptor.size());
    if (!written) {
        return fail("cannot write the device files");
    }
    fs::create_directory_symlink(fs::relative(hidDevice_, classEntry_), classEntry_ / "device",
                                 code);
    if (code) {
        errno = code.value();
        return fail("cannot link the class entry");
    }
    // The node appears last: whoever sees it finds the sysfs side complete.
    fs::create_symlink(slaveName, devicePath(), code);
    if (code) {
        errno = code.value();
        return fail("cannot create the device node");
    }
    return true;
}

void VirtualHidraw::unplug() {
    if (plugged_) {
        plugged_ = false;
        std::error_code code;
        fs::remove(devicePath(), code);
        fs::remove_all(classEntry_, code);
        fs::remove_all(usbInterface_, code);
        bool otherInterfaces = false;
        for (const auto& entry : fs::directory_iterator(usbDevice_, code)) {
            otherInterfaces = otherInterfaces || entry.is_directory();
        }
        if (!otherInterfaces) {
            fs::remove_all(usbDevice_, code);
        }
    }
    slaveHold_.reset();
    master_.reset();
}

bool VirtualHidraw::sendInput(std::span<const std::uint8_t> report) {
    std::size_t done = 0;
    while (master_ && done < report.size()) {
        ssize_t n = ::write(master_.get(), report.data() + done, report.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return master_ && done == report.size();
}

std::optional<std::vector<std::uint8_t>> VirtualHidraw::receiveOutput(std::size_t length,
                                                                      core::Duration timeout) {
    std::vector<std::uint8_t> bytes(length);
    std::size_t done = 0;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (master_ && done < length) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{master_.get(), POLLIN, 0};
        int ready = ::poll(&entry, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0 || !(entry.revents & POLLIN)) {
            return std::nullopt;
        }
        ssize_t n = ::read(master_.get(), bytes.data() + done, length - done);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n <= 0) {
            return std::nullopt;
        }
        done += static_cast<std::size_t>(n);
    }
    if (done < length) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace lumetta::hid
