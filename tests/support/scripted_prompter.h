#pragma once

#include "core/prompter.h"

#include <deque>
#include <optional>
#include <vector>

// A Prompter for tests: answers from queues filled beforehand and records everything shown,
// so a test can assert the exact Spanish text. A question with no answer queued is a test
// failure (and is answered No / Cancel).
class ScriptedPrompter final : public Prompter
{
public:
    struct Shown
    {
        QString kind; // "message", "askText", "askPassword", "choose", "hint", "openFile", "saveFile", "chooseDirectory"
        QString title;
        QString text;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
    };

    void queueAnswer(Answer answer) { m_answers.push_back(answer); }
    void queueText(std::optional<QString> text) { m_texts.push_back(std::move(text)); }
    void queueChoice(std::optional<int> choice) { m_choices.push_back(choice); }
    void queueFile(QString path) { m_files.push_back(std::move(path)); }

    const std::vector<Shown> &shown() const { return m_shown; }
    // The request of the last file dialog shown (open or save).
    const FileRequest &lastFileRequest() const { return m_lastFileRequest; }
    // Texts of the messages shown, in order.
    QStringList messages() const;
    QString lastMessage() const;
    void clear() { m_shown.clear(); }
    bool allAnswersUsed() const;

    Answer message(const QString &text, Icon icon, Buttons buttons, const QString &title = {}) override;
    std::optional<QString> askText(const QString &title, const QString &prompt, const QString &initial = {}) override;
    // Answered from the same queue as askText.
    std::optional<QString> askPassword(const QString &title, const QString &prompt) override;
    std::optional<int> choose(const QString &title, const QString &prompt, const QStringList &options,
                              int current = 0) override;
    void hint(const QString &title, const QString &text, Icon icon) override;
    QString openFile(const FileRequest &request) override;
    QString saveFile(const FileRequest &request) override;
    QString chooseDirectory(const QString &title, const QString &directory) override;

private:
    std::optional<QString> nextText(const QString &kind, const QString &title, const QString &prompt);
    QString nextFile(const QString &kind, const QString &title);

    std::vector<Shown> m_shown;
    std::deque<Answer> m_answers;
    std::deque<std::optional<QString>> m_texts;
    std::deque<std::optional<int>> m_choices;
    std::deque<QString> m_files;
    FileRequest m_lastFileRequest;
};
