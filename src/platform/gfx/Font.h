#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace lumetta::gfx {

namespace detail {
struct FontData;
}

// What a caller asks for. The height follows the platform's convention: a positive value is
// the cell height (ascent plus descent, the height of one line of text), a negative value the
// character height (the em size) in pixels, and 0 the default cell height of 16.
struct FontSpec {
    std::string face; // empty: the default sans-serif face
    int height = 0;
    int weight = 400; // 100 (thin) to 900 (black); 0 means 400
    bool italic = false;
    bool underline = false;

    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// A font ready for text layout. Cheap to copy; creating the same description again returns the same
// font from a cache, so code that makes a font on every paint costs one lookup.
class Font {
public:
    Font(); // the default face at the default height; looked up when first used
    static Font create(const FontSpec& desc);
    static Font create(std::string face, int height, int weight = 400) {
        return create(FontSpec{std::move(face), height, weight});
    }

    const FontSpec& desc() const;
    // True when fontconfig knows the requested face (by family, full or PostScript name);
    // otherwise text falls back to a sans-serif face.
    bool faceFound() const;
    // The family the text is laid out with.
    const std::string& family() const;
    int cellHeight() const; // ascent + descent, the height of one line
    int ascent() const;
    int descent() const;
    // Identifies the font in caches; fonts made from equal specs share it.
    std::uint64_t id() const;

    const detail::FontData& data() const;

    friend bool operator==(const Font& a, const Font& b) { return a.id() == b.id(); }

private:
    explicit Font(std::shared_ptr<const detail::FontData> data) : data_(std::move(data)) {}
    // Null for a default font until it is used, so that a painter that draws no text never
    // starts the text engine (fontconfig's set-up is most of a program's first frame).
    mutable std::shared_ptr<const detail::FontData> data_;
};

} // namespace lumetta::gfx
