#pragma once

#include "platform/filedialogs/ChooserAnswer.h"
#include "platform/filedialogs/FileDialog.h"

#include <string>
#include <string_view>
#include <vector>

namespace lumetta::filedialogs {

// The file choosers that come as programs: zenity (GTK) and kdialog (KDE). Their command lines
// are built here and run without a shell; the answer is the path they print.

// zenity's command line; version is zenity's major version (4 and later always ask before
// overwriting and no longer take the option for it).
std::vector<std::string> zenityArguments(const FileDialogRequest& request, int version);
// kdialog's command line; attachTo is the X window to stay above (0: none).
std::vector<std::string> kdialogArguments(const FileDialogRequest& request, unsigned long attachTo);

// Runs a chooser and reads its answer: exit 0 with a path on the first line is a choice, exit 1
// is a cancel, anything else (it could not start, it failed) leaves the chooser unusable.
ChooserAnswer runCommandChooser(const std::vector<std::string>& arguments, bool asksOverwrite);

// Whether a program of that name is in PATH.
bool programInPath(std::string_view name);
// zenity's major version (from "zenity --version"); 0 when it does not tell.
int zenityVersion();

// The title a request shows.
std::string dialogTitle(const FileDialogRequest& request);
// The name the name field offers: none for names with wildcards.
std::string offeredName(const FileDialogRequest& request);

} // namespace lumetta::filedialogs
