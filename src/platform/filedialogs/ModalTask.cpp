#include "platform/filedialogs/ModalTask.h"

#include "platform/core/EventLoop.h"
#include "platform/core/Window.h"
#include "platform/ui/Window.h"

#include <thread>

namespace lumetta::filedialogs {

namespace {

constexpr core::MessageId kFinished = 0x0401;

// Ends the nested loop when the worker says it is done.
class FinishTarget final : public core::Window {
public:
    explicit FinishTarget(core::EventLoop& loop) : loop_(loop) {}
    ~FinishTarget() override { destroy(); }

protected:
    core::LResult handleMessage(core::MessageId id, core::WParam, core::LParam) override {
        if (id == kFinished) {
            loop_.exit(0);
        }
        return 0;
    }

private:
    core::EventLoop& loop_;
};

// Disables the owner's top-level window for the scope, when it was enabled; the owner may die
// meanwhile, so it is found again by its handle.
class OwnerDisabled {
public:
    explicit OwnerDisabled(ui::Window* owner) {
        ui::Window* top = owner != nullptr && owner->exists() ? owner->topLevel() : nullptr;
        if (top != nullptr && top->isEnabled()) {
            handle_ = top->handle();
            top->enable(false);
        }
    }
    ~OwnerDisabled() {
        if (ui::Window* top = ui::Window::fromHandle(handle_)) {
            top->enable(true);
            if (top->isVisible()) {
                top->activate();
            }
        }
    }
    OwnerDisabled(const OwnerDisabled&) = delete;
    OwnerDisabled& operator=(const OwnerDisabled&) = delete;

private:
    ui::WindowHandle handle_;
};

} // namespace

void runBeside(ui::Window* owner, const std::function<void()>& work) {
    core::EventLoop loop;
    FinishTarget finished(loop);
    OwnerDisabled disabled(owner);
    core::WindowHandle target = finished.handle();
    std::thread worker([&work, target] {
        work();
        core::postMessage(target, kFinished);
    });
    loop.run();
    worker.join();
}

} // namespace lumetta::filedialogs
