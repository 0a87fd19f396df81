// A Messenger for tests: records every box and progress text and answers questions from a
// queue (Yes when the queue is empty).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "ui/messenger.h"

namespace quenvar::testing {

struct RecordedMessage {
    std::string text;
    std::string caption;
    int kind;
};

class RecordingMessenger final : public Messenger {
public:
    std::vector<RecordedMessage> messages;
    std::deque<int> answers;
    std::vector<std::string> progress;
    int closes = 0;

    int Box(const char* text, const char* caption, int kind) override {
        messages.push_back({text, caption, kind});
        if (kind != MsgQuestion) return 1;
        if (answers.empty()) return 1;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    void Progress(const char* text) override { progress.emplace_back(text); }
    void EndProgress() override { ++closes; }

    // Texts of the information boxes and questions, in order.
    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (const auto& m : messages) t.push_back(m.text);
        return t;
    }
};

}  // namespace quenvar::testing
