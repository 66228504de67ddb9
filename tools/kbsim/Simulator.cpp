#include "kbsim/Simulator.h"

#include "kbsim/ControlCommand.h"
#include "kbsim/ReportDescriptors.h"
#include "kbsim/StateFile.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/timerfd.h>
#include <sys/un.h>
#include <unistd.h>

namespace lumetta::kbsim {

namespace {

namespace fs = std::filesystem;
using Clock = KeyboardDevice::Clock;

// The host writes the report id (0: the interface has unnumbered reports) before each report.
constexpr std::size_t OUTPUT_FRAME = 1 + REPORT_SIZE;
constexpr std::size_t MAX_CONTROL_LINE = 4096;
constexpr std::chrono::milliseconds INCOMPLETE_FRAME_LIMIT{50};

std::string systemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

void setNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

sockaddr_un socketAddress(const fs::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    return address;
}

// The lowest hidraw number free under the root, as the kernel hands out minors.
unsigned freeNode(const fs::path& root, unsigned from) {
    std::error_code code;
    for (unsigned n = from;; ++n) {
        const std::string name = "hidraw" + std::to_string(n);
        if (!fs::exists(root / "dev" / name, code) && !fs::is_symlink(root / "dev" / name, code) &&
            !fs::exists(root / "sys/class/hidraw" / name, code)) {
            return n;
        }
    }
}

} // namespace

Simulator::Simulator(CommandLine options) : options_(std::move(options)) {}

Simulator::~Simulator() {
    shutDown();
}

int Simulator::run() {
    if (std::string error = setUp(); !error.empty()) {
        std::cerr << "lumetta-kbsim: " << error << "\n";
        shutDown();
        return 1;
    }
    loop();
    shutDown();
    return 0;
}

std::string Simulator::setUp() {
    std::error_code code;
    fs::create_directories(options_.root, code);
    if (code) {
        return "cannot create " + options_.root.string() + ": " + code.message();
    }
    if (std::string error = loadState(); !error.empty()) {
        return error;
    }
    if (std::string error = log_.open(options_.logFile); !error.empty()) {
        return error;
    }
    if (std::string error = prepareControlSocket(); !error.empty()) {
        return error;
    }
    // Answers are due on whole milliseconds; the default timer slack would make them late.
    ::prctl(PR_SET_TIMERSLACK, 1UL);
    ::signal(SIGPIPE, SIG_IGN);
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGHUP);
    ::sigprocmask(SIG_BLOCK, &mask, nullptr);
    signals_.reset(::signalfd(-1, &mask, SFD_NONBLOCK | SFD_CLOEXEC));
    timer_.reset(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC));
    if (!signals_ || !timer_) {
        return systemError("cannot set up signals and timer");
    }
    device_->powerOn(Clock::now());
    runDue();
    if (!device_->attached()) {
        return "the keyboard could not be materialised under " + options_.root.string();
    }
    // The socket appears once the keyboard is in place, so that whoever waits for it finds both.
    return listenOnControlSocket();
}

std::string Simulator::loadState() {
    StateParseResult loaded = loadStateFile(options_.stateFile);
    if (!loaded.error.empty()) {
        return loaded.error + " (fix or remove the state file)";
    }
    if (!loaded.state) {
        device_ =
            std::make_unique<KeyboardDevice>(factoryState(options_.layout.value_or(Layout::US)));
        return {};
    }
    if (options_.layout && static_cast<std::uint16_t>(*options_.layout) != loaded.state->layoutId) {
        return options_.stateFile.string() + " holds a keyboard with layout \"" +
               std::string(layoutName(loaded.state->layoutId)) +
               "\"; leave out --layout or use another state file";
    }
    device_ = std::make_unique<KeyboardDevice>(std::move(*loaded.state));
    return {};
}

std::string Simulator::prepareControlSocket() {
    const sockaddr_un address = socketAddress(options_.controlSocket);
    std::error_code code;
    if (!fs::exists(options_.controlSocket, code)) {
        return {};
    }
    hid::UniqueFd probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (probe &&
        ::connect(probe.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        return "another simulator is running on " + options_.controlSocket.string();
    }
    // Left behind by a simulator that was killed.
    fs::remove(options_.controlSocket, code);
    return {};
}

std::string Simulator::listenOnControlSocket() {
    listener_.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    const sockaddr_un address = socketAddress(options_.controlSocket);
    if (!listener_ ||
        ::bind(listener_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return systemError("cannot bind " + options_.controlSocket.string());
    }
    socketBound_ = true;
    if (::listen(listener_.get(), 8) != 0) {
        return systemError("cannot listen on " + options_.controlSocket.string());
    }
    return {};
}

void Simulator::loop() {
    while (!stopping_) {
        std::vector<pollfd> fds;
        fds.push_back({signals_.get(), POLLIN, 0});
        fds.push_back({timer_.get(), POLLIN, 0});
        fds.push_back({listener_.get(), POLLIN, 0});
        fds.push_back({commandNode_ ? commandNode_->masterFd() : -1, POLLIN, 0});
        fds.push_back({bootNode_ ? bootNode_->masterFd() : -1, POLLIN, 0});
        for (const auto& client : clients_) {
            const short wanted = client->output.empty() ? POLLIN : short(POLLIN | POLLOUT);
            fds.push_back({client->fd.get(), wanted, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::cerr << "lumetta-kbsim: " << systemError("poll") << "\n";
            return;
        }
        if (fds[0].revents) {
            signalfd_siginfo info;
            [[maybe_unused]] auto n = ::read(signals_.get(), &info, sizeof info);
            stopping_ = true;
        }
        if (fds[1].revents) {
            std::uint64_t expirations;
            [[maybe_unused]] auto n = ::read(timer_.get(), &expirations, sizeof expirations);
        }
        if (fds[3].revents) {
            readCommandInterface();
        }
        if (fds[4].revents) {
            drainBootKeyboard();
        }
        for (std::size_t i = 0; i < clients_.size(); ++i) {
            if (fds[5 + i].revents) {
                serveClient(*clients_[i], fds[5 + i].revents);
            }
        }
        std::erase_if(clients_, [](const auto& c) { return c->closing && c->output.empty(); });
        if (fds[2].revents) {
            acceptClients();
        }
        runDue();
    }
}

void Simulator::shutDown() {
    detach();
    if (device_ && device_->dirty()) {
        save();
    }
    clients_.clear();
    listener_.reset();
    if (socketBound_) {
        std::error_code code;
        fs::remove(options_.controlSocket, code);
        socketBound_ = false;
    }
}

void Simulator::runDue() {
    for (;;) {
        const auto now = Clock::now();
        auto actions = device_->takeDue(now);
        if (actions.empty()) {
            break;
        }
        for (auto& action : actions) {
            carryOut(action, now);
        }
    }
    armTimer();
}

void Simulator::armTimer() {
    itimerspec deadline{};
    if (const auto due = device_->nextDue()) {
        const auto ns =
            std::chrono::duration_cast<std::chrono::nanoseconds>(due->time_since_epoch()).count();
        // Zero would disarm the timer; a due time in the past fires at once.
        deadline.it_value.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
        deadline.it_value.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        if (deadline.it_value.tv_sec == 0 && deadline.it_value.tv_nsec == 0) {
            deadline.it_value.tv_nsec = 1;
        }
    }
    ::timerfd_settime(timer_.get(), TFD_TIMER_ABSTIME, &deadline, nullptr);
}

void Simulator::carryOut(DeviceAction& action, KeyboardDevice::TimePoint now) {
    switch (action.kind) {
    case DeviceAction::Kind::SEND:
        if (commandNode_ && commandNode_->sendInput(action.report)) {
            log_.write(formatReportLine(Clock::now(), LOG_IN, action.report));
        } else {
            log_.write(formatLogLine(now, LOG_NOTE, "input report could not be delivered"));
        }
        break;
    case DeviceAction::Kind::ATTACH:
        if (std::string error = attach(action); !error.empty()) {
            std::cerr << "lumetta-kbsim: " << error << "\n";
            log_.write(formatLogLine(now, LOG_NOTE, "could not plug in: " + error));
            device_->unplug(now);
        }
        break;
    case DeviceAction::Kind::DETACH:
        detach();
        log_.write(formatLogLine(now, LOG_NOTE, "unplugged"));
        break;
    case DeviceAction::Kind::SAVE:
        save();
        break;
    case DeviceAction::Kind::NOTE:
        log_.write(formatLogLine(now, LOG_NOTE, action.note));
        break;
    }
}

std::string Simulator::attach(const DeviceAction& action) {
    detach();
    const KeyboardState& state = device_->state();
    hid::VirtualHidrawConfig config;
    config.root = options_.root;
    config.vendorId = VENDOR_ID;
    config.productId = action.productId;
    config.bcdDevice = state.bcdDevice;
    std::string error;
    const unsigned first = freeNode(options_.root, 0);
    config.usbPort = "1-" + std::to_string(first + 1);
    // A bootloader is no keyboard: it shows only the command interface.
    if (!action.bootloader) {
        config.node = first;
        config.name = "Lumetta Simulated Keyboard";
        config.reportDescriptor = bootKeyboardDescriptor();
        config.inputReportLength = BOOT_KEYBOARD_INPUT_SIZE;
        config.interfaceNumber = 0;
        bootNode_ = hid::VirtualHidraw::create(config, &error);
        if (!bootNode_) {
            return error;
        }
        setNonBlocking(bootNode_->masterFd());
    }
    config.node = freeNode(options_.root, first);
    config.name = action.bootloader ? "Lumetta Simulated Keyboard Bootloader"
                                    : "Lumetta Simulated Keyboard Control";
    config.reportDescriptor = commandInterfaceDescriptor();
    config.inputReportLength = REPORT_SIZE;
    config.interfaceNumber = 1;
    commandNode_ = hid::VirtualHidraw::create(config, &error);
    if (!commandNode_) {
        bootNode_.reset();
        return error;
    }
    setNonBlocking(commandNode_->masterFd());
    received_.clear();
    char text[96];
    std::snprintf(text, sizeof text, "plugged in as %04x:%04x at %s", VENDOR_ID, action.productId,
                  commandNode_->devicePath().c_str());
    log_.write(formatLogLine(Clock::now(), LOG_NOTE, text));
    return {};
}

void Simulator::detach() {
    // The command interface goes first, as the host's filter only watches that one.
    commandNode_.reset();
    bootNode_.reset();
    received_.clear();
}

void Simulator::save() {
    if (std::string error = saveStateFile(options_.stateFile, device_->state()); !error.empty()) {
        std::cerr << "lumetta-kbsim: " << error << "\n";
    }
}

void Simulator::readCommandInterface() {
    std::uint8_t buffer[4096];
    const ssize_t n = ::read(commandNode_->masterFd(), buffer, sizeof buffer);
    if (n <= 0) {
        return;
    }
    const auto now = Clock::now();
    // Each write of the host is one whole report; bytes that waited this long for the rest of
    // theirs came from a short write and would shift every later report.
    if (!received_.empty() && now - lastReceived_ > INCOMPLETE_FRAME_LIMIT) {
        log_.write(formatLogLine(now, LOG_NOTE,
                                 std::to_string(received_.size()) +
                                     " bytes of an incomplete report discarded"));
        received_.clear();
    }
    lastReceived_ = now;
    received_.insert(received_.end(), buffer, buffer + n);
    std::size_t used = 0;
    for (; received_.size() - used >= OUTPUT_FRAME; used += OUTPUT_FRAME) {
        const std::uint8_t* frame = received_.data() + used;
        Report report;
        std::copy(frame + 1, frame + OUTPUT_FRAME, report.begin());
        log_.write(formatReportLine(now, LOG_OUT, report));
        if (frame[0] != 0) {
            log_.write(formatLogLine(now, LOG_NOTE, "report id is not 0, ignored"));
            continue;
        }
        device_->receive(now, report);
        // An answer must not wait for the rest of a long read.
        runDue();
        if (!commandNode_) {
            break;
        }
    }
    if (used >= received_.size() || !commandNode_) {
        received_.clear();
    } else {
        received_.erase(received_.begin(), received_.begin() + used);
    }
}

void Simulator::drainBootKeyboard() {
    // LED reports to the boot keyboard change nothing here.
    std::uint8_t buffer[256];
    while (::read(bootNode_->masterFd(), buffer, sizeof buffer) > 0) {
    }
}

void Simulator::acceptClients() {
    for (;;) {
        const int fd = ::accept4(listener_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            return;
        }
        auto client = std::make_unique<Client>();
        client->fd.reset(fd);
        clients_.push_back(std::move(client));
    }
}

void Simulator::serveClient(Client& client, short events) {
    if (events & POLLOUT) {
        flushClient(client);
    }
    if (!(events & (POLLIN | POLLHUP | POLLERR))) {
        return;
    }
    char buffer[1024];
    const ssize_t n = ::read(client.fd.get(), buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        return;
    }
    if (n <= 0) {
        client.closing = true;
        // A last command without its newline still counts.
        if (!client.input.empty() && client.input.back() != '\n') {
            client.input += '\n';
        }
    } else {
        client.input.append(buffer, static_cast<std::size_t>(n));
    }
    for (std::size_t end; (end = client.input.find('\n')) != std::string::npos;) {
        const std::string line = client.input.substr(0, end);
        client.input.erase(0, end + 1);
        const ControlReply reply = executeControl(*device_, line, Clock::now());
        // Carry the command out before answering: after "ok" for unplug the node is gone.
        runDue();
        client.output += reply.text();
    }
    if (client.input.size() > MAX_CONTROL_LINE) {
        client.output += "error: line too long\n";
        client.closing = true;
    }
    flushClient(client);
}

void Simulator::flushClient(Client& client) {
    while (!client.output.empty()) {
        const ssize_t n = ::write(client.fd.get(), client.output.data(), client.output.size());
        if (n <= 0) {
            if (n < 0 && errno == EAGAIN) {
                return;
            }
            client.output.clear();
            client.closing = true;
            return;
        }
        client.output.erase(0, static_cast<std::size_t>(n));
    }
}

} // namespace lumetta::kbsim
