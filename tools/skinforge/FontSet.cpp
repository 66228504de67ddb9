#include "FontSet.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

namespace skinforge {
namespace {

bool queryFace(const std::filesystem::path& file, FaceInfo& info) {
    int count = 0;
    FcPattern* pattern =
        FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(file.c_str()), 0, nullptr, &count);
    if (pattern == nullptr) {
        return false;
    }
    FcChar8* family = nullptr;
    int weight = FC_WEIGHT_REGULAR;
    bool ok = FcPatternGetString(pattern, FC_FAMILY, 0, &family) == FcResultMatch;
    FcPatternGetInteger(pattern, FC_WEIGHT, 0, &weight);
    if (ok) {
        info.file = file.string();
        info.family = reinterpret_cast<const char*>(family);
        info.weight = FcWeightToOpenType(weight);
    }
    FcPatternDestroy(pattern);
    return ok;
}

} // namespace

std::unique_ptr<FontSet> FontSet::open(const std::filesystem::path& fontsDir,
                                       const std::map<std::string, std::string>& roles,
                                       std::string& error) {
    std::unique_ptr<FontSet> set(new FontSet);
    // A configuration without any configuration file: no system folders, no substitutions.
    set->config_ = FcConfigCreate();
    if (set->config_ == nullptr) {
        error = "fontconfig cannot create a configuration";
        return nullptr;
    }
    for (const auto& [role, name] : roles) {
        std::filesystem::path file = fontsDir / name;
        FaceInfo info;
        if (!queryFace(file, info) ||
            !FcConfigAppFontAddFile(set->config_, reinterpret_cast<const FcChar8*>(file.c_str()))) {
            error = "font file " + file.string() + " cannot be read";
            return nullptr;
        }
        set->faces_[role] = info;
    }
    set->map_ = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
    pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(set->map_), set->config_);
    set->context_ = pango_font_map_create_context(set->map_);
    // Fixed choices, so that every build draws the same pixels.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(set->context_, options);
    cairo_font_options_destroy(options);
    pango_cairo_context_set_resolution(set->context_, 96.0);
    return set;
}

FontSet::~FontSet() {
    if (context_) {
        g_object_unref(context_);
    }
    if (map_) {
        g_object_unref(map_);
    }
    if (config_) {
        FcConfigDestroy(config_);
    }
}

const FaceInfo* FontSet::face(const std::string& role) const {
    auto it = faces_.find(role);
    return it == faces_.end() ? nullptr : &it->second;
}

PangoFontDescription* FontSet::describe(const std::string& role, double px) const {
    PangoFontDescription* d = pango_font_description_new();
    if (const FaceInfo* f = face(role)) {
        pango_font_description_set_family(d, f->family.c_str());
        pango_font_description_set_weight(d, PangoWeight(f->weight));
    }
    pango_font_description_set_absolute_size(d, px * PANGO_SCALE);
    return d;
}

PangoContext* FontSet::context(cairo_t* cr) const {
    pango_cairo_update_context(cr, context_);
    return context_;
}

} // namespace skinforge

// Fontconfig keeps its pattern caches for the life of the process and Pango matches fonts on a
// worker thread whose results it never frees; the leak checker of sanitizer builds is told so,
// for those two libraries only. Weak, so that a program also linking the drawing library's
// identical list keeps that one.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libpangoft2-1.0.so\n";
}
