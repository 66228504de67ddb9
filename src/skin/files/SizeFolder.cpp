#include "skin/files/SizeFolder.h"

namespace lumetta {

std::string_view ChooseSizeFolder(int screenWidth, int screenHeight, std::optional<int> forced) {
    if (forced) {
        switch (*forced) {
        case 0:
            return SizeFolderLarge;
        case 1:
            return SizeFolderMedium;
        default:
            return SizeFolderSmall;
        }
    }
    if (screenWidth >= 2500 && screenHeight >= 1563) {
        return SizeFolderLarge;
    }
    if (screenWidth >= 1800 && screenHeight >= 1125) {
        return SizeFolderMedium;
    }
    return SizeFolderSmall;
}

} // namespace lumetta
