#pragma once

#include "support/PixelDiff.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string_view>

namespace lumetta::test {

struct PixelTolerance {
    int channel = 2; // a channel may be this far off without the pixel counting as different
    int pixels = 0;  // this many pixels may still differ
};

// Reference pictures in one folder, compared by name (<name>.png). A missing reference fails.
// With LUMETTA_UPDATE_REFERENCES=1 in the environment the actual picture is written as the new
// reference instead. On failure the actual picture and a difference picture are written to
// $LUMETTA_TEST_OUTPUT (default: test-output/ in the build folder) and named in the message.
class ReferenceImages {
public:
    explicit ReferenceImages(std::filesystem::path folder);

    ::testing::AssertionResult matches(const gfx::Surface& actual, std::string_view name,
                                       PixelTolerance tolerance = {}) const;

    static std::filesystem::path outputFolder();

private:
    std::filesystem::path folder_;
};

} // namespace lumetta::test
