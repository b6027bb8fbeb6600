#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace rangwerk::testing {

// Dialogs for tests: the answers are given in advance, every request is recorded.
// A request without a scripted answer is recorded as unexpected and answered with the
// box's escape button (or a cancelled file dialog), so a test can fail on it.
class ScriptedDialogs : public Dialogs {
public:
    struct FileAsk {
        bool save = false;
        FileDialogRequest request;
    };

    void AnswerMessage(MessageButton button) { messageAnswers_.push_back(button); }
    void AnswerFile(std::optional<std::string> path) { fileAnswers_.push_back(std::move(path)); }

    MessageButton ShowMessage(const MessageRequest& request) override {
        messages.push_back(request);
        if (messageAnswers_.empty()) {
            ++unexpected;
            return request.escapeButton;
        }
        MessageButton b = messageAnswers_.front();
        messageAnswers_.pop_front();
        return b;
    }

    std::optional<std::string> AskSaveFileName(const FileDialogRequest& request) override {
        return AskFile(true, request);
    }
    std::optional<std::string> AskOpenFileName(const FileDialogRequest& request) override {
        return AskFile(false, request);
    }

    // True when every scripted answer was used and nothing unexpected was asked.
    bool AllAnswered() const {
        return messageAnswers_.empty() && fileAnswers_.empty() && unexpected == 0;
    }

    const MessageRequest& LastMessage() const { return messages.back(); }

    std::vector<MessageRequest> messages;
    std::vector<FileAsk> files;
    int unexpected = 0;

private:
    std::optional<std::string> AskFile(bool save, const FileDialogRequest& request) {
        files.push_back({save, request});
        if (fileAnswers_.empty()) {
            ++unexpected;
            return std::nullopt;
        }
        auto a = fileAnswers_.front();
        fileAnswers_.pop_front();
        return a;
    }

    std::deque<MessageButton> messageAnswers_;
    std::deque<std::optional<std::string>> fileAnswers_;
};

}  // namespace rangwerk::testing
