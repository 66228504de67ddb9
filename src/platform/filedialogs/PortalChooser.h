#pragma once

#include "platform/filedialogs/ChooserAnswer.h"
#include "platform/filedialogs/FileDialog.h"

#include <string>

namespace lumetta::filedialogs {

// The desktop portal's file chooser (org.freedesktop.portal.FileChooser on the session bus),
// which every desktop provides in its own look. Blocking: run it beside the user-interface
// thread, never on it.
//
// parentWindow names the owner for the portal ("x11:<hex window id>"; empty: none).
// Unavailable when no portal runs on the session bus, when it offers no file chooser, or when
// it fails or goes away before it answers.
ChooserAnswer runPortalChooser(const FileDialogRequest& request, const std::string& parentWindow);

// The options the request sends, in GVariant's text form, for tests.
std::string portalOptionsText(const FileDialogRequest& request, const std::string& token);

} // namespace lumetta::filedialogs
