#include "platform/filedialogs/FileDialog.h"

#include "platform/display/sdl/SdlDisplay.h"
#include "platform/filedialogs/BuiltInFileDialog.h"
#include "platform/filedialogs/ChooserAnswer.h"
#include "platform/filedialogs/CommandChooser.h"
#include "platform/filedialogs/FileDialogScript.h"
#include "platform/filedialogs/ModalTask.h"
#include "platform/filedialogs/PortalChooser.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/Window.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

namespace lumetta::filedialogs {

namespace {

struct Names {
    Chooser chooser;
    const char* name;
};

constexpr Names kNames[] = {
    {Chooser::Automatic, "automatic"}, {Chooser::Scripted, "scripted"},
    {Chooser::Portal, "portal"},       {Chooser::Zenity, "zenity"},
    {Chooser::Kdialog, "kdialog"},     {Chooser::BuiltIn, "builtin"},
};

// The owner as other programs name windows: its X window, when it has one.
unsigned long ownerX11Window(ui::Window* owner) {
    ui::Desktop* desktop = ui::Desktop::current();
    if (owner == nullptr || desktop == nullptr || !owner->exists()) {
        return 0;
    }
    auto* sdl = dynamic_cast<display::SdlDisplay*>(&desktop->backend());
    return sdl != nullptr ? sdl->x11Window(owner->nativeWindow()) : 0;
}

std::string portalParent(unsigned long x11Window) {
    if (x11Window == 0) {
        return {};
    }
    char text[32];
    std::snprintf(text, sizeof text, "x11:%lx", x11Window);
    return text;
}

bool headless() {
    ui::Desktop* desktop = ui::Desktop::current();
    return desktop != nullptr && std::strcmp(desktop->backend().name(), "headless") == 0;
}

// What Automatic means here: scripted answers without a screen, the user's choice by name, or
// the desktop's choosers in order of preference.
std::vector<Chooser> candidates(Chooser chooser) {
    if (chooser != Chooser::Automatic) {
        return {chooser};
    }
    if (headless()) {
        return {Chooser::Scripted};
    }
    if (const char* named = std::getenv("LUMETTA_FILE_DIALOG"); named != nullptr && *named) {
        for (const Names& n : kNames) {
            if (std::strcmp(n.name, named) == 0 && n.chooser != Chooser::Automatic) {
                return {n.chooser};
            }
        }
        std::cerr << "LUMETTA_FILE_DIALOG=" << named
                  << ": no such file dialog (portal, zenity, kdialog, builtin)\n";
    }
    std::vector<Chooser> out = {Chooser::Portal};
    if (programInPath("zenity")) {
        out.push_back(Chooser::Zenity);
    }
    if (programInPath("kdialog")) {
        out.push_back(Chooser::Kdialog);
    }
    return out;
}

ChooserAnswer runExternal(Chooser chooser, const FileDialogRequest& request,
                          unsigned long x11Window) {
    switch (chooser) {
    case Chooser::Portal:
        return runPortalChooser(request, portalParent(x11Window));
    case Chooser::Zenity: {
        int version = zenityVersion();
        return runCommandChooser(zenityArguments(request, version),
                                 request.confirmOverwrite || version >= 4);
    }
    case Chooser::Kdialog:
        // Its save dialog asks before replacing a file.
        return runCommandChooser(kdialogArguments(request, x11Window), true);
    default:
        return ChooserAnswer::unavailable("not a chooser of its own");
    }
}

// The first of the external choosers that can answer, run beside the user-interface thread.
ChooserAnswer askExternal(const std::vector<Chooser>& order, const FileDialogRequest& request,
                          ui::Window* owner) {
    unsigned long x11Window = ownerX11Window(owner);
    ChooserAnswer answer;
    runBeside(owner, [&] {
        for (Chooser c : order) {
            answer = runExternal(c, request, x11Window);
            if (answer.status != ChooserAnswer::Status::Unavailable) {
                return;
            }
            std::cerr << "file dialog: " << chooserName(c) << ": " << answer.problem << "\n";
        }
    });
    return answer;
}

std::optional<std::filesystem::path> scripted(const FileDialogRequest& request) {
    std::optional<std::filesystem::path> answer = FileDialogScript::answer(request);
    if (!answer) {
        return std::nullopt;
    }
    return withDefaultExtension(*answer, request.defaultExtension);
}

} // namespace

const char* chooserName(Chooser chooser) {
    for (const Names& n : kNames) {
        if (n.chooser == chooser) {
            return n.name;
        }
    }
    return "?";
}

std::optional<std::filesystem::path> runFileDialog(const FileDialogRequest& request,
                                                   ui::Window* owner, Chooser chooser) {
    std::vector<Chooser> order = candidates(chooser);
    if (order.front() == Chooser::Scripted) {
        return scripted(request);
    }
    if (order.front() == Chooser::BuiltIn) {
        BuiltInFileDialog dialog(request);
        return dialog.run(owner);
    }
    FileDialogRequest again = request;
    while (true) {
        ChooserAnswer answer = askExternal(order, again, owner);
        if (answer.status == ChooserAnswer::Status::Unavailable) {
            BuiltInFileDialog dialog(again);
            return dialog.run(owner);
        }
        if (answer.status == ChooserAnswer::Status::Cancelled) {
            return std::nullopt;
        }
        std::filesystem::path path = withDefaultExtension(answer.path, request.defaultExtension);
        bool save = request.kind == FileDialogRequest::Kind::Save;
        std::error_code ec;
        // The chooser asked about the name it returned; with the extension added it may now
        // name another file that exists.
        bool confirmed = answer.overwriteAsked && path == answer.path;
        if (!save || !request.confirmOverwrite || confirmed || !std::filesystem::exists(path, ec)) {
            return path;
        }
        if (askYesNo(owner,
                     path.filename().string() + " already exists.\nDo you want to replace it?",
                     dialogTitle(request))) {
            return path;
        }
        // As the platform's dialog does: back to choosing, where the user left off.
        again.folder = path.parent_path();
        again.proposedName = path.filename().string();
    }
}

} // namespace lumetta::filedialogs
