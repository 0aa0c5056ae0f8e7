#pragma once

#include "core/prompter.h"

// A user who answers every question the same way and chooses nothing, so that a benchmark
// times the program, not a dialog.
class SilentPrompter final : public Prompter
{
public:
    explicit SilentPrompter(Answer answer = Answer::Yes)
        : m_answer(answer)
    {
    }

    Answer message(const QString &, Icon, Buttons, const QString &) override { return m_answer; }
    std::optional<QString> askText(const QString &, const QString &, const QString &) override { return {}; }
    std::optional<int> choose(const QString &, const QString &, const QStringList &, int) override { return {}; }
    void hint(const QString &, const QString &, Icon) override {}
    QString openFile(const FileRequest &) override { return {}; }
    QString saveFile(const FileRequest &) override { return {}; }
    QString chooseDirectory(const QString &, const QString &) override { return {}; }

private:
    Answer m_answer;
};
