#include "platform/filedialogs/BuiltInFileDialog.h"

#include "platform/filedialogs/CommandChooser.h"
#include "platform/gfx/Painter.h"
#include "platform/gfx/Text.h"
#include "platform/os/XdgFolders.h"
#include "platform/ui/ControlFont.h"
#include "platform/ui/EditField.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/PushButton.h"
#include "platform/ui/StaticText.h"
#include "platform/ui/SystemColors.h"

#include <algorithm>

namespace lumetta::filedialogs {

namespace {

constexpr int kCaptionHeight = ui::MessageBox::kCaptionHeight;
constexpr int kMargin = 12;
constexpr int kWidth = 480;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 28;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;
// Posted to itself once shown: the field takes the focus (showing gives it to the dialog).
constexpr ui::MessageId kFocusField = 0x0401;

int registeredTemplate(int id) {
    if (ui::findDialogTemplate(id) == nullptr) {
        ui::DialogTemplate t;
        t.id = id;
        t.size = {200, 80};
        ui::registerDialogTemplate(t);
    }
    return id;
}

int fileDialogTemplate() {
    return registeredTemplate(0x7F20);
}

int questionTemplate() {
    return registeredTemplate(0x7F21);
}

// Code points in a UTF-8 text, which is how the field counts positions.
int characters(const std::string& utf8) {
    return int(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string typesLine(const FileDialogRequest& request) {
    std::string names;
    for (const FileFilter& f : request.filters) {
        names += (names.empty() ? "" : "; ") + f.name;
    }
    return names.empty() ? std::string() : "Files of type: " + names;
}

void paintFrame(gfx::Painter& painter, const ui::Window& dialog) {
    gfx::Rect r = dialog.clientRect();
    painter.fill(r, ui::syscolor::Face);
    painter.fill(gfx::Rect{0, 0, r.right, kCaptionHeight}, ui::syscolor::Window);
    painter.frame(r, ui::syscolor::Frame);
    painter.setFont(ui::controlFont());
    painter.setTextColor(ui::syscolor::Text);
    painter.drawText(dialog.title(), gfx::Rect{8, 0, r.right - 8, kCaptionHeight},
                     gfx::TextFormat::Left | gfx::TextFormat::VCenter |
                         gfx::TextFormat::SingleLine | gfx::TextFormat::EndEllipsis |
                         gfx::TextFormat::NoPrefix);
}

// A press on the caption moves the window, as on the message box.
void dragByCaption(ui::Window& dialog, ui::MouseButton button, gfx::Point p) {
    if (button == ui::MouseButton::Left && p.y < kCaptionHeight) {
        dialog.post(ui::msg::NcLButtonDown, ui::kHitCaption,
                    ui::packPoint(dialog.clientToScreen(p)));
    }
}

class Question final : public ui::Dialog {
public:
    Question(std::string text, std::string caption)
        : ui::Dialog(questionTemplate()), text_(std::move(text)) {
        setTitle(std::move(caption));
    }

protected:
    bool onInitDialog() override {
        constexpr gfx::TextFormat format =
            gfx::TextFormat::Left | gfx::TextFormat::WordBreak | gfx::TextFormat::NoPrefix;
        gfx::TextExtent extent =
            gfx::measureText(ui::controlFont(), text_, gfx::Rect{0, 0, 360, 10000}, format);
        int width = std::max(extent.width + 2 * kMargin, 2 * kButtonWidth + 3 * kMargin);
        int top = kCaptionHeight + kMargin;
        int buttonTop = top + extent.height + kMargin;
        resize({width, buttonTop + kButtonHeight + kMargin});
        auto text = std::make_unique<ui::StaticText>();
        text->create(*this, gfx::Rect::fromSize(kMargin, top, width - 2 * kMargin, extent.height),
                     0, text_);
        text->setFormat(format);
        adopt(std::move(text));
        int left = width - 2 * (kButtonWidth + kMargin);
        for (auto [id, label] : {std::pair{kIdYes, "Yes"}, std::pair{kIdNo, "No"}}) {
            auto button = std::make_unique<ui::PushButton>();
            button->create(*this, gfx::Rect::fromSize(left, buttonTop, kButtonWidth, kButtonHeight),
                           id, label);
            adopt(std::move(button));
            left += kButtonWidth + kMargin;
        }
        centerOn(owner());
        return true;
    }
    void onCommand(int id, int code, ui::WindowHandle control) override {
        if (code == ui::notify::Clicked && (id == kIdYes || id == kIdNo)) {
            endDialog(id);
            return;
        }
        ui::Dialog::onCommand(id, code, control);
    }
    // Enter takes the first answer, Yes; Escape and closing say No.
    void onOk() override { endDialog(kIdYes); }
    void onCancel() override { endDialog(kIdNo); }
    void paint(gfx::Painter& painter) override { paintFrame(painter, *this); }
    void onButtonDown(ui::MouseButton button, gfx::Point p, unsigned) override {
        dragByCaption(*this, button, p);
    }

private:
    std::string text_;
};

} // namespace

bool askYesNo(ui::Window* owner, const std::string& text, const std::string& caption) {
    Question question(text, caption);
    return question.runModal(owner) == kIdYes;
}

BuiltInFileDialog::BuiltInFileDialog(FileDialogRequest request)
    : ui::Dialog(fileDialogTemplate()), request_(std::move(request)) {
    setTitle(dialogTitle(request_));
}

std::optional<std::filesystem::path> BuiltInFileDialog::run(ui::Window* owner) {
    chosen_.reset();
    int code = runModal(owner);
    return code == ui::IdOk ? chosen_ : std::nullopt;
}

bool BuiltInFileDialog::onInitDialog() {
    int top = kCaptionHeight + kMargin;
    int inner = kWidth - 2 * kMargin;
    auto label = std::make_unique<ui::StaticText>();
    label->create(*this, gfx::Rect::fromSize(kMargin, top, inner, 20), 0, "File name:");
    adopt(std::move(label));
    auto field = std::make_unique<ui::EditField>();
    field->create(*this, gfx::Rect::fromSize(kMargin, top + 22, inner, 26), kFieldId);
    field_ = field.get();
    adopt(std::move(field));
    auto types = std::make_unique<ui::StaticText>();
    types->create(*this, gfx::Rect::fromSize(kMargin, top + 54, inner, 20), kTypesId,
                  typesLine(request_));
    adopt(std::move(types));
    int buttonTop = top + 84;
    int left = kWidth - 2 * (kButtonWidth + kMargin);
    for (auto [id, text] : {std::pair{ui::IdOk, "OK"}, std::pair{ui::IdCancel, "Cancel"}}) {
        auto button = std::make_unique<ui::PushButton>();
        button->create(*this, gfx::Rect::fromSize(left, buttonTop, kButtonWidth, kButtonHeight), id,
                       text);
        adopt(std::move(button));
        left += kButtonWidth + kMargin;
    }
    resize({kWidth, buttonTop + kButtonHeight + kMargin});

    std::filesystem::path folder = request_.folder;
    if (folder.empty()) {
        std::error_code ec;
        folder = std::filesystem::current_path(ec);
    }
    std::string name = offeredName(request_);
    std::string start = folder.string();
    if (!start.empty() && start.back() != '/') {
        start += '/';
    }
    field_->setText(start + name);
    // The name is selected, ready to be typed over; without one the caret waits after the
    // folder.
    int nameStart = characters(start);
    std::string stem = std::filesystem::path(name).stem().string();
    field_->setSelection(nameStart, nameStart + characters(stem));
    centerOn(owner());
    post(kFocusField);
    return true;
}

ui::LResult BuiltInFileDialog::windowProc(ui::MessageId id, ui::WParam wParam, ui::LParam lParam) {
    if (id == kFocusField) {
        field_->setFocus();
        return 0;
    }
    return ui::Dialog::windowProc(id, wParam, lParam);
}

void BuiltInFileDialog::onOk() {
    if (auto path = check(field_->text())) {
        chosen_ = std::move(path);
        endDialog(ui::IdOk);
    }
}

std::optional<std::filesystem::path> BuiltInFileDialog::check(const std::string& text) {
    std::string typed = text;
    while (!typed.empty() && (typed.back() == ' ' || typed.back() == '\t')) {
        typed.pop_back();
    }
    if (typed.empty() || typed.back() == '/') {
        return std::nullopt;
    }
    std::filesystem::path path = typed;
    if (typed.rfind("~/", 0) == 0) {
        path = os::homeFolder() / typed.substr(2);
    }
    std::error_code ec;
    if (path.is_relative()) {
        path =
            (request_.folder.empty() ? std::filesystem::current_path(ec) : request_.folder) / path;
    }
    if (std::filesystem::is_directory(path, ec)) {
        ui::messageBox(this, path.string() + "\nis a folder. Enter the name of a file.", title());
        return std::nullopt;
    }
    path = withDefaultExtension(path, request_.defaultExtension);
    std::string shown = path.string();
    bool exists = std::filesystem::exists(path, ec);
    if (request_.kind == FileDialogRequest::Kind::Open) {
        if (request_.mustExist && !exists) {
            ui::messageBox(this, shown + "\nFile not found.\nCheck the file name and try again.",
                           title());
            return std::nullopt;
        }
        return path;
    }
    if (!std::filesystem::is_directory(path.parent_path(), ec)) {
        ui::messageBox(this, path.parent_path().string() + "\nThis folder does not exist.",
                       title());
        return std::nullopt;
    }
    if (exists && request_.confirmOverwrite &&
        !askYesNo(this, path.filename().string() + " already exists.\nDo you want to replace it?",
                  title())) {
        return std::nullopt;
    }
    return path;
}

void BuiltInFileDialog::paint(gfx::Painter& painter) {
    paintFrame(painter, *this);
}

void BuiltInFileDialog::onButtonDown(ui::MouseButton button, gfx::Point p, unsigned) {
    dragByCaption(*this, button, p);
}

} // namespace lumetta::filedialogs
