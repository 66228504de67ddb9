// The art sources as plain data: the shared style, the texts and one skin's windows. Loading
// checks everything a renderer would trip over later (unknown colours, fonts, texts, looks,
// elements outside their window) and reports each problem with its file and line.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace skinforge {

struct Colour {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    // The programs' colour value: 0x00BBGGRR.
    std::uint32_t sysColor() const {
        return r | (std::uint32_t(g) << 8) | (std::uint32_t(b) << 16);
    }
    friend bool operator==(const Colour&, const Colour&) = default;
};

struct Style {
    std::map<std::string, Colour> colours;
    std::map<std::string, std::string> fontFiles; // role -> file name in the fonts folder
    int radius = 8;
    int minText = 12;
};

// Texts by "SECTION/KEY".
using Texts = std::map<std::string, std::string>;

struct Box {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    bool empty() const { return w <= 0 || h <= 0; }
};

enum class ElementKind { Frame, Button, Text, Panel, Divider, Field, Value, Progress, Badge };

enum class Align { Left, Center, Right };

struct Element {
    ElementKind kind = ElementKind::Text;
    int line = 0; // in the description, for messages
    Box box;
    std::string section; // the layout section of the entry; the window's unless given
    std::string key;     // the layout entry (buttons, fields, values, progress)
    std::string look;    // button: push, close; badge: check, cross, info
    std::string text;    // resolved: title, caption, text, or the value of a value entry
    std::string textRef; // SECTION/KEY the text came from
    std::string font;    // role
    double size = 0;     // font size in pixels; 0 when not given
    std::string colour;  // name in the style
    Align align = Align::Left;
    bool wrap = false;
    int bar = 0;                   // frame: height of the title bar
    std::string track, fill, icon; // progress: outputs of its pictures
};

// Where each state's picture goes: an output name ("JPG:155" for a resource, otherwise a path
// relative to the skin's output folder), empty when the state has no picture.
struct Looks {
    std::string normal;
    std::string over;
    std::string down;
    std::string disabled;
};

struct Variant {
    std::string name;
    Looks looks;
    std::vector<Element> elements;
};

struct Window {
    std::string name;
    std::string section;
    int width = 0;
    int height = 0;
    std::string mask; // output of the window's mask, empty for none
    // A window without variants has one unnamed variant holding its looks and no elements.
    std::vector<Element> elements;
    std::vector<Variant> variants;
};

struct Skin {
    std::string name;
    double scale = 1.0;
    std::string document; // output of the layout document
    std::string root = "root";
    std::vector<Window> windows;
};

struct Art {
    Style style;
    Texts texts;
    Skin skin;
};

struct LoadResult {
    Art art;
    std::vector<std::string> problems; // "file:line: message"; empty when everything is usable
    bool ok() const { return problems.empty(); }
};

// Reads style.xml and texts.xml from artDir, and the skin description skinFile (relative to
// artDir unless absolute). A scale above 0 replaces the description's own, so that one
// description serves every size folder; the checks hold at the scale used.
LoadResult loadArt(const std::filesystem::path& artDir, const std::filesystem::path& skinFile,
                   double scale = 0);

// Loading from texts in memory, for tests; the names only label the messages.
LoadResult parseArt(const std::string& styleXml, const std::string& textsXml,
                    const std::string& skinXml, const std::string& skinName = "skin.xml",
                    double scale = 0);

// Splits an output name "TYPE:ID" into its parts; false for a file output.
bool isResourceOutput(const std::string& output, std::string* type = nullptr, int* id = nullptr);

} // namespace skinforge
