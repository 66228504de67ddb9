#include "ArtDescription.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

namespace skinforge {
namespace {

// Collects problems with their place; one per fault, loading goes on after each.
class Problems {
public:
    Problems(std::vector<std::string>& out, std::string file, const std::string& source)
        : out_(out), file_(std::move(file)), source_(source) {}

    void add(const pugi::xml_node& node, const std::string& message) {
        out_.push_back(file_ + ":" + std::to_string(lineOf(node)) + ": " + message);
    }
    void add(int line, const std::string& message) {
        out_.push_back(file_ + ":" + std::to_string(line) + ": " + message);
    }
    int lineOf(const pugi::xml_node& node) const {
        return lineAt(std::size_t(node.offset_debug()));
    }
    int lineAt(std::size_t offset) const {
        offset = std::min(offset, source_.size());
        return 1 + int(std::count(source_.begin(), source_.begin() + std::ptrdiff_t(offset), '\n'));
    }

private:
    std::vector<std::string>& out_;
    std::string file_;
    const std::string& source_;
};

bool parseDocument(pugi::xml_document& doc, const std::string& source, Problems& problems) {
    pugi::xml_parse_result result = doc.load_buffer(source.data(), source.size());
    if (!result) {
        problems.add(problems.lineAt(std::size_t(result.offset)),
                     std::string("not well-formed XML: ") + result.description());
        return false;
    }
    return true;
}

bool parseInt(std::string_view text, int& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool parseNumber(std::string_view text, double& value) {
    std::istringstream in{std::string(text)};
    in.imbue(std::locale::classic());
    in >> value;
    return !text.empty() && !in.fail() && in.eof() && std::isfinite(value);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool parseColour(std::string_view text, Colour& colour) {
    if (text.size() != 7 || text[0] != '#') {
        return false;
    }
    std::uint8_t parts[3];
    for (int i = 0; i < 3; ++i) {
        int hi = hexDigit(text[1 + 2 * i]);
        int lo = hexDigit(text[2 + 2 * i]);
        if (hi < 0 || lo < 0) {
            return false;
        }
        parts[i] = std::uint8_t(hi * 16 + lo);
    }
    colour = {parts[0], parts[1], parts[2]};
    return true;
}

void loadStyle(const std::string& source, Problems& problems, Style& style) {
    pugi::xml_document doc;
    if (!parseDocument(doc, source, problems)) {
        return;
    }
    pugi::xml_node root = doc.child("style");
    if (!root) {
        problems.add(doc.first_child(), "the root element must be <style>");
        return;
    }
    for (pugi::xml_node c : root.child("colours").children("colour")) {
        Colour colour;
        std::string name = c.attribute("name").value();
        if (name.empty() || !parseColour(c.attribute("value").value(), colour)) {
            problems.add(c, "a colour needs a name and a value #RRGGBB");
            continue;
        }
        if (!style.colours.emplace(name, colour).second) {
            problems.add(c, "colour '" + name + "' is defined twice");
        }
    }
    for (pugi::xml_node f : root.child("fonts").children("font")) {
        std::string role = f.attribute("role").value();
        std::string file = f.attribute("file").value();
        if (role.empty() || file.empty() || file.find('/') != std::string::npos) {
            problems.add(f, "a font needs a role and a plain file name");
            continue;
        }
        style.fontFiles[role] = file;
    }
    pugi::xml_node metrics = root.child("metrics");
    if (metrics) {
        if (!parseInt(metrics.attribute("radius").value(), style.radius) || style.radius < 0) {
            problems.add(metrics, "radius must be a whole number of pixels");
        }
        if (!parseInt(metrics.attribute("min-text").value(), style.minText) || style.minText < 1) {
            problems.add(metrics, "min-text must be a whole number of pixels");
        }
    }
}

void loadTexts(const std::string& source, Problems& problems, Texts& texts) {
    pugi::xml_document doc;
    if (!parseDocument(doc, source, problems)) {
        return;
    }
    pugi::xml_node root = doc.child("texts");
    if (!root) {
        problems.add(doc.first_child(), "the root element must be <texts>");
        return;
    }
    for (pugi::xml_node section : root.children("section")) {
        std::string name = section.attribute("name").value();
        for (pugi::xml_node t : section.children("text")) {
            std::string id = name + "/" + t.attribute("key").value();
            if (!texts.emplace(id, t.child_value()).second) {
                problems.add(t, "text '" + id + "' is defined twice");
            }
        }
    }
}

// Reads one skin description against the style and texts already loaded.
class SkinReader {
public:
    SkinReader(const Style& style, const Texts& texts, Problems& problems, double scale)
        : style_(style), texts_(texts), problems_(problems), scaleOverride_(scale) {}

    void read(const pugi::xml_node& root, Skin& skin) {
        skin.name = root.attribute("name").value();
        if (root.attribute("scale") && !parseNumber(root.attribute("scale").value(), skin.scale)) {
            problems_.add(root, "scale must be a number");
        }
        if (skin.scale <= 0 || skin.scale > 8) {
            problems_.add(root, "scale must lie above 0 and at most 8");
            skin.scale = 1;
        }
        if (scaleOverride_ > 0) {
            skin.scale = scaleOverride_;
        }
        scale_ = skin.scale;
        skin.document = root.attribute("document").value();
        if (root.attribute("root")) {
            skin.root = root.attribute("root").value();
        }
        claimOutput(root, skin.document);
        for (pugi::xml_node w : root.children()) {
            if (w.type() != pugi::node_element) {
                continue;
            }
            if (std::string(w.name()) != "window") {
                problems_.add(w, std::string("unknown element <") + w.name() + "> in a skin");
                continue;
            }
            skin.windows.push_back(readWindow(w));
        }
    }

private:
    Window readWindow(const pugi::xml_node& node) {
        Window window;
        window.name = node.attribute("name").value();
        window.section = node.attribute("section").value();
        if (window.section.empty()) {
            problems_.add(node, "window '" + window.name + "' needs a section");
        }
        if (!readInt(node, "width", window.width) || !readInt(node, "height", window.height) ||
            window.width <= 0 || window.height <= 0) {
            problems_.add(node, "window '" + window.name + "' needs a positive width and height");
        }
        window.mask = node.attribute("mask").value();
        claimOutput(node, window.mask);
        window_ = &window;
        Looks own = readLooks(node);
        for (pugi::xml_node child : node.children()) {
            if (child.type() != pugi::node_element) {
                continue;
            }
            if (std::string(child.name()) == "variant") {
                window.variants.push_back(readVariant(child));
                continue;
            }
            readElement(child, window.section, window.elements);
        }
        if (window.variants.empty()) {
            window.variants.push_back(Variant{"", own, {}});
            requireNormal(node, window.variants.back());
        } else if (!own.normal.empty() || !own.over.empty() || !own.down.empty() ||
                   !own.disabled.empty()) {
            problems_.add(node, "a window with variants takes its pictures from the variants");
        }
        window_ = nullptr;
        return window;
    }

    Variant readVariant(const pugi::xml_node& node) {
        Variant variant;
        variant.name = node.attribute("name").value();
        variant.looks = readLooks(node);
        requireNormal(node, variant);
        for (pugi::xml_node child : node.children()) {
            if (child.type() == pugi::node_element) {
                readElement(child, window_->section, variant.elements);
            }
        }
        return variant;
    }

    void requireNormal(const pugi::xml_node& node, const Variant& variant) {
        if (variant.looks.normal.empty()) {
            problems_.add(node, "window '" + window_->name + "' has no normal picture");
        }
    }

    Looks readLooks(const pugi::xml_node& node) {
        Looks looks{node.attribute("normal").value(), node.attribute("over").value(),
                    node.attribute("down").value(), node.attribute("disabled").value()};
        for (const std::string* o : {&looks.normal, &looks.over, &looks.down, &looks.disabled}) {
            claimOutput(node, *o);
        }
        return looks;
    }

    void readElement(const pugi::xml_node& node, const std::string& section,
                     std::vector<Element>& out) {
        static const std::map<std::string, ElementKind> kinds = {
            {"frame", ElementKind::Frame},     {"button", ElementKind::Button},
            {"text", ElementKind::Text},       {"panel", ElementKind::Panel},
            {"divider", ElementKind::Divider}, {"field", ElementKind::Field},
            {"value", ElementKind::Value},     {"progress", ElementKind::Progress},
            {"badge", ElementKind::Badge},
        };
        auto kind = kinds.find(node.name());
        if (kind == kinds.end()) {
            problems_.add(node, std::string("unknown element <") + node.name() + ">");
            return;
        }
        Element e;
        e.kind = kind->second;
        e.line = problems_.lineOf(node);
        e.section = node.attribute("section") ? node.attribute("section").value() : section;
        e.key = node.attribute("key").value();
        e.look = node.attribute("look").value();
        switch (e.kind) {
        case ElementKind::Frame:
            readFrame(node, e);
            break;
        case ElementKind::Button:
            readButton(node, e);
            break;
        case ElementKind::Text:
            readText(node, e);
            break;
        case ElementKind::Panel:
            readBox(node, e.box, true);
            break;
        case ElementKind::Divider:
            readBox(node, e.box, false);
            e.box.h = 1;
            break;
        case ElementKind::Field:
            readField(node, e);
            break;
        case ElementKind::Value:
            e.text = node.child_value();
            requireKey(node, e);
            break;
        case ElementKind::Progress:
            readProgress(node, e);
            break;
        case ElementKind::Badge:
            readBadge(node, e);
            break;
        }
        out.push_back(std::move(e));
    }

    void readFrame(const pugi::xml_node& node, Element& e) {
        e.box = {0, 0, window_->width, window_->height};
        e.text = resolveText(node, node.attribute("title").value(), e.textRef);
        e.font = "title";
        e.size = 20;
        e.colour = "text";
        if (!readInt(node, "bar", e.bar) || e.bar < 24 || e.bar > window_->height) {
            problems_.add(node, "a frame needs a title bar height of at least 24");
        }
        requireFont(node, e.font);
    }

    void readButton(const pugi::xml_node& node, Element& e) {
        readBox(node, e.box, false);
        requireKey(node, e);
        if (e.box.empty()) {
            if (!e.look.empty()) {
                problems_.add(node, "an empty button is never drawn and takes no look");
            }
            return;
        }
        if (e.look != "push" && e.look != "close") {
            problems_.add(node, "a button's look is push or close");
        }
        if (e.look == "push") {
            e.text = resolveText(node, node.attribute("caption").value(), e.textRef);
            e.font = node.attribute("font") ? node.attribute("font").value() : "title";
            e.size = 16;
            readSize(node, e);
            requireFont(node, e.font);
        }
    }

    void readText(const pugi::xml_node& node, Element& e) {
        readBox(node, e.box, true);
        e.text = resolveText(node, node.child_value(), e.textRef);
        e.font = node.attribute("font").value();
        e.colour = node.attribute("colour").value();
        requireFont(node, e.font);
        requireColour(node, e.colour);
        readSize(node, e);
        if (e.size == 0) {
            problems_.add(node, "a text needs a size");
        }
        std::string align = node.attribute("align").value();
        if (align == "center") {
            e.align = Align::Center;
        } else if (align == "right") {
            e.align = Align::Right;
        } else if (!align.empty() && align != "left") {
            problems_.add(node, "align is left, center or right");
        }
        std::string wrap = node.attribute("wrap").value();
        e.wrap = wrap == "yes";
        if (!wrap.empty() && wrap != "yes" && wrap != "no") {
            problems_.add(node, "wrap is yes or no");
        }
    }

    void readField(const pugi::xml_node& node, Element& e) {
        readBox(node, e.box, true);
        requireKey(node, e);
        e.colour = node.attribute("colour").value();
        requireColour(node, e.colour);
        e.font = node.attribute("font").value();
        if (!e.font.empty()) {
            requireFont(node, e.font);
        }
        readSize(node, e);
        if (e.size > e.box.h) {
            problems_.add(node, "the field's text is higher than its rectangle");
        }
    }

    void readProgress(const pugi::xml_node& node, Element& e) {
        readBox(node, e.box, true);
        requireKey(node, e);
        e.track = node.attribute("track").value();
        e.fill = node.attribute("fill").value();
        e.icon = node.attribute("icon").value();
        if (e.track.empty() || e.fill.empty()) {
            problems_.add(node, "a progress bar needs track and fill pictures");
        }
        for (const std::string* o : {&e.track, &e.fill, &e.icon}) {
            claimOutput(node, *o);
        }
    }

    void readBadge(const pugi::xml_node& node, Element& e) {
        int size = 0;
        if (!readInt(node, "x", e.box.x) || !readInt(node, "y", e.box.y) ||
            !readInt(node, "size", size) || size < 16) {
            problems_.add(node, "a badge needs x, y and a size of at least 16");
        }
        e.box.w = e.box.h = size;
        checkInside(node, e.box);
        if (e.look != "check" && e.look != "cross" && e.look != "info") {
            problems_.add(node, "a badge's look is check, cross or info");
        }
    }

    void readSize(const pugi::xml_node& node, Element& e) {
        if (!node.attribute("size")) {
            return;
        }
        if (!parseNumber(node.attribute("size").value(), e.size) || e.size <= 0) {
            problems_.add(node, "size must be a positive number of pixels");
            return;
        }
        if (e.size * scale_ < style_.minText) {
            problems_.add(node, "text of " + std::string(node.attribute("size").value()) +
                                    " px is below the smallest legible size of " +
                                    std::to_string(style_.minText) + " px");
        }
    }

    void readBox(const pugi::xml_node& node, Box& box, bool needArea) {
        bool ok = readInt(node, "x", box.x) && readInt(node, "y", box.y) &&
                  readInt(node, "w", box.w) && (!needArea || readInt(node, "h", box.h));
        if (!needArea && node.attribute("h")) {
            ok = ok && readInt(node, "h", box.h);
        }
        if (!ok || box.w < 0 || box.h < 0 || (needArea && box.empty())) {
            problems_.add(node, std::string("<") + node.name() + "> needs whole numbers x, y, w" +
                                    (needArea ? ", h and a non-empty area" : ""));
            return;
        }
        checkInside(node, box);
    }

    void checkInside(const pugi::xml_node& node, const Box& box) {
        if (box.empty()) {
            return;
        }
        if (box.x < 0 || box.y < 0 || box.x + box.w > window_->width ||
            box.y + box.h > window_->height) {
            problems_.add(node, std::string("<") + node.name() + "> reaches outside window '" +
                                    window_->name + "'");
        }
    }

    void requireKey(const pugi::xml_node& node, const Element& e) {
        if (e.key.empty() || e.section.empty()) {
            problems_.add(node, std::string("<") + node.name() + "> needs a key");
            return;
        }
        if (!entries_.insert(e.section + "/" + e.key).second) {
            problems_.add(node, "entry " + e.section + "/" + e.key + " is given twice");
        }
    }

    void requireFont(const pugi::xml_node& node, const std::string& role) {
        if (!style_.fontFiles.contains(role)) {
            problems_.add(node, "unknown font role '" + role + "'");
        }
    }

    void requireColour(const pugi::xml_node& node, const std::string& name) {
        if (!style_.colours.contains(name)) {
            problems_.add(node, "unknown colour '" + name + "'");
        }
    }

    std::string resolveText(const pugi::xml_node& node, const std::string& ref, std::string& out) {
        out = ref;
        auto it = texts_.find(ref);
        if (it == texts_.end()) {
            problems_.add(node, "unknown text '" + ref + "'");
            return {};
        }
        if (it->second.empty()) {
            problems_.add(node, "text '" + ref + "' is empty");
        }
        return it->second;
    }

    bool readInt(const pugi::xml_node& node, const char* name, int& value) {
        return parseInt(node.attribute(name).value(), value);
    }

    void claimOutput(const pugi::xml_node& node, const std::string& output) {
        if (output.empty()) {
            return;
        }
        if (output.find(':') != std::string::npos && !isResourceOutput(output)) {
            problems_.add(node, "output '" + output + "' is neither TYPE:ID nor a file name");
        }
        if (output.find("..") != std::string::npos || output.front() == '/') {
            problems_.add(node, "output '" + output + "' leaves the output folder");
        }
        if (!outputs_.insert(output).second) {
            problems_.add(node, "output '" + output + "' is written twice");
        }
    }

    const Style& style_;
    const Texts& texts_;
    Problems& problems_;
    double scaleOverride_ = 0;
    double scale_ = 1;
    Window* window_ = nullptr;
    std::set<std::string> outputs_;
    std::set<std::string> entries_;
};

std::string readFile(const std::filesystem::path& path, std::vector<std::string>& problems) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        problems.push_back(path.string() + ": cannot be read");
        return {};
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

bool isResourceOutput(const std::string& output, std::string* type, int* id) {
    auto colon = output.find(':');
    if (colon == std::string::npos || colon == 0) {
        return false;
    }
    std::string t = output.substr(0, colon);
    bool upper = std::all_of(t.begin(), t.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
    int number = 0;
    if (!upper || !parseInt(std::string_view(output).substr(colon + 1), number) || number <= 0 ||
        number > 65535) {
        return false;
    }
    if (type) {
        *type = t;
    }
    if (id) {
        *id = number;
    }
    return true;
}

LoadResult parseArt(const std::string& styleXml, const std::string& textsXml,
                    const std::string& skinXml, const std::string& skinName, double scale) {
    LoadResult result;
    Problems styleProblems(result.problems, "style.xml", styleXml);
    loadStyle(styleXml, styleProblems, result.art.style);
    Problems textProblems(result.problems, "texts.xml", textsXml);
    loadTexts(textsXml, textProblems, result.art.texts);

    Problems skinProblems(result.problems, skinName, skinXml);
    pugi::xml_document doc;
    if (!parseDocument(doc, skinXml, skinProblems)) {
        return result;
    }
    pugi::xml_node root = doc.child("skin");
    if (!root) {
        skinProblems.add(doc.first_child(), "the root element must be <skin>");
        return result;
    }
    SkinReader(result.art.style, result.art.texts, skinProblems, scale).read(root, result.art.skin);
    return result;
}

LoadResult loadArt(const std::filesystem::path& artDir, const std::filesystem::path& skinFile,
                   double scale) {
    std::vector<std::string> missing;
    std::string style = readFile(artDir / "style.xml", missing);
    std::string texts = readFile(artDir / "texts.xml", missing);
    std::filesystem::path skinPath = skinFile.is_absolute() ? skinFile : artDir / skinFile;
    std::string skin = readFile(skinPath, missing);
    if (!missing.empty()) {
        LoadResult result;
        result.problems = missing;
        return result;
    }
    return parseArt(style, texts, skin, skinPath.filename().string(), scale);
}

} // namespace skinforge
