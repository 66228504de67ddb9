#pragma once

#include "platform/ui/Dialog.h"
#include "platform/ui/ProgressBar.h"
#include "skin/files/XmlDoc.h"
#include "skin/widgets/CBitmapBtn.h"
#include "updater/app/UpdaterLook.h"
#include "updater/cli/UpdaterCommandLine.h"
#include "updater/flash/UpdateFlow.h"
#include "updater/package/FirmwarePackage.h"

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>

namespace lumetta {

// The updater's window: the packaged version, the keyboard's layout and version, the update
// button and a picture progress bar, all drawn from the embedded resources. It loads the package
// from the program's own file and hands the keyboard to flash::UpdateFlow.
class CReflasherDlg : public ui::Dialog, public flash::UpdaterView {
public:
    // Private messages: a result window or message asked for inside the flow's calls is shown
    // once those calls have returned, so no modal loop runs inside the flow.
    static constexpr ui::MessageId WM_SHOW_PENDING = 17420;

    CReflasherDlg(UpdaterOptions options, std::filesystem::path programPath,
                  flash::FlashTiming timing = {});
    ~CReflasherDlg() override;

    int ExitCode = 0;
    const UpdaterOptions& options() const { return options_; }
    flash::UpdateFlow* flow() { return flow_.get(); }
    bool packageLoaded() const { return packageLoaded_; }
    CBitmapBtn* updateButton() { return ok_; }
    CBitmapBtn* closeButton() { return close_; }
    int progress() const { return progress_; }
    // Where the package's messages go; a message box unless a test records them.
    void setMessageSink(MessageSink* sink) { sink_ = sink; }
    // How the caller is started again after a successful update (tests record it).
    using Launcher =
        std::function<void(const std::filesystem::path&, const std::vector<std::string>&)>;
    void setLauncher(Launcher launcher) { launcher_ = std::move(launcher); }
    // Called with each result window before it runs (tests answer it).
    std::function<void(class CWarning&)> onResultWindow;

    // --- flash::UpdaterView ---
    void setControls(bool busy, bool keyboardReady) override;
    void setProgress(int position) override;
    void setKeyboardVersionText(const std::u16string& text) override;
    void setImageName(const std::u16string& name) override;
    void showRefused() override;
    void show(const UserMessage& message) override;

protected:
    bool onInitDialog() override;
    ui::LResult windowProc(ui::MessageId id, ui::WParam wParam, ui::LParam lParam) override;
    void paint(gfx::Painter& painter) override;
    void onCommand(int id, int code, ui::WindowHandle control) override;
    void onOk() override;
    void onCancel() override;
    void onButtonDown(ui::MouseButton button, gfx::Point p, unsigned keys) override;

private:
    void buildLook();
    CBitmapBtn* makeButton(std::u16string_view key);
    void drawTexts(gfx::Painter& painter);
    void drawProgress(gfx::Painter& painter);
    void showPending();
    void showResult(int kind);
    void startCaller();
    void exitWith(int code);

    UpdaterOptions options_;
    std::filesystem::path programPath_;
    flash::FlashTiming timing_;
    FirmwarePackage package_;
    bool packageLoaded_ = false;
    std::unique_ptr<flash::UpdateFlow> flow_;
    MessageSink* sink_ = nullptr;
    Launcher launcher_;

    XmlDoc layout_;
    gfx::Surface background_, over_, disabled_;
    gfx::Surface barBackground_, barFill_, barIcon_;
    gfx::Point barOrigin_;
    TextPlace layoutText_, versionText_, keyboardText_;
    std::string fontFace_;
    int fontHeight_ = 21;
    CBitmapBtn* close_ = nullptr;
    CBitmapBtn* ok_ = nullptr;
    CBitmapBtn* cancel_ = nullptr;
    ui::ProgressBar* progressBar_ = nullptr;

    std::u16string imageName_;
    std::u16string keyboardVersion_;
    int progress_ = 0;
    bool busy_ = false;
    // Messages and result windows waiting to be shown, in order; 0 stands for the refusal.
    std::deque<std::optional<UserMessage>> pending_;
};

} // namespace lumetta
