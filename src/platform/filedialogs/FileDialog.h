#pragma once

#include "platform/filedialogs/FileFilter.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace lumetta::ui {
class Window;
}

namespace lumetta::filedialogs {

// What a save or open dialog asks.
struct FileDialogRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    // The dialog's title; empty gives "Open" or "Save As".
    std::string title;
    // Where the dialog starts; empty: the current folder.
    std::filesystem::path folder;
    // The name offered in the name field. A name with wildcards ("*.Prf") offers none.
    std::string proposedName;
    // Added to a chosen name that has no extension ("Prf" or ".Prf"); empty: none.
    std::string defaultExtension;
    std::vector<FileFilter> filters;
    // Saving: ask before replacing a file that exists.
    bool confirmOverwrite = true;
    // Opening: only a file that exists can be chosen.
    bool mustExist = true;

    friend bool operator==(const FileDialogRequest&, const FileDialogRequest&) = default;
};

// Which dialog shows. Automatic takes scripted answers under the headless display, else the
// one LUMETTA_FILE_DIALOG names (portal, zenity, kdialog, builtin), else the desktop portal's
// file chooser when one runs, else zenity or kdialog when installed, else the built-in dialog.
enum class Chooser { Automatic, Scripted, Portal, Zenity, Kdialog, BuiltIn };

// Shows the dialog modally over owner (null: none) and returns the chosen path, or nothing when
// the user cancelled. The owner is disabled meanwhile; the program keeps painting and running
// its timers. Call on the user-interface thread, with a ui::Desktop.
std::optional<std::filesystem::path> runFileDialog(const FileDialogRequest& request,
                                                   ui::Window* owner,
                                                   Chooser chooser = Chooser::Automatic);

// The chooser's name as LUMETTA_FILE_DIALOG spells it ("portal", "zenity", ...).
const char* chooserName(Chooser chooser);

} // namespace lumetta::filedialogs
