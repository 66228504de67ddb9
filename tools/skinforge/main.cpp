// skinforge: renders a skin from the art sources. Run by the build; see README.md.
#include "Forge.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int usage() {
    std::fputs("usage: skinforge --art DIR --skin FILE --fonts DIR --out DIR [--preview DIR]\n",
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

// Fontconfig keeps its pattern caches for the life of the process and Pango matches fonts on a
// worker thread whose results it never frees; the leak checker of sanitizer builds is told so,
// for those two libraries only. Weak, so that a program also linking the drawing library's
// identical list keeps one.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libpangoft2-1.0.so\n";
}
