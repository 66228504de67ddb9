// ParseSkinRect and the other value readers on arbitrary entry texts.
#include "skin/files/CharacterReferences.h"
#include "skin/files/SkinRect.h"
#include "skin/files/SkinTextLayout.h"
#include "skin/files/Utf16Text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lumetta;
    std::u16string value = Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
    SkinRect rect = ParseSkinRect(value);
    // The text is always the piece between the last two commas.
    if (rect.text.size() > value.size() || rect.text.find(u',') != std::u16string::npos) {
        std::abort();
    }
    (void)SkinNumber(value);
    (void)CentreVertically(rect, SkinNumber(rect.text));
    std::u16string lines = ReplaceLineMarkers(value);
    if (lines.size() > value.size()) {
        std::abort();
    }
    std::u16string decoded = DecodeCharacterReferences(value);
    if (decoded.size() > value.size()) {
        std::abort();
    }
    (void)Utf16ToUtf8(decoded);
    return 0;
}
