#pragma once

#include <string>
#include <vector>

namespace lumetta {

enum class MessageIcon { None, Error };

// A message for the user in a plain message box. An empty caption means the program's name.
struct UserMessage {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
    bool operator==(const UserMessage&) const = default;
};

// Where the package code's messages go: a message box once the windows exist, standard error
// before that, a recording in tests.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void show(const UserMessage& message) = 0;
};

// Writes "caption: text" to standard error.
class StderrMessageSink final : public MessageSink {
public:
    void show(const UserMessage& message) override;
};

// Keeps every message, for tests.
class RecordingMessageSink final : public MessageSink {
public:
    void show(const UserMessage& message) override { messages.push_back(message); }
    std::vector<UserMessage> messages;
};

} // namespace lumetta
