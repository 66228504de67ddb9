#include "platform/gfx/TextEngine.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <atomic>
#include <cmath>
#include <functional>

namespace lumetta::gfx::detail {

namespace {

// A cache that holds every caption of every window several times over; masks are small, the
// byte budget stops a run of huge texts from holding memory.
constexpr std::size_t kMaxLayouts = 4096;
constexpr std::size_t kMaxMaskBytes = 64u << 20;
constexpr int kDefaultCellHeight = 16;

std::atomic<std::uint64_t> nextFontId{1};

struct CairoSurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};

struct ResolvedFace {
    std::string family;
    bool found = false;
    int weight = 0; // the face's own weight when the name picked one face of a family
    bool italic = false;
};

// Looks the name up as a family, then as a full face name ("Family Medium"), then as a
// PostScript name, the ways a face is commonly named in layout files.
ResolvedFace resolveFace(const std::string& name) {
    if (name.empty()) {
        return {"sans-serif", false};
    }
    const char* objects[] = {FC_FAMILY, FC_FULLNAME, FC_POSTSCRIPT_NAME};
    for (const char* object : objects) {
        FcPattern* pattern = FcPatternCreate();
        FcPatternAddString(pattern, object, reinterpret_cast<const FcChar8*>(name.c_str()));
        FcObjectSet* wanted = FcObjectSetBuild(FC_FAMILY, FC_WEIGHT, FC_SLANT, nullptr);
        FcFontSet* set = FcFontList(nullptr, pattern, wanted);
        ResolvedFace face;
        if (set != nullptr && set->nfont > 0) {
            face.found = true;
            face.family = name;
            if (object != std::string_view(FC_FAMILY)) {
                FcChar8* family = nullptr;
                if (FcPatternGetString(set->fonts[0], FC_FAMILY, 0, &family) == FcResultMatch) {
                    face.family = reinterpret_cast<const char*>(family);
                }
                int weight = 0;
                if (FcPatternGetInteger(set->fonts[0], FC_WEIGHT, 0, &weight) == FcResultMatch) {
                    face.weight = FcWeightToOpenType(weight);
                }
                int slant = 0;
                if (FcPatternGetInteger(set->fonts[0], FC_SLANT, 0, &slant) == FcResultMatch) {
                    face.italic = slant != FC_SLANT_ROMAN;
                }
            }
        }
        if (set != nullptr) {
            FcFontSetDestroy(set);
        }
        FcObjectSetDestroy(wanted);
        FcPatternDestroy(pattern);
        if (face.found) {
            return face;
        }
    }
    return {name, false};
}

// Text as it is laid out: line breaks normalised (or turned into spaces on a single line) and
// "&" prefixes taken out, with the byte ranges they underline.
std::string prepareText(std::string_view text, TextFormat flags,
                        std::vector<std::pair<int, int>>& underlines) {
    bool single = has(flags, TextFormat::SingleLine);
    bool prefixes = !has(flags, TextFormat::NoPrefix);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            out.push_back(single ? ' ' : '\n');
            continue;
        }
        if (c == '&' && prefixes) {
            if (i + 1 >= text.size()) {
                break;
            }
            if (text[i + 1] == '&') {
                out.push_back('&');
                ++i;
                continue;
            }
            // Underline the whole next code point.
            std::size_t end = i + 2;
            while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
                ++end;
            }
            underlines.emplace_back(int(out.size()), int(out.size() + (end - i - 1)));
            continue;
        }
        out.push_back(c);
    }
    return out;
}

Rect pixelRect(const PangoRectangle& r) {
    // Outward to whole pixels, from Pango units.
    int left = PANGO_PIXELS_FLOOR(r.x);
    int top = PANGO_PIXELS_FLOOR(r.y);
    int right = PANGO_PIXELS_CEIL(r.x + r.width);
    int bottom = PANGO_PIXELS_CEIL(r.y + r.height);
    return {left, top, right, bottom};
}

void setColor(cairo_t* cr, SysColor c) {
    cairo_set_source_rgb(cr, sysRed(c) / 255.0, sysGreen(c) / 255.0, sysBlue(c) / 255.0);
}

} // namespace

struct TextEngine::Entry {
    std::string text;
    Key key{};
    PangoLayout* layout = nullptr;
    int x = 0; // where the layout's origin goes, from the rectangle's top left
    int y = 0;
    TextExtent extent;
    Rect ink;
    bool clipped = true;
    int width = 0;
    int height = 0;
    std::unique_ptr<cairo_surface_t, CairoSurfaceDeleter> mask;
    Rect maskRect;
    bool maskReady = false;
    std::size_t bytes = 0;

    ~Entry() {
        if (layout != nullptr) {
            g_object_unref(layout);
        }
    }
};

FontData::~FontData() {
    if (description != nullptr) {
        pango_font_description_free(description);
    }
}

std::size_t TextEngine::KeyHash::operator()(const Key& k) const {
    std::size_t h = std::hash<std::string_view>()(k.text);
    auto mix = [&h](std::uint64_t v) {
        h ^= std::hash<std::uint64_t>()(v) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
    };
    mix(k.font);
    mix(k.flags);
    mix((std::uint64_t(std::uint32_t(k.width)) << 32) | std::uint32_t(k.height));
    return h;
}

TextEngine& TextEngine::instance() {
    static TextEngine* engine = new TextEngine();
    return *engine;
}

TextEngine::TextEngine() {
    FcInit();
    createFontMap();
}

void TextEngine::createFontMap() {
    fontMap_ = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
    // Without an explicit configuration the map uses fontconfig's current one, the same the
    // private fonts are added to.
    context_ = pango_font_map_create_context(fontMap_);
    // Fixed rendering choices, so that text looks the same whatever the desktop prefers.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(context_, options);
    cairo_font_options_destroy(options);
    pango_cairo_context_set_resolution(context_, 96.0);
}

void TextEngine::resolveSize(FontData& f) {
    auto metricsAt = [&](double pixels, int& ascent, int& descent) {
        pango_font_description_set_absolute_size(f.description, pixels * PANGO_SCALE);
        PangoFont* font = pango_font_map_load_font(fontMap_, context_, f.description);
        ascent = descent = 0;
        if (font == nullptr) {
            return;
        }
        PangoFontMetrics* m = pango_font_get_metrics(font, nullptr);
        ascent = pango_font_metrics_get_ascent(m);
        descent = pango_font_metrics_get_descent(m);
        pango_font_metrics_unref(m);
        g_object_unref(font);
    };
    int wanted = f.desc.height == 0 ? kDefaultCellHeight : f.desc.height;
    double pixels = std::abs(wanted);
    int ascent = 0;
    int descent = 0;
    if (wanted > 0) {
        // The cell height scales with the em size; a large probe avoids hinting's rounding,
        // then a few steps settle the rounding at the real size.
        metricsAt(256.0, ascent, descent);
        double cellAt256 = double(ascent + descent) / PANGO_SCALE;
        pixels = cellAt256 > 0 ? wanted * 256.0 / cellAt256 : wanted;
        double best = pixels;
        for (int step = 0; step < 4; ++step) {
            metricsAt(pixels, ascent, descent);
            int cell = PANGO_PIXELS(ascent + descent);
            if (cell <= wanted) {
                best = pixels;
            }
            if (cell == wanted || cell <= 0) {
                break;
            }
            pixels *= double(wanted) / cell;
        }
        pixels = best;
    }
    metricsAt(pixels, ascent, descent);
    f.ascent = PANGO_PIXELS(ascent);
    f.descent = PANGO_PIXELS(descent);
    f.cellHeight = f.ascent + f.descent;
}

std::shared_ptr<const FontData> TextEngine::font(const FontSpec& desc) {
    std::lock_guard lock(mutex_);
    auto key = std::make_tuple(desc.face, desc.height, desc.weight, desc.italic, desc.underline);
    if (auto it = fonts_.find(key); it != fonts_.end()) {
        return it->second;
    }
    auto f = std::make_shared<FontData>();
    f->desc = desc;
    f->id = nextFontId++;
    ResolvedFace face = resolveFace(desc.face);
    f->family = face.family;
    f->found = face.found;
    int weight = desc.weight == 0 ? 400 : std::clamp(desc.weight, 100, 1000);
    // A name that picked one face of a family keeps that face unless bold is asked for.
    if (face.weight != 0 && weight < 600) {
        weight = face.weight;
    }
    f->description = pango_font_description_new();
    std::string families = face.family + ",sans-serif";
    pango_font_description_set_family(f->description, families.c_str());
    pango_font_description_set_weight(f->description, PangoWeight(weight));
    pango_font_description_set_style(
        f->description, desc.italic || face.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    resolveSize(*f);
    fonts_.emplace(key, f);
    return f;
}

PangoLayout* TextEngine::newLayout(const FontData& font, const std::string& text, TextFormat flags,
                                   const std::vector<std::pair<int, int>>& underlines) {
    PangoLayout* layout = pango_layout_new(context_);
    pango_layout_set_font_description(layout, font.description);
    PangoAttrList* attrs = pango_attr_list_new();
    if (font.desc.underline) {
        pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    }
    for (auto [start, end] : underlines) {
        PangoAttribute* a = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
        a->start_index = guint(start);
        a->end_index = guint(end);
        pango_attr_list_insert(attrs, a);
    }
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
    pango_layout_set_text(layout, text.data(), int(text.size()));
    PangoAlignment align = PANGO_ALIGN_LEFT;
    if (has(flags, TextFormat::Center)) {
        align = PANGO_ALIGN_CENTER;
    } else if (has(flags, TextFormat::Right)) {
        align = PANGO_ALIGN_RIGHT;
    }
    pango_layout_set_alignment(layout, align);
    return layout;
}

std::unique_ptr<TextEngine::Entry> TextEngine::build(const FontData& font, std::string_view text,
                                                     int width, int height, TextFormat flags) {
    auto e = std::make_unique<Entry>();
    e->text = std::string(text);
    e->key = Key{font.id, std::uint32_t(flags), width, height, e->text};
    e->width = width;
    e->height = height;
    e->clipped = !has(flags, TextFormat::NoClip);
    std::vector<std::pair<int, int>> underlines;
    std::string shown = prepareText(text, flags, underlines);
    e->layout = newLayout(font, shown, flags, underlines);

    bool wrap = has(flags, TextFormat::WordBreak) && !has(flags, TextFormat::SingleLine);
    bool ellipsis = has(flags, TextFormat::EndEllipsis);
    bool widthSet = false;
    if (wrap && width > 0) {
        pango_layout_set_width(e->layout, width * PANGO_SCALE);
        pango_layout_set_wrap(e->layout, PANGO_WRAP_WORD_CHAR);
        widthSet = true;
        if (ellipsis && height > 0) {
            // Lines that do not fit fold into an ellipsis on the last one that does.
            pango_layout_set_ellipsize(e->layout, PANGO_ELLIPSIZE_END);
            pango_layout_set_height(e->layout, height * PANGO_SCALE);
        }
    } else if (ellipsis && width > 0) {
        // Each line is cut to the width on its own.
        pango_layout_set_width(e->layout, width * PANGO_SCALE);
        pango_layout_set_ellipsize(e->layout, PANGO_ELLIPSIZE_END);
        widthSet = true;
    }

    PangoRectangle ink;
    PangoRectangle logical;
    pango_layout_get_extents(e->layout, &ink, &logical);
    Rect logicalPx = pixelRect(logical);
    e->extent = {logicalPx.width(), logicalPx.height()};
    if (widthSet) {
        e->x = 0;
    } else if (has(flags, TextFormat::Center)) {
        e->x = (width - e->extent.width) / 2 - logicalPx.left;
    } else if (has(flags, TextFormat::Right)) {
        e->x = width - e->extent.width - logicalPx.left;
    } else {
        e->x = -logicalPx.left;
    }
    if (has(flags, TextFormat::VCenter)) {
        e->y = (height - e->extent.height) / 2 - logicalPx.top;
    } else if (has(flags, TextFormat::Bottom)) {
        e->y = height - e->extent.height - logicalPx.top;
    } else {
        e->y = -logicalPx.top;
    }
    e->ink = pixelRect(ink).translated(e->x, e->y);
    e->bytes = e->text.size() + sizeof(Entry) + 512;
    return e;
}

TextEngine::Entry& TextEngine::lookup(const FontData& font, std::string_view text, int width,
                                      int height, TextFormat flags) {
    flags = flags & ~TextFormat::CalcRect;
    Key probe{font.id, std::uint32_t(flags), width, height, text};
    if (auto it = index_.find(probe); it != index_.end()) {
        lru_.splice(lru_.begin(), lru_, it->second);
        return *lru_.front();
    }
    lru_.push_front(build(font, text, width, height, flags));
    index_.emplace(lru_.front()->key, lru_.begin());
    maskBytes_ += lru_.front()->bytes;
    evict();
    return *lru_.front();
}

void TextEngine::evict() {
    while (lru_.size() > 1 && (lru_.size() > kMaxLayouts || maskBytes_ > kMaxMaskBytes)) {
        Entry& last = *lru_.back();
        maskBytes_ -= last.bytes;
        index_.erase(last.key);
        lru_.pop_back();
    }
}

void TextEngine::ensureMask(Entry& e) {
    if (e.maskReady) {
        return;
    }
    e.maskReady = true;
    e.maskRect = e.clipped ? e.ink.intersected({0, 0, e.width, e.height}) : e.ink;
    if (e.maskRect.empty()) {
        return;
    }
    cairo_surface_t* mask =
        cairo_image_surface_create(CAIRO_FORMAT_A8, e.maskRect.width(), e.maskRect.height());
    if (cairo_surface_status(mask) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(mask);
        return;
    }
    cairo_t* cr = cairo_create(mask);
    cairo_translate(cr, e.x - e.maskRect.left, e.y - e.maskRect.top);
    pango_cairo_show_layout(cr, e.layout);
    cairo_destroy(cr);
    cairo_surface_flush(mask);
    e.mask.reset(mask);
    std::size_t bytes = std::size_t(cairo_image_surface_get_stride(mask)) * e.maskRect.height();
    e.bytes += bytes;
    maskBytes_ += bytes;
}

TextExtent TextEngine::measure(const FontData& font, std::string_view text, int width, int height,
                               TextFormat flags) {
    if (text.empty()) {
        return {};
    }
    std::lock_guard lock(mutex_);
    return lookup(font, text, width, height, flags).extent;
}

void TextEngine::draw(cairo_t* cr, const FontData& font, std::string_view text, const Rect& rect,
                      TextFormat flags, SysColor color, std::optional<SysColor> background) {
    if (text.empty()) {
        return;
    }
    std::lock_guard lock(mutex_);
    Entry& e = lookup(font, text, rect.width(), rect.height(), flags);
    cairo_save(cr);
    if (e.clipped) {
        cairo_rectangle(cr, rect.left, rect.top, rect.width(), rect.height());
        cairo_clip(cr);
    }
    if (background) {
        PangoLayoutIter* it = pango_layout_get_iter(e.layout);
        do {
            PangoRectangle line;
            pango_layout_iter_get_line_extents(it, nullptr, &line);
            Rect r = pixelRect(line).translated(rect.left + e.x, rect.top + e.y);
            cairo_rectangle(cr, r.left, r.top, r.width(), r.height());
        } while (pango_layout_iter_next_line(it));
        pango_layout_iter_free(it);
        setColor(cr, *background);
        cairo_fill(cr);
    }
    ensureMask(e);
    if (e.mask) {
        setColor(cr, color);
        cairo_mask_surface(cr, e.mask.get(), rect.left + e.maskRect.left,
                           rect.top + e.maskRect.top);
    }
    cairo_restore(cr);
}

std::vector<int> TextEngine::caretOffsets(const FontData& font, std::string_view text) {
    std::lock_guard lock(mutex_);
    std::string copy(text);
    PangoLayout* layout = newLayout(font, copy, TextFormat::NoPrefix, {});
    std::vector<int> out;
    out.push_back(0);
    for (std::size_t i = 0; i < copy.size(); ++i) {
        if ((static_cast<unsigned char>(copy[i]) & 0xC0) == 0x80) {
            continue;
        }
        if (i == 0) {
            continue;
        }
        PangoRectangle pos;
        pango_layout_index_to_pos(layout, int(i), &pos);
        out.push_back(PANGO_PIXELS(pos.x));
    }
    if (!copy.empty()) {
        PangoRectangle logical;
        pango_layout_get_extents(layout, nullptr, &logical);
        out.push_back(PANGO_PIXELS(logical.x + logical.width));
    }
    g_object_unref(layout);
    return out;
}

std::size_t TextEngine::cachedLayouts() {
    std::lock_guard lock(mutex_);
    return lru_.size();
}

void TextEngine::fontsChanged() {
    // Layouts hold the old font map's fonts: drop them first. A fresh font map then sees the
    // new font set without any of the old one's caches.
    fonts_.clear();
    index_.clear();
    lru_.clear();
    maskBytes_ = 0;
    g_object_unref(context_);
    g_object_unref(fontMap_);
    createFontMap();
}

bool TextEngine::addPrivateFont(const std::filesystem::path& file) {
    std::lock_guard lock(mutex_);
    std::string path = std::filesystem::absolute(file).lexically_normal().string();
    auto it = privateFonts_.find(path);
    if (it != privateFonts_.end()) {
        ++it->second;
        return true;
    }
    const auto* name = reinterpret_cast<const FcChar8*>(path.c_str());
    if (!FcConfigAppFontAddFile(FcConfigGetCurrent(), name)) {
        return false;
    }
    privateFonts_.emplace(path, 1);
    fontsChanged();
    return true;
}

bool TextEngine::removePrivateFont(const std::filesystem::path& file) {
    std::lock_guard lock(mutex_);
    std::string path = std::filesystem::absolute(file).lexically_normal().string();
    auto it = privateFonts_.find(path);
    if (it == privateFonts_.end()) {
        return false;
    }
    if (--it->second > 0) {
        return true;
    }
    privateFonts_.erase(it);
    // fontconfig can only drop all application fonts at once; the others are added back.
    FcConfig* config = FcConfigGetCurrent();
    FcConfigAppFontClear(config);
    for (const auto& [other, count] : privateFonts_) {
        FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(other.c_str()));
    }
    fontsChanged();
    return true;
}

} // namespace lumetta::gfx::detail

// Fontconfig keeps its pattern caches for the life of the process and Pango matches fonts on a
// worker thread whose results it does not free; neither is reachable from here to release.
// The leak checker of sanitizer builds is told so, and only about those two libraries.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libpangoft2-1.0.so\n";
}
