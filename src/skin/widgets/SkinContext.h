#pragma once

#include "platform/gfx/Surface.h"
#include "skin/files/XmlDoc.h"

#include <cstdint>

namespace lumetta {

// A dialog's pictures and offset, handed to every helper that creates one of its controls. The
// pictures are borrowed from the dialog; a null picture is a look the controls go without.
struct SkinContext {
    const gfx::Surface* normal = nullptr;
    // Non-white pixels give each control's shape; none for ordinary dialogs.
    const gfx::Surface* mask = nullptr;
    const gfx::Surface* over = nullptr;
    const gfx::Surface* down = nullptr;
    const gfx::Surface* disabled = nullptr;
    // false: a control cuts its looks at its own rectangle from dialog-sized pictures;
    // true: the pictures are the control's own and are cut from (0, 0).
    bool wholeImage = false;
    // The layout document entries are read from; null means the process's skin layout.
    XmlDoc* layout = nullptr;
    std::int32_t dx = 0;
    std::int32_t dy = 0;
};

} // namespace lumetta
