#pragma once

#include "core/system/desktop_shell.h"
#include "core/system/dialogs.h"
#include "core/system/shell.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

// Stands in for the person at the keyboard: answers message boxes from a
// queue (OK boxes need no answer) and records every box shown.
class ScriptedMessageBoxes final : public platform::MessageBoxes {
public:
    platform::MessageAnswer show(const platform::MessageRequest& request) override;

    void queueAnswer(platform::MessageAnswer answer) { answers_.push_back(answer); }
    const std::vector<platform::MessageRequest>& shown() const { return shown_; }
    std::vector<std::string> shownTexts() const;
    void clear() { shown_.clear(); }
    // Questions asked with no answer queued (answered No).
    int unexpectedQuestions() const { return unexpectedQuestions_; }

private:
    int unexpectedQuestions_ = 0;
    std::deque<platform::MessageAnswer> answers_;
    std::vector<platform::MessageRequest> shown_;
};

// Picks files as a person would: each request takes the next queued answer
// (nothing = the user cancelled) and is recorded.
class ScriptedFileDialogs final : public platform::FileDialogs {
public:
    std::optional<std::string> getOpenFileName(const platform::OpenFileRequest& request) override;

    void queueChoice(std::optional<std::string> path) { choices_.push_back(std::move(path)); }
    const std::vector<platform::OpenFileRequest>& requests() const { return requests_; }

private:
    std::deque<std::optional<std::string>> choices_;
    std::vector<platform::OpenFileRequest> requests_;
};

// Records the links it is asked to open instead of opening a browser;
// programs and the file test go to the real desktop shell.
class RecordingShell final : public platform::Shell {
public:
    bool openLink(const std::string& link) override;
    bool startProgram(const std::string& path) override;
    bool isOrdinaryFile(const std::string& path) override;

    const std::vector<std::string>& links() const { return links_; }
    const std::vector<std::string>& startedPrograms() const { return started_; }

private:
    platform::DesktopShell real_;
    std::vector<std::string> links_;
    std::vector<std::string> started_;
};
