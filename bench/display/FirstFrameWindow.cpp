// A 1366 x 768 window of the user-interface layer on the display LUMETTA_DISPLAY chooses. It
// prints "presented" once its first frame is on the screen and ends, or with --stay keeps
// showing it with nothing to do (no timer) until it is stopped.
#include "platform/core/EventLoop.h"
#include "platform/display/OpenDisplay.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/Window.h"

#include <cstdio>
#include <cstring>

namespace {

using namespace lumetta;

constexpr ui::MessageId kPresented = 0x0401;

class FirstFrameWindow final : public ui::Window {
public:
    FirstFrameWindow(core::EventLoop& loop, bool stay) : loop_(loop), stay_(stay) {}

protected:
    // The frame goes to the screen right after painting; the message is handled after that.
    void paint(gfx::Painter& painter) override {
        ui::Window::paint(painter);
        if (!painted_) {
            painted_ = true;
            post(kPresented);
        }
    }

    ui::LResult windowProc(ui::MessageId id, ui::WParam wParam, ui::LParam lParam) override {
        if (id != kPresented) {
            return ui::Window::windowProc(id, wParam, lParam);
        }
        std::puts("presented");
        std::fflush(stdout);
        if (!stay_) {
            loop_.exit(0);
        }
        return 0;
    }

private:
    core::EventLoop& loop_;
    bool stay_;
    bool painted_ = false;
};

} // namespace

int main(int argc, char** argv) {
    bool stay = argc > 1 && std::strcmp(argv[1], "--stay") == 0;
    ui::Desktop desktop(display::openDisplay());
    core::EventLoop loop;
    FirstFrameWindow window(loop, stay);
    ui::CreateParams params;
    params.rect = gfx::Rect::fromSize(0, 0, 1366, 768);
    params.title = "first frame";
    if (!window.create(params)) {
        return 1;
    }
    window.setBackground(gfx::sysColor(0x30, 0x60, 0xA0));
    window.show();
    int code = loop.run();
    window.destroyWindow();
    return code;
}
