#pragma once

// Private to gfx: the one place that talks to Pango and fontconfig. All of it runs under one
// lock, so fonts and text may be used from any thread, though drawing normally happens on the
// user-interface thread only.

#include "platform/gfx/Color.h"
#include "platform/gfx/Font.h"
#include "platform/gfx/Geometry.h"
#include "platform/gfx/Text.h"
#include "platform/gfx/TextFormat.h"

#include <cstdint>
#include <filesystem>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
typedef struct _PangoFontMap PangoFontMap;
typedef struct _PangoContext PangoContext;
typedef struct _PangoLayout PangoLayout;
typedef struct _PangoFontDescription PangoFontDescription;

namespace lumetta::gfx::detail {

struct FontData {
    FontSpec desc;
    std::string family;
    bool found = false;
    int cellHeight = 0;
    int ascent = 0;
    int descent = 0;
    std::uint64_t id = 0;
    PangoFontDescription* description = nullptr;

    FontData() = default;
    ~FontData();
    FontData(const FontData&) = delete;
    FontData& operator=(const FontData&) = delete;
};

class TextEngine {
public:
    static TextEngine& instance();

    std::shared_ptr<const FontData> font(const FontSpec& desc);
    TextExtent measure(const FontData& font, std::string_view text, int width, int height,
                       TextFormat flags);
    // Draws in rect on cr (in cr's current coordinates, clip and all).
    void draw(cairo_t* cr, const FontData& font, std::string_view text, const Rect& rect,
              TextFormat flags, SysColor color, std::optional<SysColor> background);
    std::vector<int> caretOffsets(const FontData& font, std::string_view text);

    bool addPrivateFont(const std::filesystem::path& file);
    bool removePrivateFont(const std::filesystem::path& file);

    // Cached layouts, for tests and benchmarks.
    std::size_t cachedLayouts();

private:
    struct Key {
        std::uint64_t font;
        std::uint32_t flags;
        int width;
        int height;
        std::string_view text; // points into the entry's own copy, or the caller's while probing
        friend bool operator==(const Key&, const Key&) = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const;
    };
    struct Entry;

    TextEngine();
    ~TextEngine() = delete; // lives for the whole process

    Entry& lookup(const FontData& font, std::string_view text, int width, int height,
                  TextFormat flags);
    std::unique_ptr<Entry> build(const FontData& font, std::string_view text, int width, int height,
                                 TextFormat flags);
    void ensureMask(Entry& e);
    void evict();
    void createFontMap();
    void fontsChanged();
    void resolveSize(FontData& f);
    PangoLayout* newLayout(const FontData& font, const std::string& text, TextFormat flags,
                           const std::vector<std::pair<int, int>>& underlines);

    std::mutex mutex_;
    PangoFontMap* fontMap_ = nullptr;
    PangoContext* context_ = nullptr;
    std::map<std::tuple<std::string, int, int, bool, bool>, std::shared_ptr<const FontData>> fonts_;
    std::list<std::unique_ptr<Entry>> lru_; // most recent first
    std::unordered_map<Key, std::list<std::unique_ptr<Entry>>::iterator, KeyHash> index_;
    std::size_t maskBytes_ = 0;
    std::map<std::string, int> privateFonts_;
};

} // namespace lumetta::gfx::detail
