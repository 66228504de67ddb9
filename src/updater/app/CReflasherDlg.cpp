#include "updater/app/CReflasherDlg.h"

#include "device/channel/HidlinkApi.h"
#include "platform/gfx/Painter.h"
#include "platform/os/ProcessLauncher.h"
#include "platform/ui/MessageBox.h"
#include "skin/files/SkinLookup.h"
#include "skin/files/Utf16Text.h"
#include "skin/widgets/CreateSkinButton.h"
#include "updater/app/CWarning.h"
#include "updater/app/DialogMessageSink.h"
#include "updater/flash/UpdaterMessages.h"
#include "updater/resources/UpdaterResources.h"

namespace lumetta {

namespace {

std::string headerText(std::span<const char16_t> field) {
    return Utf16ToUtf8(fieldText(field));
}

} // namespace

CReflasherDlg::CReflasherDlg(UpdaterOptions options, std::filesystem::path programPath,
                             flash::FlashTiming timing)
    : ui::Dialog(ui::templates::Updater), options_(std::move(options)),
      programPath_(std::move(programPath)), timing_(std::move(timing)) {}

CReflasherDlg::~CReflasherDlg() {
    // The flow waits for a flash under way and posts nothing after it has gone.
    flow_.reset();
    destroyWindow();
}

bool CReflasherDlg::onInitDialog() {
    StderrMessageSink toStandardError;
    DialogMessageSink toMessageBox(this);
    MessageSink& messages = sink_             ? *sink_
                            : options_.Silent ? static_cast<MessageSink&>(toStandardError)
                                              : toMessageBox;
    packageLoaded_ = loadFirmwarePackage(programPath_, messages, package_);
    if (!packageLoaded_) {
        // A silent run that cannot read its own package has nothing it could install.
        if (options_.Silent) {
            ExitCode = UPDATER_EXIT_NO_IMAGE;
        }
        post(ui::msg::Close);
        resize({1, 1});
        return true;
    }
    buildLook();
    setTitle(headerText(package_.header.Title));
    setItemText(ui::updaterItem::Text1, headerText(package_.header.Text1));
    setItemText(ui::updaterItem::Text2, headerText(package_.header.Text2));
    setItemText(ui::updaterItem::VersionText, headerText(package_.header.VersionText));

    flow_ =
        std::make_unique<flash::UpdateFlow>(linkedHidlinkApi(), package_, *this, handle(), timing_);
    flash::UpdaterState& state = flow_->state();
    state.Silent = options_.Silent;
    state.AutoStart = options_.AutoStart;
    state.Force = options_.Force;
    state.ForcedImage = options_.ForcedImage;
    setControls(false, false);
    if (!flow_->open() && options_.Silent) {
        post(flash::WM_UPDATER_EXIT, UPDATER_EXIT_NO_KEYBOARD);
    }
    invalidate();
    if (options_.Silent) {
        resize({0, 0});
    }
    return true;
}

CBitmapBtn* CReflasherDlg::makeButton(std::u16string_view key) {
    SkinContext context;
    context.normal = &background_;
    context.over = &over_;
    context.down = &over_;
    context.disabled = &disabled_;
    context.layout = &layout_;
    auto button = std::make_unique<CUpdaterBitmapBtn>();
    CreateSkinButton(*button, u"CONFIRM", key, context, *this, false, 1, -1);
    return static_cast<CBitmapBtn*>(&adopt(std::move(button)));
}

void CReflasherDlg::buildLook() {
    layout_ = loadUpdaterLayout();
    background_ = loadUpdaterPicture("JPG", updater_res::kMainNormal);
    over_ = loadUpdaterPicture("JPG", updater_res::kMainOver);
    disabled_ = loadUpdaterPicture("JPG", updater_res::kMainDisabled);
    close_ = makeButton(u"BUTTON_CLOSE");
    ok_ = makeButton(u"BUTTON_OK");
    cancel_ = makeButton(u"BUTTON_CANCEL");
    barBackground_ = loadUpdaterPicture("JPG", updater_res::kBarBackground);
    barFill_ = loadUpdaterPicture("JPG", updater_res::kBarFill);
    if (SkinNumber(SkinValue(layout_, u"UPDATE", u"BAR_ICON")) != 0) {
        barIcon_ = loadUpdaterPicture("JPG", updater_res::kBarIcon);
    }
    const SkinRect bar = ParseSkinRect(SkinValue(layout_, u"UPDATE", u"RECT_UPDATE"));
    barOrigin_ = {bar.left, bar.top};
    layoutText_ = readTextPlace(layout_, u"RECT_LAYOUT");
    versionText_ = readTextPlace(layout_, u"RECT_VER");
    keyboardText_ = readTextPlace(layout_, u"RECT_CUR_VER");
    fontFace_ = Utf16ToUtf8(SkinAttribute(layout_, u"CONFIRM", u"RECT_VER", u"FONT"));
    const std::u16string size = SkinAttribute(layout_, u"CONFIRM", u"RECT_VER", u"SIZE");
    fontHeight_ = size.empty() ? 21 : SkinNumber(size);
    for (int id = ui::updaterItem::Button; id <= ui::updaterItem::LastHolder; ++id) {
        if (ui::Window* control = item(id)) {
            control->hide();
        }
    }
    progressBar_ = itemAs<ui::ProgressBar>(ui::updaterItem::Progress);
    if (!background_.empty()) {
        resize(background_.size());
    }
    if (!setRegion(updaterMaskRegion(updater_res::kMainMask))) {
        setRegion(std::nullopt);
        if (!options_.Silent) {
            ui::messageBox(this, "error", "");
        }
    }
    // The display shows the skin's rounded outline; the picture stays our only icon source.
    setIcon(background_.crop({0, 0, 32, 32}));
}

ui::LResult CReflasherDlg::windowProc(ui::MessageId id, ui::WParam wParam, ui::LParam lParam) {
    if (flow_ && flow_->handleMessage(id, wParam, lParam)) {
        return 0;
    }
    if (id == flash::WM_UPDATER_EXIT) {
        exitWith(static_cast<int>(wParam));
        return 0;
    }
    if (id == WM_SHOW_PENDING) {
        showPending();
        return 0;
    }
    if (id == ui::msg::Timer && wParam == flash::TIMER_UPDATE_SUCCEEDED) {
        killTimer(flash::TIMER_UPDATE_SUCCEEDED);
        showResult(CWarning::KindSuccess);
        startCaller();
        exitWith(ExitCode);
        return 0;
    }
    if (id == ui::msg::Timer && wParam == flash::TIMER_UPDATE_FAILED) {
        killTimer(flash::TIMER_UPDATE_FAILED);
        showResult(CWarning::KindFailure);
        exitWith(ExitCode);
        return 0;
    }
    return ui::Dialog::windowProc(id, wParam, lParam);
}

void CReflasherDlg::exitWith(int code) {
    ExitCode = code;
    if (isRunningModal()) {
        endDialog(code);
    } else {
        destroyWindow();
    }
}

void CReflasherDlg::showResult(int kind) {
    CWarning warning(kind);
    if (onResultWindow) {
        onResultWindow(warning);
    }
    warning.runModal(this);
}

void CReflasherDlg::startCaller() {
    if (options_.CallerPath.empty()) {
        return;
    }
    const std::filesystem::path caller = programPath_.parent_path() / options_.CallerPath;
    if (launcher_) {
        launcher_(caller, {"true"});
        return;
    }
    os::LaunchOptions launch;
    launch.workingFolder = caller.parent_path();
    if (!os::launchDetached(caller.string(), {"true"}, launch)) {
        std::fprintf(stderr, "Reflasher: cannot start %s\n", caller.c_str());
    }
}

void CReflasherDlg::setControls(bool busy, bool keyboardReady) {
    busy_ = busy;
    if (close_) {
        close_->enable(!busy);
    }
    for (CBitmapBtn* button : {ok_, cancel_}) {
        if (button) {
            button->enable(keyboardReady && !busy);
        }
    }
    invalidate();
}

void CReflasherDlg::setProgress(int position) {
    progress_ = position;
    if (progressBar_) {
        progressBar_->setPos(position);
    }
    invalidate();
}

void CReflasherDlg::setKeyboardVersionText(const std::u16string& text) {
    keyboardVersion_ = text;
    setItemText(ui::updaterItem::DeviceVersion, Utf16ToUtf8(text));
    invalidate();
}

void CReflasherDlg::setImageName(const std::u16string& name) {
    imageName_ = name;
    setItemText(ui::updaterItem::ImageName, Utf16ToUtf8(name));
    invalidate();
}

void CReflasherDlg::showRefused() {
    pending_.push_back(std::nullopt);
    post(WM_SHOW_PENDING);
}

void CReflasherDlg::show(const UserMessage& message) {
    pending_.push_back(message);
    post(WM_SHOW_PENDING);
}

void CReflasherDlg::showPending() {
    if (pending_.empty()) {
        return;
    }
    std::optional<UserMessage> next = std::move(pending_.front());
    pending_.pop_front();
    if (!next) {
        showResult(CWarning::KindRefused);
        return;
    }
    if (sink_) {
        sink_->show(*next);
        return;
    }
    DialogMessageSink(this).show(*next);
}

void CReflasherDlg::drawTexts(gfx::Painter& painter) {
    using gfx::TextFormat;
    const TextFormat flags = TextFormat::Left | TextFormat::SingleLine | TextFormat::NoPrefix;
    painter.setFont(gfx::Font::create(fontFace_, fontHeight_, 700));
    painter.setTextBackground(std::nullopt);
    const int selected = flow_ ? flow_->state().SelectedImage : -1;
    if (selected >= 0 && selected < static_cast<int>(IMAGE_SLOTS)) {
        painter.setTextColor(layoutText_.color);
        painter.drawText(Utf16ToUtf8(imageName_), layoutText_.rect, flags);
    }
    painter.setTextColor(versionText_.color);
    painter.drawText(itemText(ui::updaterItem::VersionText), versionText_.rect, flags);
    painter.setTextColor(keyboardText_.color);
    painter.drawText(Utf16ToUtf8(keyboardVersion_), keyboardText_.rect, flags);
}

void CReflasherDlg::drawProgress(gfx::Painter& painter) {
    if (!close_ || close_->isEnabled() || barBackground_.empty()) {
        return;
    }
    painter.copy(barBackground_, barOrigin_);
    const int filled = barBackground_.width() * std::clamp(progress_, 0, 100) / 100;
    painter.copy(barFill_, {0, 0, filled, barFill_.height()}, barOrigin_);
    if (!barIcon_.empty()) {
        painter.copy(barIcon_, {barOrigin_.x + filled,
                                barOrigin_.y + barBackground_.height() - barIcon_.height()});
    }
}

void CReflasherDlg::paint(gfx::Painter& painter) {
    painter.copy(background_, {0, 0});
    drawTexts(painter);
    drawProgress(painter);
}

void CReflasherDlg::onCommand(int id, int code, ui::WindowHandle control) {
    if (ok_ && control == ok_->handle()) {
        if (flow_) {
            flow_->startUpdate();
        }
        return;
    }
    if ((close_ && control == close_->handle()) || (cancel_ && control == cancel_->handle())) {
        exitWith(ExitCode);
        return;
    }
    ui::Dialog::onCommand(id, code, control);
}

void CReflasherDlg::onOk() {
    // Enter: an update when both the update and the close button would take a click.
    if (flow_ && ok_ && ok_->isEnabled() && close_ && close_->isEnabled()) {
        flow_->startUpdate();
    }
}

void CReflasherDlg::onCancel() {
    // Escape and close requests wait while an update is requested or running.
    if (close_ && !close_->isEnabled()) {
        return;
    }
    exitWith(ExitCode);
}

void CReflasherDlg::onButtonDown(ui::MouseButton button, gfx::Point p, unsigned keys) {
    if (button == ui::MouseButton::Left) {
        post(ui::msg::NcLButtonDown, ui::kHitCaption, ui::packPoint(clientToScreen(p)));
    }
    ui::Dialog::onButtonDown(button, p, keys);
}

} // namespace lumetta
