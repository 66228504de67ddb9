// skinforge: renders a skin from the art sources. Run by the build; see README.md.
#include "Forge.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int usage() {
    std::fputs("usage: skinforge --art DIR --skin FILE --fonts DIR --out DIR [--scale N] "
               "[--preview DIR]\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    skinforge::ForgeOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i + 1 >= argc) {
            return usage();
        }
        std::string value = argv[++i];
        if (arg == "--art") {
            options.artDir = value;
        } else if (arg == "--skin") {
            options.skinFile = value;
        } else if (arg == "--fonts") {
            options.fontsDir = value;
        } else if (arg == "--out") {
            options.outDir = value;
        } else if (arg == "--preview") {
            options.previewDir = value;
        } else if (arg == "--scale") {
            char* end = nullptr;
            options.scale = std::strtod(value.c_str(), &end);
            if (end == value.c_str() || *end != '\0' ||
                !(options.scale > 0 && options.scale <= 8)) {
                return usage();
            }
        } else {
            return usage();
        }
    }
    if (options.artDir.empty() || options.skinFile.empty() || options.fontsDir.empty() ||
        options.outDir.empty()) {
        return usage();
    }
    skinforge::ForgeResult result = skinforge::forge(options);
    for (const std::string& problem : result.problems) {
        std::fprintf(stderr, "skinforge: %s\n", problem.c_str());
    }
    return result.ok() ? 0 : 1;
}
