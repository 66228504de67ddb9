// The faces the pictures are drawn with: exactly the shipped font files, through a fontconfig
// configuration of their own, so that what the desktop has installed never changes a pixel.
#pragma once

#include "ArtDescription.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>

typedef struct _PangoContext PangoContext;
typedef struct _PangoFontMap PangoFontMap;
typedef struct _PangoFontDescription PangoFontDescription;
typedef struct _FcConfig FcConfig;
typedef struct _cairo cairo_t;

namespace skinforge {

struct FaceInfo {
    std::string file;   // path of the font file
    std::string family; // the family the file declares, as skin entries name it
    int weight = 400;   // CSS-style weight of the file
};

class FontSet {
public:
    // Registers every role's file from fontsDir; error names what was wrong when null.
    static std::unique_ptr<FontSet> open(const std::filesystem::path& fontsDir,
                                         const std::map<std::string, std::string>& roles,
                                         std::string& error);
    ~FontSet();
    FontSet(const FontSet&) = delete;
    FontSet& operator=(const FontSet&) = delete;

    const FaceInfo* face(const std::string& role) const;
    // A new description of role's face at px pixels (em size); the caller frees it.
    PangoFontDescription* describe(const std::string& role, double px) const;
    // The context layouts are made in, brought in line with cr's transformation.
    PangoContext* context(cairo_t* cr) const;

private:
    FontSet() = default;

    FcConfig* config_ = nullptr;
    PangoFontMap* map_ = nullptr;
    PangoContext* context_ = nullptr;
    std::map<std::string, FaceInfo> faces_;
};

} // namespace skinforge
