#pragma once

#include "kbsim/CommandLine.h"
#include "kbsim/KeyboardDevice.h"
#include "kbsim/ReportLog.h"
#include "platform/hid/UniqueFd.h"
#include "platform/hid/VirtualHidraw.h"

#include <memory>
#include <string>
#include <vector>

namespace lumetta::kbsim {

// The running simulator: puts a KeyboardDevice behind virtual hidraw nodes, keeps its clock,
// log, state file and control socket. One thread; everything waits in one poll.
class Simulator {
public:
    explicit Simulator(CommandLine options);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Runs until SIGINT or SIGTERM; returns the exit code.
    int run();

private:
    struct Client {
        hid::UniqueFd fd;
        std::string input;
        std::string output;
        bool closing = false;
    };

    std::string setUp();
    std::string loadState();
    std::string prepareControlSocket();
    std::string listenOnControlSocket();
    void loop();
    void shutDown();

    void runDue();
    void armTimer();
    void carryOut(DeviceAction& action, KeyboardDevice::TimePoint now);
    std::string attach(const DeviceAction& action);
    void detach();
    void save();

    void readCommandInterface();
    void drainBootKeyboard();
    void acceptClients();
    void serveClient(Client& client, short events);
    void flushClient(Client& client);

    CommandLine options_;
    std::unique_ptr<KeyboardDevice> device_;
    ReportLog log_;
    std::unique_ptr<hid::VirtualHidraw> bootNode_;
    std::unique_ptr<hid::VirtualHidraw> commandNode_;
    std::vector<std::uint8_t> received_;
    KeyboardDevice::TimePoint lastReceived_{};
    hid::UniqueFd timer_;
    hid::UniqueFd signals_;
    hid::UniqueFd listener_;
    std::vector<std::unique_ptr<Client>> clients_;
    bool stopping_ = false;
    bool socketBound_ = false;
};

} // namespace lumetta::kbsim
