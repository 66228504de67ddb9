// A window of the user-interface layer on a real X server: the display probe runs on an Xvfb of
// the test's own with the SDL display; xdotool clicks, types and drags like a user, and
// screenshots taken with ImageMagick's import show what the server shows.
#include "e2e/display/XvfbServer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <sstream>
#include <thread>

namespace lumetta::test {
namespace {

using gfx::Point;
using gfx::Rect;

constexpr auto kWait = std::chrono::seconds(20);
constexpr int kCorner = 24;
constexpr unsigned kRoot = 0x000000;
constexpr unsigned kBody = 0x3060A0;
constexpr unsigned kOverlay = 0xE02020;
constexpr int kOverlayAlpha = 128;

struct Layout {
    Rect window;
    Point button;
    Point edit;
    Point overlay;
};

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) {
        out += "\n  " + l;
    }
    return out;
}

unsigned channel(unsigned rgb, int shift) {
    return (rgb >> shift) & 0xFF;
}

// The colour src at alpha over dst, as a compositor mixes them.
unsigned mixed(unsigned src, unsigned dst, int alpha) {
    unsigned out = 0;
    for (int shift : {16, 8, 0}) {
        double v = (channel(src, shift) * alpha + channel(dst, shift) * (255 - alpha)) / 255.0;
        out |= unsigned(std::lround(v)) << shift;
    }
    return out;
}

bool near(unsigned a, unsigned b, int tolerance) {
    for (int shift : {16, 8, 0}) {
        if (std::abs(int(channel(a, shift)) - int(channel(b, shift))) > tolerance) {
            return false;
        }
    }
    return true;
}

std::string hex(unsigned rgb) {
    std::ostringstream s;
    s << std::hex << rgb;
    return s.str();
}

class DisplayE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.running()) << server_.error();
        std::vector<std::string> env = server_.environment();
        env.push_back("LUMETTA_DISPLAY=sdl");
        std::string error;
        probe_ = ChildProcess::start({LUMETTA_DISPLAY_PROBE}, env, error);
        ASSERT_NE(probe_, nullptr) << error;
        auto ready = probe_->waitForLine("ready ", kWait);
        ASSERT_TRUE(ready) << "the probe did not start:" << joined(probe_->skipped());
        std::istringstream in(ready->substr(6));
        int x = 0, y = 0, w = 0, h = 0;
        in >> x >> y >> w >> h >> layout_.button.x >> layout_.button.y >> layout_.edit.x >>
            layout_.edit.y >> layout_.overlay.x >> layout_.overlay.y;
        ASSERT_TRUE(in) << *ready;
        layout_.window = Rect::fromSize(x, y, w, h);
        // The window is on the screen once the server says it is mapped.
        std::string found;
        ASSERT_EQ(
            server_.xdotool(
                {"search", "--sync", "--onlyvisible", "--name", "^Lumetta display probe$"}, &found),
            0);
        EXPECT_FALSE(found.empty());
    }

    void TearDown() override {
        if (probe_ == nullptr) {
            return;
        }
        probe_->writeLine("quit");
        EXPECT_EQ(probe_->wait(kWait), 0) << "the probe did not end cleanly";
    }

    // Screenshots until check accepts one (the probe paints asynchronously), at most a while.
    gfx::Surface screenWhere(const std::function<bool(const gfx::Surface&)>& check) {
        auto deadline = std::chrono::steady_clock::now() + kWait;
        gfx::Surface shot;
        do {
            shot = server_.screenshot();
            if (!shot.empty() && check(shot)) {
                return shot;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        } while (std::chrono::steady_clock::now() < deadline);
        return shot;
    }

    void xdotool(const std::vector<std::string>& args) {
        ASSERT_EQ(server_.xdotool(args), 0) << args.front();
    }

    std::optional<std::string> lineExactly(const std::string& wanted) {
        auto deadline = std::chrono::steady_clock::now() + kWait;
        while (auto line = probe_->readLine(std::chrono::duration_cast<std::chrono::milliseconds>(
                   deadline - std::chrono::steady_clock::now()))) {
            if (*line == wanted) {
                return line;
            }
            seen_.push_back(*line);
        }
        return std::nullopt;
    }

    XvfbServer server_;
    std::unique_ptr<ChildProcess> probe_;
    Layout layout_;
    std::vector<std::string> seen_;
};

TEST_F(DisplayE2E, TheShapeCutsTheCornersAndTheOverlayMixesOverTheWindow) {
    const Rect& r = layout_.window;
    Point body{r.left + 330, r.top + 40};
    Point overlayRed{layout_.overlay.x + 5, layout_.overlay.y + 5};
    Point overlayHole{layout_.overlay.x + 50, layout_.overlay.y + 50};
    gfx::Surface shot = screenWhere([&](const gfx::Surface& s) {
        return rgbAt(s, body) == kBody && rgbAt(s, overlayRed) != kBody;
    });
    ASSERT_FALSE(shot.empty());
    struct Row {
        const char* what;
        Point at;
        unsigned expected;
        int tolerance;
    } rows[] = {
        {"top-left corner cut", {r.left, r.top}, kRoot, 0},
        {"inside the cut", {r.left + kCorner - 1, r.top + kCorner - 1}, kRoot, 0},
        {"top-right corner cut", {r.right - 1, r.top}, kRoot, 0},
        {"bottom-left corner cut", {r.left, r.bottom - 1}, kRoot, 0},
        {"bottom-right corner cut", {r.right - 1, r.bottom - 1}, kRoot, 0},
        {"edge beside a corner", {r.left + kCorner, r.top}, kBody, 0},
        {"body", body, kBody, 0},
        {"outside the window", {r.left - 1, r.top + 100}, kRoot, 0},
        {"overlay mixed over the body", overlayRed, mixed(kOverlay, kBody, kOverlayAlpha), 3},
        {"overlay's key colour shows the body", overlayHole, kBody, 0},
    };
    for (const Row& row : rows) {
        unsigned got = rgbAt(shot, row.at);
        EXPECT_TRUE(near(got, row.expected, row.tolerance))
            << row.what << " at " << row.at.x << "," << row.at.y << ": " << hex(got)
            << " instead of " << hex(row.expected);
    }
    if (::testing::Test::HasFailure()) {
        std::filesystem::path out = LUMETTA_BINARY_DIR "/test-output";
        std::filesystem::create_directories(out);
        server_.saveScreenshot(out / "e2e_display_shape.png");
    }
}

TEST_F(DisplayE2E, ClicksReachTheButtonAndTypingTheEditField) {
    xdotool({"mousemove", std::to_string(layout_.button.x), std::to_string(layout_.button.y)});
    xdotool({"click", "--repeat", "2", "--delay", "150", "1"});
    EXPECT_TRUE(lineExactly("clicked 1")) << joined(seen_);
    EXPECT_TRUE(lineExactly("clicked 2")) << joined(seen_);

    xdotool({"mousemove", std::to_string(layout_.edit.x), std::to_string(layout_.edit.y)});
    xdotool({"click", "1"});
    // Characters the keyboard map lacks arrive through the input method as typed text.
    xdotool({"type", "--delay", "40", "Grüße 42"});
    EXPECT_TRUE(lineExactly("text Grüße 42")) << joined(seen_);
    xdotool({"key", "BackSpace", "BackSpace"});
    EXPECT_TRUE(lineExactly("text Grüße ")) << joined(seen_);
}

TEST_F(DisplayE2E, DraggingTheBodyMovesTheWindow) {
    const Rect& r = layout_.window;
    Point grab{r.left + 330, r.top + 60}; // body: no control and no overlay there
    xdotool({"mousemove", std::to_string(grab.x), std::to_string(grab.y)});
    xdotool({"mousedown", "1"});
    for (int step = 1; step <= 6; ++step) {
        xdotool(
            {"mousemove", std::to_string(grab.x + 10 * step), std::to_string(grab.y + 15 * step)});
    }
    xdotool({"mouseup", "1"});
    Rect moved = r.translated(60, 90);
    probe_->writeLine("where");
    std::string expected = "at " + std::to_string(moved.left) + " " + std::to_string(moved.top) +
                           " " + std::to_string(moved.width()) + " " +
                           std::to_string(moved.height());
    EXPECT_TRUE(lineExactly(expected)) << joined(seen_);

    // The server shows it there, shape and all, and the old place is empty.
    Point body{moved.left + 300, moved.top + 20};
    gfx::Surface shot = screenWhere([&](const gfx::Surface& s) {
        return rgbAt(s, body) == kBody && rgbAt(s, {r.left + 30, r.top + 20}) == kRoot;
    });
    EXPECT_EQ(rgbAt(shot, body), kBody);
    EXPECT_EQ(rgbAt(shot, {moved.left, moved.top}), kRoot);
    EXPECT_EQ(rgbAt(shot, {moved.left + kCorner, moved.top}), kBody);
    EXPECT_EQ(rgbAt(shot, {r.left + 30, r.top + 20}), kRoot);
    // A drag is no click.
    for (const std::string& line : seen_) {
        EXPECT_EQ(line.rfind("clicked", 0), std::string::npos) << line;
    }
}

// The layer's own modal windows on the desktop: the message box and the built-in save dialog
// show as real windows over the probe, take keys and clicks, and give their answers back.
TEST_F(DisplayE2E, MessageBoxAndSaveDialogShowAsRealWindows) {
    probe_->writeLine("message");
    std::string found;
    ASSERT_EQ(
        server_.xdotool({"search", "--sync", "--onlyvisible", "--name", "^Lumetta probe message$"},
                        &found),
        0);
    // The probe is disabled meanwhile: its button takes no click.
    xdotool({"mousemove", std::to_string(layout_.button.x), std::to_string(layout_.button.y)});
    xdotool({"click", "1"});
    xdotool({"key", "Return"});
    EXPECT_TRUE(lineExactly("answered 1")) << joined(seen_);
    for (const std::string& line : seen_) {
        EXPECT_EQ(line.rfind("clicked", 0), std::string::npos) << line;
    }

    char pattern[] = "/tmp/lumetta-e2e-XXXXXX";
    std::filesystem::path folder = mkdtemp(pattern);
    probe_->writeLine("save " + folder.string());
    ASSERT_EQ(
        server_.xdotool({"search", "--sync", "--onlyvisible", "--name", "^Lumetta probe export$"},
                        &found),
        0);
    // The offered name is selected: typing replaces it; the extension is added.
    xdotool({"type", "--delay", "40", "Wohnzimmer"});
    xdotool({"key", "Return"});
    EXPECT_TRUE(lineExactly("chosen " + (folder / "Wohnzimmer.Prf").string())) << joined(seen_);
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace lumetta::test
