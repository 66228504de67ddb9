#include "support/ReferenceImages.h"

#include "platform/gfx/Picture.h"

#include <cstdlib>
#include <cstring>
#include <iostream>

namespace lumetta::test {

namespace fs = std::filesystem;

namespace {

bool updating() {
    const char* v = std::getenv("LUMETTA_UPDATE_REFERENCES");
    return v != nullptr && std::strcmp(v, "1") == 0;
}

// Names may carry a sub-folder ("painter/fill"); the output keeps it flat.
std::string flatName(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (c == '/') {
            c = '_';
        }
    }
    return out;
}

} // namespace

ReferenceImages::ReferenceImages(fs::path folder) : folder_(std::move(folder)) {}

fs::path ReferenceImages::outputFolder() {
    const char* v = std::getenv("LUMETTA_TEST_OUTPUT");
    return v != nullptr && *v != '\0' ? fs::path(v) : fs::path(LUMETTA_TEST_OUTPUT_DIR);
}

::testing::AssertionResult ReferenceImages::matches(const gfx::Surface& actual,
                                                    std::string_view name,
                                                    PixelTolerance tolerance) const {
    fs::path reference = folder_ / (std::string(name) + ".png");
    if (actual.empty()) {
        return ::testing::AssertionFailure() << "nothing to compare with " << reference;
    }
    if (updating()) {
        std::error_code ec;
        fs::create_directories(reference.parent_path(), ec);
        if (!actual.savePng(reference)) {
            return ::testing::AssertionFailure() << "cannot write reference " << reference;
        }
        std::cerr << "reference written: " << reference << "\n";
        return ::testing::AssertionSuccess();
    }
    gfx::LoadedPicture expected = gfx::loadPictureFile(reference);
    fs::path out = outputFolder();
    std::error_code ec;
    fs::create_directories(out, ec);
    fs::path actualPath = out / (flatName(name) + ".actual.png");
    if (!expected.ok()) {
        actual.savePng(actualPath);
        return ::testing::AssertionFailure()
               << "reference " << reference << " missing or unreadable (" << expected.detail
               << "); actual picture in " << actualPath
               << "; run with LUMETTA_UPDATE_REFERENCES=1 to accept it";
    }
    PixelDiff diff = comparePixels(actual, expected.surface, tolerance.channel);
    if (!diff.sizeMismatch && diff.differing <= tolerance.pixels) {
        return ::testing::AssertionSuccess();
    }
    fs::path diffPath = out / (flatName(name) + ".diff.png");
    actual.savePng(actualPath);
    differenceImage(actual, expected.surface, tolerance.channel).savePng(diffPath);
    return ::testing::AssertionFailure()
           << name << ": " << diff.describe() << " (actual " << actual.width() << "x"
           << actual.height() << ", reference " << expected.surface.width() << "x"
           << expected.surface.height() << "); actual " << actualPath << ", difference "
           << diffPath;
}

} // namespace lumetta::test
