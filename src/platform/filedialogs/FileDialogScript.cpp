#include "platform/filedialogs/FileDialogScript.h"

#include <cstdlib>
#include <deque>
#include <iostream>
#include <mutex>

namespace lumetta::filedialogs {

namespace {

struct Script {
    std::mutex mutex;
    std::deque<std::optional<std::filesystem::path>> answers;
    std::vector<FileDialogRequest> requests;
    bool environmentRead = false;
};

Script& script() {
    static Script s;
    return s;
}

// The environment's answers join the queue the first time an answer is needed.
void readEnvironment(Script& s) {
    if (s.environmentRead) {
        return;
    }
    s.environmentRead = true;
    const char* text = std::getenv("LUMETTA_FILE_DIALOG_ANSWERS");
    if (text == nullptr) {
        return;
    }
    std::string all = text;
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = all.find('\n', start);
        if (end == std::string::npos) {
            end = all.size();
        }
        std::string line = all.substr(start, end - start);
        if (line.empty()) {
            s.answers.emplace_back(std::nullopt);
        } else {
            s.answers.emplace_back(std::filesystem::path(line));
        }
        start = end + 1;
    }
}

} // namespace

void FileDialogScript::push(std::optional<std::filesystem::path> answer) {
    Script& s = script();
    std::lock_guard lock(s.mutex);
    s.answers.push_back(std::move(answer));
}

void FileDialogScript::clear() {
    Script& s = script();
    std::lock_guard lock(s.mutex);
    s.answers.clear();
    s.requests.clear();
    s.environmentRead = false;
}

std::vector<FileDialogRequest> FileDialogScript::requests() {
    Script& s = script();
    std::lock_guard lock(s.mutex);
    return s.requests;
}

std::optional<std::filesystem::path> FileDialogScript::answer(const FileDialogRequest& request) {
    Script& s = script();
    std::lock_guard lock(s.mutex);
    s.requests.push_back(request);
    if (s.answers.empty()) {
        readEnvironment(s);
    }
    if (s.answers.empty()) {
        std::cerr << "file dialog \"" << request.title
                  << "\": no scripted answer for the headless display; cancelled\n";
        return std::nullopt;
    }
    std::optional<std::filesystem::path> next = std::move(s.answers.front());
    s.answers.pop_front();
    return next;
}

} // namespace lumetta::filedialogs
