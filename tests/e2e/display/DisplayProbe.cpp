// A small program of the test suite: one window of the user-interface layer with a push button
// and an edit field, cut to a shape and moved by dragging its body, and a translucent keyed
// overlay above it, on whatever display LUMETTA_DISPLAY chooses. It reports on standard output,
// one line each:
//   ready <x> <y> <width> <height> <button x> <button y> <edit x> <edit y> <overlay x> <overlay y>
//   clicked <count> | text <edit text> | at <x> <y> <width> <height> | answered <code>
//   | chosen <path> | cancelled
// and takes commands on standard input: "where" (answered with "at ..."), "message" (a message
// box, "answered" once it is closed), "save <folder>" (the built-in save dialog starting there,
// "chosen" or "cancelled"), "quit" (or the end of the input).
#include "platform/core/EventLoop.h"
#include "platform/display/OpenDisplay.h"
#include "platform/filedialogs/FileDialog.h"
#include "platform/gfx/Painter.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/EditField.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/PushButton.h"
#include "platform/ui/Window.h"

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

namespace {

using namespace lumetta;
using gfx::Point;
using gfx::Rect;

constexpr int kButtonId = 1;
constexpr int kEditId = 2;
constexpr ui::MessageId kWhere = 0x0401;
constexpr ui::MessageId kQuit = 0x0402;
constexpr ui::MessageId kMessage = 0x0403;
constexpr ui::MessageId kSave = 0x0404;

// The folder of the latest "save" command, handed from the reading thread.
std::mutex saveMutex;
std::string saveFolder;
constexpr int kCorner = 24;

// Colours the test looks for in screenshots.
constexpr gfx::SysColor kBody = gfx::sysColor(0x30, 0x60, 0xA0);
constexpr gfx::SysColor kOverlay = gfx::sysColor(0xE0, 0x20, 0x20);
constexpr gfx::SysColor kKey = gfx::sysColor(0x20, 0xC0, 0x40);
constexpr std::uint8_t kOverlayAlpha = 128;

void say(const std::string& line) {
    std::cout << line << std::endl;
}

class ProbeWindow final : public ui::Window {
public:
    explicit ProbeWindow(core::EventLoop& loop) : loop_(loop) {}

    bool open(Rect rect) {
        ui::CreateParams params;
        params.rect = rect;
        params.title = "Lumetta display probe";
        if (!create(params)) {
            return false;
        }
        setBackground(kBody);
        gfx::Region shape(clientRect());
        for (Point c :
             {Point{0, 0}, Point{rect.width() - kCorner, 0}, Point{0, rect.height() - kCorner},
              Point{rect.width() - kCorner, rect.height() - kCorner}}) {
            shape.subtract(Rect::fromSize(c.x, c.y, kCorner, kCorner));
        }
        setRegion(shape);
        button.create(*this, Rect::fromSize(30, 30, 120, 32), kButtonId, "Press");
        edit.create(*this, Rect::fromSize(30, 90, 240, 28), kEditId);
        return true;
    }

    ui::PushButton button;
    ui::EditField edit;

protected:
    void onCommand(int id, int code, ui::WindowHandle) override {
        if (id == kButtonId && code == ui::notify::Clicked) {
            say("clicked " + std::to_string(++clicks_));
        } else if (id == kEditId && code == ui::notify::EditChange) {
            say("text " + edit.text());
        }
    }

    // A press on the body that no control takes moves the window, as skinned dialogs do.
    void onButtonDown(ui::MouseButton button, Point p, unsigned) override {
        if (button == ui::MouseButton::Left) {
            post(ui::msg::NcLButtonDown, ui::kHitCaption, ui::packPoint(clientToScreen(p)));
        }
    }

    ui::LResult windowProc(ui::MessageId id, ui::WParam wParam, ui::LParam lParam) override {
        if (id == kWhere) {
            Rect r = rect();
            say("at " + std::to_string(r.left) + " " + std::to_string(r.top) + " " +
                std::to_string(r.width()) + " " + std::to_string(r.height()));
            return 0;
        }
        if (id == kQuit) {
            loop_.exit(0);
            return 0;
        }
        if (id == kMessage) {
            int code = ui::messageBox(this, "The keyboard is ready.", "Lumetta probe message");
            say("answered " + std::to_string(code));
            return 0;
        }
        if (id == kSave) {
            save();
            return 0;
        }
        return ui::Window::windowProc(id, wParam, lParam);
    }

    void onClose() override { loop_.exit(0); }

    void save() {
        filedialogs::FileDialogRequest request;
        request.kind = filedialogs::FileDialogRequest::Kind::Save;
        request.title = "Lumetta probe export";
        {
            std::lock_guard lock(saveMutex);
            request.folder = saveFolder;
        }
        request.proposedName = "Profile 1";
        request.defaultExtension = ".Prf";
        request.filters = filedialogs::parseFilterString("Profile File(*.Prf)|*.Prf|");
        auto chosen = filedialogs::runFileDialog(request, this, filedialogs::Chooser::BuiltIn);
        say(chosen ? "chosen " + chosen->string() : std::string("cancelled"));
    }

private:
    core::EventLoop& loop_;
    int clicks_ = 0;
};

// Translucent red with a hole of the key colour in its middle: the window below shows through
// both, mixed in the red and unchanged in the hole.
class Overlay final : public ui::Window {
public:
    bool open(ui::Window& owner, Rect rect) {
        ui::CreateParams params;
        params.owner = &owner;
        params.rect = rect;
        params.title = "Lumetta display probe overlay";
        params.popup = true;
        if (!create(params)) {
            return false;
        }
        setLayered(kOverlayAlpha, kKey);
        return true;
    }

protected:
    void paint(gfx::Painter& painter) override {
        painter.fill(clientRect(), kOverlay);
        Rect hole = Rect::fromSize(size().width / 4, size().height / 4, size().width / 2,
                                   size().height / 2);
        painter.fill(hole, kKey);
    }
};

// Reads commands from standard input and posts them to the window; stops at the end of the
// input, on "quit", or when told to.
void readCommands(ui::WindowHandle target, const std::atomic<bool>& stop) {
    std::string buffer;
    while (!stop) {
        pollfd p{0, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) {
            continue;
        }
        char chunk[256];
        ssize_t n = read(0, chunk, sizeof chunk);
        if (n <= 0) {
            break;
        }
        buffer.append(chunk, std::size_t(n));
        for (auto end = buffer.find('\n'); end != std::string::npos; end = buffer.find('\n')) {
            std::string line = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            if (line == "quit") {
                core::postMessage(target, kQuit);
                return;
            }
            if (line == "where") {
                core::postMessage(target, kWhere);
            } else if (line == "message") {
                core::postMessage(target, kMessage);
            } else if (line.rfind("save ", 0) == 0) {
                {
                    std::lock_guard lock(saveMutex);
                    saveFolder = line.substr(5);
                }
                core::postMessage(target, kSave);
            }
        }
    }
    core::postMessage(target, kQuit);
}

std::string center(const ui::Window& w) {
    Point c = w.clientToScreen({w.size().width / 2, w.size().height / 2});
    return std::to_string(c.x) + " " + std::to_string(c.y);
}

} // namespace

int main() {
    ui::Desktop desktop(display::openDisplay());
    core::EventLoop loop;
    ProbeWindow window(loop);
    Overlay overlay;
    if (!window.open(Rect::fromSize(100, 80, 400, 300)) ||
        !overlay.open(window, Rect::fromSize(380, 260, 100, 100))) {
        std::cerr << "display probe: cannot create its windows\n";
        return 1;
    }
    window.show();
    overlay.show();
    desktop.paintPending();

    std::atomic<bool> stop{false};
    std::thread commands(readCommands, window.handle(), std::cref(stop));

    Rect r = window.rect();
    Rect o = overlay.rect();
    say("ready " + std::to_string(r.left) + " " + std::to_string(r.top) + " " +
        std::to_string(r.width()) + " " + std::to_string(r.height()) + " " + center(window.button) +
        " " + center(window.edit) + " " + std::to_string(o.left) + " " + std::to_string(o.top));
    int code = loop.run();
    stop = true;
    commands.join();
    overlay.destroyWindow();
    window.destroyWindow();
    return code;
}
