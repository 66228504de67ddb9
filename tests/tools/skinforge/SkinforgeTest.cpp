#include "FontSet.h"
#include "Forge.h"

#include "TestFolders.h"

#include "platform/gfx/Picture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace skinforge {
namespace {

namespace fs = std::filesystem;
using lumetta::testing::TempFolder;

const fs::path kArt = fs::path(LUMETTA_SOURCE_DIR) / "art";
const fs::path kFonts = LUMETTA_FONTS_DIR;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::map<std::string, std::string> folderContents(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        files[entry.path().filename().string()] = readFile(entry.path());
    }
    return files;
}

int runSkinforge(const std::string& arguments, const fs::path& errors) {
    std::string command =
        std::string(SKINFORGE_PROGRAM) + " " + arguments + " 2>" + errors.string();
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string updaterArguments(const fs::path& out) {
    return "--art " + kArt.string() + " --skin updater.xml --fonts " + kFonts.string() + " --out " +
           out.string();
}

// Two runs of the program, each a process of its own, and a render in this process give the
// same bytes for every file.
TEST(Skinforge, RendersTheSameBytesEveryTime) {
    TempFolder tmp;
    ASSERT_EQ(runSkinforge(updaterArguments(tmp / "a"), tmp / "err"), 0) << readFile(tmp / "err");
    ASSERT_EQ(runSkinforge(updaterArguments(tmp / "b"), tmp / "err"), 0) << readFile(tmp / "err");
    auto a = folderContents(tmp / "a");
    auto b = folderContents(tmp / "b");
    EXPECT_EQ(a.size(), 19u); // 18 resources and the manifest
    for (const auto& [name, bytes] : a) {
        EXPECT_TRUE(b.contains(name) && b[name] == bytes) << name << " differs between runs";
    }
    ForgeResult inProcess = render({kArt, "updater.xml", kFonts, {}, {}});
    ASSERT_TRUE(inProcess.ok()) << inProcess.problems.front();
    for (const auto& [output, bytes] : inProcess.outputs) {
        std::string file = outputFileName(output);
        EXPECT_EQ(a[file], std::string(bytes.begin(), bytes.end())) << file;
    }
}

TEST(Skinforge, UnchangedOutputsAreNotRewritten) {
    TempFolder tmp;
    ForgeOptions options{kArt, "updater.xml", kFonts, tmp / "out", {}};
    ASSERT_TRUE(forge(options).ok());
    const fs::path picture = tmp / "out" / "JPG_155.jpg";
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(picture, old);
    ASSERT_TRUE(forge(options).ok());
    EXPECT_EQ(fs::last_write_time(picture), old);
    EXPECT_GT(fs::last_write_time(tmp / "out" / "manifest.txt"), old);
}

TEST(Skinforge, ExitCodesAndMessages) {
    TempFolder tmp;
    writeFile(tmp / "bad.xml", "<skin name=\"bad\"><window name=\"w\"/></skin>");
    struct Row {
        std::string arguments;
        int code;
        std::string message;
    };
    const Row rows[] = {
        {"", 2, "usage: skinforge"},
        {"--art " + kArt.string() + " --skin updater.xml --fonts x", 2, "usage"},
        {updaterArguments(tmp / "o") + " --colour red", 2, "usage"},
        {updaterArguments(tmp / "o") + " --scale 0", 2, "usage"},
        {updaterArguments(tmp / "o") + " --scale 1.3x", 2, "usage"},
        {"--art " + kArt.string() + " --skin " + (tmp / "bad.xml").string() + " --fonts " +
             kFonts.string() + " --out " + (tmp / "o").string(),
         1, "skinforge: bad.xml:1: window 'w' needs a section"},
        {"--art " + kArt.string() + " --skin updater.xml --fonts " + tmp.path().string() +
             " --out " + (tmp / "o").string(),
         1, "cannot be read"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(runSkinforge(row.arguments, tmp / "err"), row.code) << row.arguments;
        EXPECT_NE(readFile(tmp / "err").find(row.message), std::string::npos)
            << row.arguments << "\n  got: " << readFile(tmp / "err");
    }
    EXPECT_FALSE(fs::exists(tmp / "o")) << "nothing is written when anything is wrong";
}

// A copy of the real sources with one skin description of its own.
class ArtFolder {
public:
    explicit ArtFolder(const std::string& skin) {
        fs::copy_file(kArt / "style.xml", tmp_ / "style.xml");
        writeFile(tmp_ / "texts.xml", R"(<texts><section name="S">
            <text key="T">Title</text>
            <text key="LONG">A text much too long for the little box it was given here</text>
            <text key="ODD">Keyboard &#x10A3F;</text>
        </section></texts>)");
        writeFile(tmp_ / "skin.xml", skin);
    }
    ForgeResult render(double scale = 0) const {
        return skinforge::render({tmp_.path(), "skin.xml", kFonts, {}, {}, scale});
    }

private:
    TempFolder tmp_;
};

TEST(Skinforge, TextThatDoesNotShowWhollyIsAProblem) {
    struct Row {
        std::string text;
        std::string wrap;
        std::string problem;
    };
    for (const Row& row :
         {Row{"S/LONG", "no", "text 'S/LONG' needs"}, Row{"S/LONG", "yes", "text 'S/LONG' needs"},
          Row{"S/ODD", "no", "text 'S/ODD' has characters its font lacks"}}) {
        ArtFolder art(R"(<skin name="t" document="XML:1">
            <window name="w" section="W" width="200" height="100" normal="JPG:2">
            <text font="text" size="14" colour="text" wrap=")" +
                      row.wrap + R"(" x="10" y="10" w="120" h="22">)" + row.text +
                      "</text></window></skin>");
        ForgeResult r = art.render();
        ASSERT_FALSE(r.ok()) << row.text;
        EXPECT_NE(r.problems.front().find(row.problem), std::string::npos)
            << "got: " << r.problems.front();
    }
}

// The configurator's size folders draw the same description larger: every edge scaled and
// rounded, pictures and entries alike.
TEST(Skinforge, ScalesPicturesAndEntriesTogether) {
    ArtFolder art(R"(<skin name="t" scale="1.3" document="XML:1">
        <window name="w" section="W" width="201" height="60" normal="JPG:2" mask="BMP:3">
        <frame title="S/T" bar="30"/>
        <button key="B" look="push" caption="S/T" x="11" y="31" w="50" h="20"/>
        <field key="F" colour="text" font="title" size="12" x="0" y="0" w="20" h="12"/>
        </window></skin>)");
    ForgeResult r = art.render();
    ASSERT_TRUE(r.ok()) << r.problems.front();
    for (const char* output : {"JPG:2", "BMP:3"}) {
        lumetta::gfx::LoadedPicture p = lumetta::gfx::loadPicture(r.outputs[output]);
        ASSERT_TRUE(p.ok()) << output;
        EXPECT_EQ(p.surface.width(), 261) << output;
        EXPECT_EQ(p.surface.height(), 78) << output;
    }
    const auto& doc = r.outputs["XML:1"];
    std::string ascii;
    for (std::size_t i = 2; i + 1 < doc.size(); i += 2) {
        ascii += char(doc[i]);
    }
    // 11*1.3 = 14.3 -> 14, (11+50)*1.3 = 79.3 -> 79: width 65; 31*1.3 = 40.3, 51*1.3 = 66.3.
    EXPECT_NE(ascii.find("<B>B,14,40,65,26,,FALSE</B>"), std::string::npos) << ascii;
    EXPECT_NE(ascii.find("SIZE=\"16\">F,0,0,26,16,,FALSE"), std::string::npos) << ascii;

    // The build's scale replaces the description's.
    ForgeResult large = art.render(1.8);
    ASSERT_TRUE(large.ok()) << large.problems.front();
    lumetta::gfx::LoadedPicture p = lumetta::gfx::loadPicture(large.outputs["JPG:2"]);
    EXPECT_EQ(p.surface.width(), 362);
    EXPECT_EQ(p.surface.height(), 108);
}

TEST(FontSet, ShipsTwoWeightsOfOneCondensedFamilyAndNotoSans) {
    std::string error;
    auto fonts = FontSet::open(kFonts,
                               {{"title", "HeroicCondensed-Medium.otf"},
                                {"body", "HeroicCondensed-Book.otf"},
                                {"text", "NotoSans-Regular_3.ttf"}},
                               error);
    ASSERT_TRUE(fonts) << error;
    EXPECT_EQ(fonts->face("title")->family, fonts->face("body")->family);
    EXPECT_EQ(fonts->face("title")->weight, 500);
    EXPECT_EQ(fonts->face("body")->weight, 400);
    EXPECT_EQ(fonts->face("text")->family, "Noto Sans");
    EXPECT_EQ(fonts->face("missing"), nullptr);
    for (const char* licence : {"LICENSE-HeroicCondensed.txt", "LICENSE-NotoSans.txt"}) {
        EXPECT_NE(readFile(kFonts / licence).find("License"), std::string::npos) << licence;
    }

    EXPECT_FALSE(FontSet::open(kFonts, {{"title", "Missing.otf"}}, error));
    EXPECT_NE(error.find("Missing.otf"), std::string::npos) << error;
}

} // namespace
} // namespace skinforge
