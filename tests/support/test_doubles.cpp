#include "test_doubles.h"

// Under QtTest an unexpected question fails the test where it is asked;
// plain test programs check unexpectedQuestions() instead.
#ifdef QT_TESTLIB_LIB
#include <QTest>
#endif

platform::MessageAnswer ScriptedMessageBoxes::show(const platform::MessageRequest& request)
{
    shown_.push_back(request);
    if (request.buttons == platform::MessageButtons::Ok)
        return platform::MessageAnswer::Ok;
    if (answers_.empty()) {
        ++unexpectedQuestions_;
#ifdef QT_TESTLIB_LIB
        QTest::qFail(("unexpected question: " + request.text).c_str(), __FILE__, __LINE__);
#endif
        return platform::MessageAnswer::No;
    }
    const platform::MessageAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

std::vector<std::string> ScriptedMessageBoxes::shownTexts() const
{
    std::vector<std::string> texts;
    for (const auto& request : shown_)
        texts.push_back(request.text);
    return texts;
}

std::optional<std::string> ScriptedFileDialogs::getOpenFileName(const platform::OpenFileRequest& request)
{
    requests_.push_back(request);
    if (choices_.empty())
        return std::nullopt;
    std::optional<std::string> choice = choices_.front();
    choices_.pop_front();
    return choice;
}

bool RecordingShell::openLink(const std::string& link)
{
    links_.push_back(link);
    return true;
}

bool RecordingShell::startProgram(const std::string& path)
{
    started_.push_back(path);
    return real_.startProgram(path);
}

bool RecordingShell::isOrdinaryFile(const std::string& path)
{
    return real_.isOrdinaryFile(path);
}
