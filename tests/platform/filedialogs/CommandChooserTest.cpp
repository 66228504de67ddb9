// zenity and kdialog: their command lines, and reading their answers (with stand-in scripts).
#include "platform/filedialogs/CommandChooser.h"
#include "FakeChooser.h"

#include <gtest/gtest.h>

namespace lumetta::filedialogs {
namespace {

using Strings = std::vector<std::string>;

FileDialogRequest saveProfile() {
    FileDialogRequest r;
    r.kind = FileDialogRequest::Kind::Save;
    r.folder = "/home/u/Desktop";
    r.proposedName = "Profile 1";
    r.defaultExtension = ".Prf";
    r.filters = {{"Profile File(*.Prf)", {"*.Prf"}}};
    return r;
}

FileDialogRequest openProfile() {
    FileDialogRequest r = saveProfile();
    r.kind = FileDialogRequest::Kind::Open;
    r.proposedName = "*.Prf";
    r.title = "Import";
    return r;
}

TEST(CommandChooser, ZenityCommandLines) {
    FileDialogRequest twoFilters = saveProfile();
    twoFilters.filters.push_back({"All | files", {"*.*", "*"}});
    FileDialogRequest noConfirm = saveProfile();
    noConfirm.confirmOverwrite = false;
    struct Row {
        const char* what;
        FileDialogRequest request;
        int version;
        Strings expected;
    } rows[] = {
        {"save, zenity 3",
         saveProfile(),
         3,
         {"zenity", "--file-selection", "--title=Save As", "--save", "--confirm-overwrite",
          "--filename=/home/u/Desktop/Profile 1", "--file-filter=Profile File(*.Prf) | *.Prf"}},
        // zenity 4 always asks and refuses the old option.
        {"save, zenity 4",
         saveProfile(),
         4,
         {"zenity", "--file-selection", "--title=Save As", "--save",
          "--filename=/home/u/Desktop/Profile 1", "--file-filter=Profile File(*.Prf) | *.Prf"}},
        {"save without asking",
         noConfirm,
         3,
         {"zenity", "--file-selection", "--title=Save As", "--save",
          "--filename=/home/u/Desktop/Profile 1", "--file-filter=Profile File(*.Prf) | *.Prf"}},
        // A wildcard name offers none: the folder is where it starts.
        {"open",
         openProfile(),
         3,
         {"zenity", "--file-selection", "--title=Import", "--filename=/home/u/Desktop/",
          "--file-filter=Profile File(*.Prf) | *.Prf"}},
        {"separators in names",
         twoFilters,
         3,
         {"zenity", "--file-selection", "--title=Save As", "--save", "--confirm-overwrite",
          "--filename=/home/u/Desktop/Profile 1", "--file-filter=Profile File(*.Prf) | *.Prf",
          "--file-filter=All   files | *.* *"}},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(zenityArguments(r.request, r.version), r.expected) << r.what;
    }
}

TEST(CommandChooser, KdialogCommandLines) {
    struct Row {
        const char* what;
        FileDialogRequest request;
        unsigned long attach;
        Strings expected;
    } rows[] = {
        {"save above a window",
         saveProfile(),
         0x3a00004,
         {"kdialog", "--getsavefilename", "/home/u/Desktop/Profile 1", "*.Prf|Profile File(*.Prf)",
          "--title", "Save As", "--attach", "60817412"}},
        {"open, no window",
         openProfile(),
         0,
         {"kdialog", "--getopenfilename", "/home/u/Desktop/", "*.Prf|Profile File(*.Prf)",
          "--title", "Import"}},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(kdialogArguments(r.request, r.attach), r.expected) << r.what;
    }
}

TEST(CommandChooser, AnswersByExitCodeAndOutput) {
    test::FakeChooser fake("zenity");
    using S = ChooserAnswer::Status;
    struct Row {
        const char* what;
        std::string output;
        int code;
        S status;
        const char* path;
    } rows[] = {
        {"chosen", "/home/u/Desktop/Desk.Prf\n", 0, S::Chosen, "/home/u/Desktop/Desk.Prf"},
        {"name with spaces", "/home/u/My Files/a b.Prf\n", 0, S::Chosen,
         "/home/u/My Files/a b.Prf"},
        {"cancelled", "", 1, S::Cancelled, ""},
        {"timed out", "", 5, S::Unavailable, ""},
        {"no display", "", 255, S::Unavailable, ""},
        {"nonsense on success", "Gtk-WARNING\n", 0, S::Unavailable, ""},
    };
    for (const Row& r : rows) {
        fake.answer(r.output, r.code);
        ChooserAnswer a = runCommandChooser(zenityArguments(saveProfile(), 3), true);
        EXPECT_EQ(a.status, r.status) << r.what;
        EXPECT_EQ(a.path.string(), r.path) << r.what;
        EXPECT_EQ(a.overwriteAsked, r.status == S::Chosen) << r.what;
    }
    // Arguments arrive as given, without a shell between.
    FileDialogRequest tricky = saveProfile();
    tricky.proposedName = "$(touch pwned); `id` 'x'";
    fake.answer("", 1);
    runCommandChooser(zenityArguments(tricky, 3), true);
    Strings args = fake.arguments();
    ASSERT_GE(args.size(), 5u);
    EXPECT_EQ(args[4], "--filename=/home/u/Desktop/$(touch pwned); `id` 'x'");
    EXPECT_FALSE(std::filesystem::exists("pwned"));
}

TEST(CommandChooser, MissingProgramIsUnavailable) {
    ChooserAnswer a = runCommandChooser({"lumetta-no-such-chooser", "--x"}, false);
    EXPECT_EQ(a.status, ChooserAnswer::Status::Unavailable);
    EXPECT_FALSE(a.problem.empty());
    EXPECT_FALSE(programInPath("lumetta-no-such-chooser"));
    test::FakeChooser fake("kdialog");
    EXPECT_TRUE(programInPath("kdialog"));
}

TEST(CommandChooser, ZenityVersionFromItsOutput) {
    test::FakeChooser four("zenity", "4.0.1");
    EXPECT_EQ(zenityVersion(), 4);
}

} // namespace
} // namespace lumetta::filedialogs
