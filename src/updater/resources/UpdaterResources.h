// The updater's look, built into the program: its layout document, pictures and masks,
// looked up by resource type and number as the program's resources are.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace lumetta {

// The numbers the updater's window code asks for.
namespace updater_res {
inline constexpr int kLayout = 158;        // "XML": layout document
inline constexpr int kMainNormal = 155;    // "JPG": background, the buttons' normal look
inline constexpr int kMainOver = 154;      // "JPG": the buttons' hover and pressed look
inline constexpr int kMainDisabled = 153;  // "JPG": the buttons' disabled look
inline constexpr int kBarBackground = 156; // "JPG"
inline constexpr int kBarFill = 157;       // "JPG"
inline constexpr int kBarIcon = 161;       // "JPG"
inline constexpr int kMainMask = 159;      // "BMP"
inline constexpr int kResultMask = 160;    // "BMP"
// Result window pictures by kind (1 success, 2 failure, 3 refused): normal, over, disabled.
inline constexpr int kResultPictures[3][3] = {{149, 148, 147}, {152, 151, 150}, {144, 146, 145}};
} // namespace updater_res

struct EmbeddedResource {
    std::string_view type; // "XML", "JPG", "BMP"
    int id = 0;
    std::span<const std::uint8_t> bytes;
};

// The bytes of resource type/id; empty when there is none. Types compare without regard to
// ASCII case, as resource types do.
std::span<const std::uint8_t> findResource(std::string_view type, int id);

// Every embedded resource, ordered by type and number.
std::span<const EmbeddedResource> embeddedResources();

} // namespace lumetta
