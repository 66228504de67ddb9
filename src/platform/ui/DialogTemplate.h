#pragma once

#include "platform/gfx/Geometry.h"

#include <string>
#include <vector>

namespace lumetta::ui {

enum class ControlKind { PushButton, Edit, Static, ProgressBar, ScrollBar };

// One control of a template; its rectangle is in dialog units.
struct DialogItem {
    ControlKind kind = ControlKind::Static;
    int id = 0;
    gfx::Rect rect;
    std::string text;
    bool visible = true;
};

// A dialog's size (dialog units), kind and controls, looked up by number as programs have
// always named them.
struct DialogTemplate {
    int id = 0;
    gfx::Size size;
    bool child = false;   // a page inside another window, else a pop-up top-level window
    bool visible = false; // shown when created modelessly
    std::string title;
    std::vector<DialogItem> items;
};

namespace templates {
inline constexpr int EmptyChild = 129;    // pages
inline constexpr int EmptyPopup = 132;    // top-level skinned dialogs, 317 x 184 units
inline constexpr int Updater = 102;       // the updater's main dialog
inline constexpr int UpdaterResult = 140; // the updater's result window
} // namespace templates

// The controls of the updater's templates.
namespace updaterItem {
inline constexpr int Button = 1000;
inline constexpr int Text1 = 1001;
inline constexpr int Text2 = 1002;
inline constexpr int VersionText = 1003;
inline constexpr int ImageName = 1004;
inline constexpr int DeviceVersion = 1005;
inline constexpr int Progress = 1006;
inline constexpr int LastHolder = 1016; // 1007 to 1016 are spare text holders
inline constexpr int ResultText = 1017; // in the result window, beside its OK button (IdOk)
} // namespace updaterItem

// Dialog units scale with the dialog font; these are the base units of the default one.
inline constexpr int kDialogBaseX = 6;
inline constexpr int kDialogBaseY = 13;
constexpr gfx::Rect dialogUnitsToPixels(const gfx::Rect& r) {
    return {r.left * kDialogBaseX / 4, r.top * kDialogBaseY / 8, r.right * kDialogBaseX / 4,
            r.bottom * kDialogBaseY / 8};
}
constexpr gfx::Size dialogUnitsToPixels(gfx::Size s) {
    return {s.width * kDialogBaseX / 4, s.height * kDialogBaseY / 8};
}

// Null for an unknown number. The built-in templates are always there.
const DialogTemplate* findDialogTemplate(int id);
// Adds a template, or replaces the one with its number.
void registerDialogTemplate(DialogTemplate dialogTemplate);

} // namespace lumetta::ui
