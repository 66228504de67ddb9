#include "Forge.h"

#include "ArtDescription.h"
#include "Canvas.h"
#include "Encoders.h"
#include "FontSet.h"
#include "LayoutDocument.h"
#include "WindowPainter.h"

#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <memory>

namespace skinforge {
namespace {

namespace fs = std::filesystem;

const char* lookName(Look look) {
    switch (look) {
    case Look::Normal:
        return "normal";
    case Look::Over:
        return "over";
    case Look::Down:
        return "down";
    case Look::Disabled:
        return "disabled";
    }
    return "";
}

class SkinRenderer {
public:
    SkinRenderer(const Art& art, const FontSet& fonts, ForgeResult& result,
                 const fs::path& previewDir)
        : art_(art), fonts_(fonts), result_(result), previewDir_(previewDir),
          painter_(art, fonts, result.problems), s_{art.skin.scale} {}

    void run() {
        std::vector<LayoutEntry> entries;
        for (const Window& window : art_.skin.windows) {
            renderWindow(window);
            collectEntries(window, entries);
        }
        if (!art_.skin.document.empty()) {
            std::vector<std::uint8_t> bytes;
            if (!encodeUtf16Le(layoutDocumentText(art_.skin.root, entries), bytes)) {
                result_.problems.push_back(art_.skin.name + ": the layout document is not UTF-8");
            }
            result_.outputs[art_.skin.document] = std::move(bytes);
        }
    }

private:
    void renderWindow(const Window& window) {
        const int width = s_.px(window.width);
        const int height = s_.px(window.height);
        const std::vector<std::uint8_t> inside =
            roundedMask(width, height, s_.len(art_.style.radius));
        if (!window.mask.empty()) {
            result_.outputs[window.mask] = encodeMaskBmp(inside, width, height);
        }
        for (const Variant& variant : window.variants) {
            const std::pair<Look, const std::string*> looks[] = {
                {Look::Normal, &variant.looks.normal},
                {Look::Over, &variant.looks.over},
                {Look::Down, &variant.looks.down},
                {Look::Disabled, &variant.looks.disabled},
            };
            for (const auto& [look, output] : looks) {
                if (output->empty()) {
                    continue;
                }
                Canvas canvas(width, height);
                painter_.paint(canvas, window, variant, look, false);
                store(*output, canvas);
                preview(window, variant, lookName(look), canvas, inside);
            }
        }
        renderProgress(window, inside);
    }

    // The bar's pictures are cut from the window itself, empty and full, so that the program
    // drawing them over the background leaves no seam.
    void renderProgress(const Window& window, const std::vector<std::uint8_t>& inside) {
        for (const Element& e : window.elements) {
            if (e.kind != ElementKind::Progress) {
                continue;
            }
            const Variant& variant = window.variants.front();
            const Box b = s_.box(e.box);
            Canvas empty(s_.px(window.width), s_.px(window.height));
            painter_.paint(empty, window, variant, Look::Normal, false);
            Canvas full(empty.width(), empty.height());
            painter_.paint(full, window, variant, Look::Normal, true);
            Canvas track(b.w, b.h);
            track.copyFrom(empty, b.x, b.y);
            store(e.track, track);
            Canvas fill(b.w, b.h);
            fill.copyFrom(full, b.x, b.y);
            store(e.fill, fill);
            if (!e.icon.empty()) {
                Canvas icon(b.h, b.h);
                painter_.paintProgressIcon(icon);
                store(e.icon, icon);
            }
            // What the running window shows part-way through, for the screenshots.
            Canvas moving(empty.width(), empty.height());
            moving.copyFrom(empty, 0, 0);
            cairo_t* cr = moving.cr();
            cairo_rectangle(cr, b.x, b.y, b.w * 0.6, b.h);
            cairo_clip(cr);
            moving.copyFrom(full, 0, 0);
            cairo_reset_clip(cr);
            preview(window, variant, "progress", moving, inside);
        }
    }

    void store(const std::string& output, const Canvas& canvas) {
        if (!canvas.ok()) {
            result_.problems.push_back(art_.skin.name + ": drawing " + output + " failed");
            return;
        }
        result_.outputs[output] = encodeJpeg(canvas.rgb(), canvas.width(), canvas.height());
    }

    void preview(const Window& window, const Variant& variant, const std::string& look,
                 const Canvas& canvas, const std::vector<std::uint8_t>& inside) {
        if (previewDir_.empty()) {
            return;
        }
        std::string name = window.name;
        if (!variant.name.empty()) {
            name += "-" + variant.name;
        }
        if (look != "normal") {
            name += "-" + look;
        }
        Canvas shaped(canvas.width(), canvas.height());
        shaped.copyFrom(canvas, 0, 0);
        shaped.applyMask(inside);
        previews_.emplace_back(name + ".png");
        fs::create_directories(previewDir_);
        if (!shaped.savePng((previewDir_ / previews_.back()).string())) {
            result_.problems.push_back("cannot write preview " + previews_.back());
        }
    }

    void collectEntries(const Window& window, std::vector<LayoutEntry>& entries) {
        auto add = [&](const Element& e) {
            LayoutEntry entry{e.section, e.key, {}, {}};
            const Box b = s_.box(e.box);
            switch (e.kind) {
            case ElementKind::Button:
            case ElementKind::Progress:
                entry.value = controlValue(e.key, b.x, b.y, b.w, b.h);
                break;
            case ElementKind::Field:
                entry.value = controlValue(e.key, b.x, b.y, b.w, b.h);
                fieldAttributes(e, entry);
                break;
            case ElementKind::Value:
                entry.value = e.text;
                break;
            default:
                return;
            }
            entries.push_back(std::move(entry));
        };
        std::for_each(window.elements.begin(), window.elements.end(), add);
        for (const Variant& v : window.variants) {
            std::for_each(v.elements.begin(), v.elements.end(), add);
        }
    }

    void fieldAttributes(const Element& e, LayoutEntry& entry) {
        auto colour = art_.style.colours.find(e.colour);
        if (colour != art_.style.colours.end()) {
            entry.attributes.emplace_back("COLOR", std::to_string(colour->second.sysColor()));
        }
        if (!e.font.empty()) {
            if (const FaceInfo* face = fonts_.face(e.font)) {
                entry.attributes.emplace_back("FONT", face->family);
            }
        }
        if (e.size > 0) {
            entry.attributes.emplace_back("SIZE", std::to_string(s_.px(int(e.size))));
        }
    }

    const Art& art_;
    const FontSet& fonts_;
    ForgeResult& result_;
    fs::path previewDir_;
    WindowPainter painter_;
    Scaler s_;
    std::vector<std::string> previews_;
};

bool writeIfChanged(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (in) {
        std::vector<std::uint8_t> old((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
        if (old == bytes) {
            return true;
        }
    }
    in.close();
    fs::path temporary = path;
    temporary += ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (!out.flush()) {
            return false;
        }
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    return !error;
}

// Resources first by type, then by number; files by name.
std::string manifestText(const std::map<std::string, std::vector<std::uint8_t>>& outputs) {
    std::vector<std::tuple<std::string, int, std::string>> resources;
    std::vector<std::string> files;
    for (const auto& [name, bytes] : outputs) {
        std::string type;
        int id = 0;
        if (isResourceOutput(name, &type, &id)) {
            resources.emplace_back(type, id, outputFileName(name));
        } else {
            files.push_back(name);
        }
    }
    std::sort(resources.begin(), resources.end());
    std::string text = "# made by skinforge: resource TYPE ID FILE, or file PATH\n";
    for (const auto& [type, id, file] : resources) {
        text += "resource " + type + " " + std::to_string(id) + " " + file + "\n";
    }
    for (const std::string& file : files) {
        text += "file " + file + "\n";
    }
    return text;
}

} // namespace

std::string outputFileName(const std::string& output) {
    std::string type;
    int id = 0;
    if (!isResourceOutput(output, &type, &id)) {
        return output;
    }
    std::string extension = type;
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return type + "_" + std::to_string(id) + "." + extension;
}

ForgeResult render(const ForgeOptions& options) {
    ForgeResult result;
    LoadResult loaded = loadArt(options.artDir, options.skinFile, options.scale);
    if (!loaded.ok()) {
        result.problems = std::move(loaded.problems);
        return result;
    }
    std::string error;
    std::unique_ptr<FontSet> fonts =
        FontSet::open(options.fontsDir, loaded.art.style.fontFiles, error);
    if (!fonts) {
        result.problems.push_back(error);
        return result;
    }
    SkinRenderer(loaded.art, *fonts, result, options.previewDir).run();
    return result;
}

ForgeResult forge(const ForgeOptions& options) {
    ForgeResult result = render(options);
    if (!result.ok()) {
        return result;
    }
    std::error_code error;
    fs::create_directories(options.outDir, error);
    std::string manifest = manifestText(result.outputs);
    for (const auto& [name, bytes] : result.outputs) {
        fs::path path = options.outDir / outputFileName(name);
        fs::create_directories(path.parent_path(), error);
        if (!writeIfChanged(path, bytes)) {
            result.problems.push_back("cannot write " + path.string());
        }
    }
    // The manifest goes last and always, as the build's mark that every file beside it is
    // whole and current.
    std::ofstream out(options.outDir / "manifest.txt", std::ios::binary | std::ios::trunc);
    out << manifest;
    if (!out.flush()) {
        result.problems.push_back("cannot write the manifest in " + options.outDir.string());
    }
    return result;
}

} // namespace skinforge
