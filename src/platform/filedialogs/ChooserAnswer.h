#pragma once

#include <filesystem>
#include <string>

namespace lumetta::filedialogs {

// What one of the choosers answered.
struct ChooserAnswer {
    enum class Status { Chosen, Cancelled, Unavailable };
    Status status = Status::Unavailable;
    std::filesystem::path path;
    // The chooser itself asked before replacing this very file.
    bool overwriteAsked = false;
    // Why the chooser could not be used (for the note on standard error).
    std::string problem;

    static ChooserAnswer unavailable(std::string why) {
        ChooserAnswer a;
        a.problem = std::move(why);
        return a;
    }
};

} // namespace lumetta::filedialogs
