#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace lumetta::test {

// A stand-in for zenity or kdialog: a small script first in PATH that writes its arguments to
// a file, one per line, and answers what the test set: the text on its output and its exit
// code. "--version" answers the version.
class FakeChooser {
public:
    FakeChooser(const std::string& program, const std::string& version = "3.44.0") {
        char pattern[] = "/tmp/lumetta-chooser-XXXXXX";
        folder_ = mkdtemp(pattern);
        script_ = folder_ / program;
        std::ofstream out(script_);
        out << "#!/bin/sh\n"
            << "if [ \"$1\" = --version ]; then echo " << version << "; exit 0; fi\n"
            << "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << (folder_ / "args").string()
            << "'\n"
            << "cat '" << (folder_ / "answer").string() << "' 2>/dev/null\n"
            << "exit $(cat '" << (folder_ / "code").string() << "' 2>/dev/null || echo 1)\n";
        out.close();
        chmod(script_.c_str(), 0755);
        const char* path = std::getenv("PATH");
        savedPath_ = path != nullptr ? path : "";
        setenv("PATH", (folder_.string() + ":" + savedPath_).c_str(), 1);
    }
    ~FakeChooser() {
        setenv("PATH", savedPath_.c_str(), 1);
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

    void answer(const std::string& text, int code) {
        std::ofstream(folder_ / "answer") << text;
        std::ofstream(folder_ / "code") << code;
    }
    std::vector<std::string> arguments() const {
        std::vector<std::string> out;
        std::ifstream in(folder_ / "args");
        for (std::string line; std::getline(in, line);) {
            out.push_back(line);
        }
        return out;
    }
    const std::filesystem::path& folder() const { return folder_; }

private:
    std::filesystem::path folder_;
    std::filesystem::path script_;
    std::string savedPath_;
};

} // namespace lumetta::test
