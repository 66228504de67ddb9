#pragma once

#include "skin/files/SkinRect.h"
#include "skin/widgets/CBitmapBtn.h"
#include "skin/widgets/SkinContext.h"

#include <functional>
#include <span>
#include <string_view>

namespace lumetta {

// Places button from the layout entry section/key (moved by the context's offset), cuts its four
// looks from the context's pictures, shapes it by the context's mask, and with readText takes
// its caption, offset and font from the string document and the entry. fontSize -1 keeps the
// entry's SIZE (or the default). Returns the parsed entry. `maskError` is told when a mask gives
// no usable region.
SkinRect CreateSkinButton(CBitmapBtn& button, std::u16string_view section, std::u16string_view key,
                          const SkinContext& context, ui::Window& parent, bool readText,
                          int textFormat, int fontSize,
                          const std::function<void()>& maskError = {});

// Checks the button among buttons and clears the others; the index of it, or -1.
int SelectInGroup(const ui::Window* button, std::span<CBitmapBtn* const> buttons,
                  int* index = nullptr);

} // namespace lumetta
