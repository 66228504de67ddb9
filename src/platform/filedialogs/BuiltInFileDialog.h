#pragma once

#include "platform/filedialogs/FileDialog.h"
#include "platform/ui/Dialog.h"

#include <filesystem>
#include <optional>
#include <string>

namespace lumetta::ui {
class EditField;
}

namespace lumetta::filedialogs {

// The dialog of our own for desktops without a file chooser: a caption to drag it by, a field
// holding the whole path (the start folder and the offered name, the name selected), the types
// it is for, OK and Cancel. OK adds the default extension and checks the choice as the
// platform's dialogs do: a file to open must exist, a file to save needs an existing folder,
// and replacing a file is confirmed first.
class BuiltInFileDialog final : public ui::Dialog {
public:
    static constexpr int kFieldId = 1100;
    static constexpr int kTypesId = 1101;

    explicit BuiltInFileDialog(FileDialogRequest request);

    std::optional<std::filesystem::path> run(ui::Window* owner);
    ui::EditField* field() const { return field_; }

protected:
    bool onInitDialog() override;
    ui::LResult windowProc(ui::MessageId id, ui::WParam wParam, ui::LParam lParam) override;
    void onOk() override;
    void paint(gfx::Painter& painter) override;
    void onButtonDown(ui::MouseButton button, gfx::Point p, unsigned keys) override;

private:
    // The path the field names, or none (with a message shown) when it cannot be chosen.
    std::optional<std::filesystem::path> check(const std::string& text);

    FileDialogRequest request_;
    std::optional<std::filesystem::path> chosen_;
    ui::EditField* field_ = nullptr;
};

// A question with Yes and No, of the same make as the message box; true for Yes.
bool askYesNo(ui::Window* owner, const std::string& text, const std::string& caption);

} // namespace lumetta::filedialogs
