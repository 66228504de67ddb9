// Running file dialogs on the headless display: scripted answers, the built-in dialog driven
// like a user would, and an outside chooser (a stand-in zenity) with the checks made after it.
#include "platform/filedialogs/FileDialog.h"
#include "FakeChooser.h"
#include "UiHarness.h"
#include "platform/display/Key.h"
#include "platform/filedialogs/BuiltInFileDialog.h"
#include "platform/filedialogs/FileDialogScript.h"
#include "platform/ui/EditField.h"
#include "platform/ui/MessageBox.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

namespace lumetta::filedialogs {
namespace {

namespace fs = std::filesystem;
using display::key::Escape;
using display::key::Return;

// A folder of the test's own, removed afterwards.
class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/lumetta-dialog-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }
    fs::path touch(const std::string& name) const {
        std::ofstream(path_ / name) << "x";
        return path_ / name;
    }

private:
    fs::path path_;
};

FileDialogRequest exportIn(const fs::path& folder) {
    FileDialogRequest r;
    r.kind = FileDialogRequest::Kind::Save;
    r.title = "Export";
    r.folder = folder;
    r.proposedName = "Profile 1";
    r.defaultExtension = ".Prf";
    r.filters = parseFilterString("Profile File(*.Prf)|*.Prf|");
    return r;
}

FileDialogRequest importFrom(const fs::path& folder) {
    FileDialogRequest r = exportIn(folder);
    r.kind = FileDialogRequest::Kind::Open;
    r.title = "Import";
    r.proposedName = "*.Prf";
    return r;
}

class FileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        FileDialogScript::clear();
        owner_.create(ui::CreateParams{
            .rect = gfx::Rect::fromSize(50, 50, 400, 300), .title = "Owner", .visible = true});
        h_.pump();
    }
    void TearDown() override { FileDialogScript::clear(); }

    // Runs action on the top window with this title once it shows (the dialogs appear from
    // inside the loop that runs them, sometimes after another program answered).
    void onWindow(const std::string& title, std::function<void(ui::Window&)> action) {
        h_.display().whenIdle([this, title, action] {
            ui::Window* w = h_.desktop().findWindow(title);
            if (w == nullptr || !w->isVisible()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                onWindow(title, action);
                return;
            }
            action(*w);
        });
    }
    void type(const std::string& title, const std::string& text) {
        onWindow(title, [this, text](ui::Window&) { h_.display().typeText(text); });
    }
    void key(const std::string& title, int k) {
        onWindow(title, [this, k](ui::Window&) { h_.display().keyPress(k); });
    }

    test::UiHarness h_;
    ui::Window owner_;
};

TEST_F(FileDialogTest, HeadlessDialogsTakeScriptedAnswers) {
    TempFolder tmp;
    FileDialogScript::push(tmp.path() / "Desk");
    FileDialogScript::push(std::nullopt);
    FileDialogScript::push(tmp.path() / "Old.txt");
    EXPECT_EQ(runFileDialog(exportIn(tmp.path()), &owner_), tmp.path() / "Desk.Prf");
    EXPECT_EQ(runFileDialog(exportIn(tmp.path()), &owner_), std::nullopt);
    EXPECT_EQ(runFileDialog(importFrom(tmp.path()), &owner_), tmp.path() / "Old.txt");
    // Nothing queued: cancelled.
    EXPECT_EQ(runFileDialog(importFrom(tmp.path()), &owner_), std::nullopt);
    std::vector<FileDialogRequest> asked = FileDialogScript::requests();
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_EQ(asked[0], exportIn(tmp.path()));
    EXPECT_EQ(asked[2], importFrom(tmp.path()));
}

TEST_F(FileDialogTest, WholeProgramsAreScriptedThroughTheEnvironment) {
    setenv("LUMETTA_FILE_DIALOG_ANSWERS", "/data/a\n\n/data/b.Prf", 1);
    FileDialogScript::clear();
    EXPECT_EQ(runFileDialog(exportIn("/data"), &owner_), fs::path("/data/a.Prf"));
    EXPECT_EQ(runFileDialog(exportIn("/data"), &owner_), std::nullopt);
    EXPECT_EQ(runFileDialog(exportIn("/data"), &owner_), fs::path("/data/b.Prf"));
    EXPECT_EQ(runFileDialog(exportIn("/data"), &owner_), std::nullopt);
    unsetenv("LUMETTA_FILE_DIALOG_ANSWERS");
}

TEST_F(FileDialogTest, BuiltInDialogOffersTheNameAndAddsTheExtension) {
    TempFolder tmp;
    std::string field;
    std::pair<int, int> selection;
    bool ownerDisabled = false;
    bool typing = false;
    onWindow("Export", [&](ui::Window& w) {
        auto* dialog = dynamic_cast<BuiltInFileDialog*>(&w);
        ASSERT_NE(dialog, nullptr);
        field = dialog->field()->text();
        selection = dialog->field()->selection();
        ownerDisabled = !owner_.isEnabled();
        typing = h_.display().textInputActive();
    });
    // Typing replaces the selected name.
    type("Export", "Desk");
    key("Export", Return);
    EXPECT_EQ(runFileDialog(exportIn(tmp.path()), &owner_, Chooser::BuiltIn),
              tmp.path() / "Desk.Prf");
    std::string folder = tmp.path().string() + "/";
    EXPECT_EQ(field, folder + "Profile 1");
    int start = int(folder.size());
    EXPECT_EQ(selection, (std::pair{start, start + 9}));
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(typing) << "the field has no focus";
    EXPECT_TRUE(owner_.isEnabled());
}

TEST_F(FileDialogTest, BuiltInDialogChecksWhatWasTyped) {
    TempFolder tmp;
    tmp.touch("Desk.Prf");
    fs::create_directory(tmp.path() / "sub");
    struct Row {
        const char* what;
        bool save;
        std::string typed; // replaces the whole field
        // After Enter: the window that must show and the key that answers it, if any.
        const char* shows;
        int answer;
        std::optional<fs::path> expected;
    } rows[] = {
        {"relative name", true, "Other", nullptr, 0, tmp.path() / "Other.Prf"},
        {"replace: yes", true, "Desk", "Export", Return, tmp.path() / "Desk.Prf"},
        {"replace: no, then cancel", true, "Desk", "Export", Escape, std::nullopt},
        {"missing folder", true, "nowhere/x", "Export", Return, std::nullopt},
        {"a folder", true, "sub", "Export", Return, std::nullopt},
        {"open an existing file", false, "Desk", nullptr, 0, tmp.path() / "Desk.Prf"},
        {"open a missing file", false, "Gone", "Import", Return, std::nullopt},
    };
    for (const Row& r : rows) {
        FileDialogRequest request = r.save ? exportIn(tmp.path()) : importFrom(tmp.path());
        const std::string title = request.title;
        bool sawQuestion = false;
        onWindow(title, [&](ui::Window& w) {
            auto* dialog = dynamic_cast<BuiltInFileDialog*>(&w);
            ASSERT_NE(dialog, nullptr) << r.what;
            dialog->field()->setText(r.typed);
        });
        key(title, Return);
        if (r.shows != nullptr) {
            // The question or message, above the dialog, takes the answer; then the dialog is
            // left with Escape unless it has ended.
            onWindow(r.shows, [&, r](ui::Window& w) {
                sawQuestion = dynamic_cast<BuiltInFileDialog*>(&w) == nullptr;
                h_.display().keyPress(r.answer);
                if (!r.expected) {
                    onWindow(title, [&](ui::Window&) { h_.display().keyPress(Escape); });
                }
            });
        }
        EXPECT_EQ(runFileDialog(request, &owner_, Chooser::BuiltIn), r.expected) << r.what;
        EXPECT_EQ(sawQuestion, r.shows != nullptr) << r.what;
        EXPECT_EQ(h_.display().pendingSteps(), 0u) << r.what;
    }
}

TEST_F(FileDialogTest, OutsideChooserAnswersAreCheckedAfterwards) {
    TempFolder tmp;
    test::FakeChooser zenity("zenity");
    // The user typed "Desk"; with the extension that names a file that exists, which zenity
    // never asked about: asked here, and "No" goes back to choosing.
    tmp.touch("Desk.Prf");
    zenity.answer(tmp.path().string() + "/Desk\n", 0);
    onWindow("Export", [&](ui::Window& w) {
        EXPECT_EQ(dynamic_cast<BuiltInFileDialog*>(&w), nullptr);
        zenity.answer("", 1); // the second time round the user cancels
        h_.display().keyPress(Escape);
    });
    EXPECT_EQ(runFileDialog(exportIn(tmp.path()), &owner_, Chooser::Zenity), std::nullopt);
    std::vector<std::string> second = zenity.arguments();
    EXPECT_NE(
        std::find(second.begin(), second.end(), "--filename=" + (tmp.path() / "Desk.Prf").string()),
        second.end());

    // A name zenity asked about is taken as it is.
    zenity.answer((tmp.path() / "Desk.Prf").string() + "\n", 0);
    EXPECT_EQ(runFileDialog(exportIn(tmp.path()), &owner_, Chooser::Zenity),
              tmp.path() / "Desk.Prf");
    EXPECT_EQ(h_.display().pendingSteps(), 0u);
}

TEST_F(FileDialogTest, ABrokenChooserGivesWayToTheBuiltInDialog) {
    TempFolder tmp;
    test::FakeChooser zenity("zenity");
    zenity.answer("", 255);
    onWindow("Export", [&](ui::Window& w) {
        auto* dialog = dynamic_cast<BuiltInFileDialog*>(&w);
        ASSERT_NE(dialog, nullptr);
        dialog->field()->setText("Fallback");
        h_.display().keyPress(Return);
    });
    EXPECT_EQ(runFileDialog(exportIn(tmp.path()), &owner_, Chooser::Zenity),
              tmp.path() / "Fallback.Prf");
}

} // namespace
} // namespace lumetta::filedialogs
