#pragma once

#include "platform/filedialogs/FileDialog.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace lumetta::filedialogs {

// The answers file dialogs give under the headless display, in order, and the requests they
// were opened with, so that tests can both drive and check them. An answer is what the user
// confirmed in the dialog (the default extension is still added); none cancels.
//
// When no answer is queued, the lines of LUMETTA_FILE_DIALOG_ANSWERS are used once each, in
// order (an empty line cancels), so that whole programs can be scripted too. With neither, the
// dialog is cancelled with a note on standard error.
class FileDialogScript {
public:
    static void push(std::optional<std::filesystem::path> answer);
    // Forgets the answers and requests; the environment's answers are read again when needed.
    static void clear();
    static std::vector<FileDialogRequest> requests();

    // For the dialogs: records the request and takes the next answer.
    static std::optional<std::filesystem::path> answer(const FileDialogRequest& request);
};

} // namespace lumetta::filedialogs
