#include "skin/files/SkinRect.h"

namespace lumetta {

SkinRect ParseSkinRect(std::u16string_view) {
    return {};
}
int32_t SkinNumber(std::u16string_view) {
    return 0;
}

} // namespace lumetta
