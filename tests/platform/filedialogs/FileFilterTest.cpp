// Filters in the platform's string form, name matching and the default extension.
#include "platform/filedialogs/FileFilter.h"

#include <gtest/gtest.h>

namespace lumetta::filedialogs {
namespace {

TEST(FileFilter, ParsesThePlatformsFilterStrings) {
    struct Row {
        const char* text;
        std::vector<FileFilter> expected;
    } rows[] = {
        {"Profile File(*.Prf)|*.Prf|", {{"Profile File(*.Prf)", {"*.Prf"}}}},
        {"Profile File(*.Prf)|*.Prf||", {{"Profile File(*.Prf)", {"*.Prf"}}}},
        {"Pictures|*.png; *.jpg;*.bmp|All files|*.*||",
         {{"Pictures", {"*.png", "*.jpg", "*.bmp"}}, {"All files", {"*.*"}}}},
        // Everything after the empty pair is ignored.
        {"A|*.a||B|*.b|", {{"A", {"*.a"}}}},
        // The first empty part ends the list; a lone trailing name is dropped.
        {"Nothing||A|*.a|", {}},
        {"A|*.a|Dangling", {{"A", {"*.a"}}}},
        {"", {}},
        {"|", {}},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(parseFilterString(r.text), r.expected) << "'" << r.text << "'";
    }
}

TEST(FileFilter, MatchesNamesIgnoringCase) {
    struct Row {
        const char* name;
        const char* pattern;
        bool expected;
    } rows[] = {
        {"Desk.Prf", "*.Prf", true},
        {"desk.prf", "*.Prf", true},
        {"Desk.Prf.bak", "*.Prf", false},
        {"Prf", "*.Prf", false},
        {".Prf", "*.Prf", true},
        {"a.b.c", "*.c", true},
        {"Profile1.Prf", "Profile?.Prf", true},
        {"Profile12.Prf", "Profile?.Prf", false},
        {"README", "*.*", true},
        {"x", "*", true},
        {"abc", "a*c", true},
        {"abcd", "a*c", false},
        {"", "*", true},
        {"", "*.Prf", false},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(matchesPattern(r.name, r.pattern), r.expected) << r.name << " ~ " << r.pattern;
    }
}

TEST(FileFilter, CaseInsensitiveGlobsForOtherChoosers) {
    struct Row {
        const char* pattern;
        const char* expected;
    } rows[] = {
        {"*.Prf", "*.[Pp][Rr][Ff]"},
        {"*.*", "*.*"},
        {"a?1", "[Aa]?1"},
        // Bracket expressions are left as they are.
        {"*.[ch]", "*.[ch]"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(caseInsensitiveGlob(r.pattern), r.expected) << r.pattern;
    }
}

TEST(FileFilter, DefaultExtensionOnlyForNamesWithout) {
    struct Row {
        const char* path;
        const char* extension;
        const char* expected;
    } rows[] = {
        {"/home/u/Desk", ".Prf", "/home/u/Desk.Prf"},
        {"/home/u/Desk", "Prf", "/home/u/Desk.Prf"},
        {"/home/u/Desk.Prf", ".Prf", "/home/u/Desk.Prf"},
        {"/home/u/Desk.txt", ".Prf", "/home/u/Desk.txt"},
        // A name ending in a dot says "no extension, really".
        {"/home/u/Desk.", ".Prf", "/home/u/Desk."},
        {"/home/u/my.dir/Desk", ".Prf", "/home/u/my.dir/Desk.Prf"},
        {"/home/u/Desk", "", "/home/u/Desk"},
        {"/home/u/", ".Prf", "/home/u/"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(withDefaultExtension(r.path, r.extension).string(), r.expected) << r.path;
    }
}

} // namespace
} // namespace lumetta::filedialogs
