// The picture and layout folder under "Skins/" that matches the screen.
#pragma once

#include <optional>
#include <string_view>

namespace lumetta {

inline constexpr std::string_view SizeFolderLarge = "2500x1563/";
inline constexpr std::string_view SizeFolderMedium = "1800x1125/";
inline constexpr std::string_view SizeFolderSmall = "1366x768/";

// With a forced value from the command line: 0 gives the large folder, 1 the medium one, any
// other value the small one. Otherwise the largest folder whose size fits the screen.
std::string_view ChooseSizeFolder(int screenWidth, int screenHeight, std::optional<int> forced);

} // namespace lumetta
