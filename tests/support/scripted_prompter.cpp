#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

QStringList ScriptedPrompter::messages() const
{
    QStringList out;
    for (const Shown &s : m_shown) {
        if (s.kind == QLatin1String("message"))
            out.append(s.text);
    }
    return out;
}

QString ScriptedPrompter::lastMessage() const
{
    const QStringList all = messages();
    return all.isEmpty() ? QString() : all.constLast();
}

bool ScriptedPrompter::allAnswersUsed() const
{
    return m_answers.empty() && m_texts.empty() && m_choices.empty() && m_files.empty();
}

Prompter::Answer ScriptedPrompter::message(const QString &text, Icon icon, Buttons buttons, const QString &title)
{
    m_shown.push_back({QStringLiteral("message"), title, text, icon, buttons});
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return buttons == Buttons::OkCancel ? Answer::Cancel : Answer::No;
    }
    const Answer a = m_answers.front();
    m_answers.pop_front();
    return a;
}

std::optional<QString> ScriptedPrompter::askText(const QString &title, const QString &prompt, const QString &)
{
    return nextText(QStringLiteral("askText"), title, prompt);
}

std::optional<QString> ScriptedPrompter::askPassword(const QString &title, const QString &prompt)
{
    return nextText(QStringLiteral("askPassword"), title, prompt);
}

std::optional<QString> ScriptedPrompter::nextText(const QString &kind, const QString &title, const QString &prompt)
{
    m_shown.push_back({kind, title, prompt, Icon::None, Buttons::OkCancel});
    if (m_texts.empty()) {
        ADD_FAILURE() << "unexpected " << kind.toStdString() << ": " << prompt.toStdString();
        return std::nullopt;
    }
    auto t = m_texts.front();
    m_texts.pop_front();
    return t;
}

std::optional<int> ScriptedPrompter::choose(const QString &title, const QString &prompt, const QStringList &, int)
{
    m_shown.push_back({QStringLiteral("choose"), title, prompt, Icon::None, Buttons::OkCancel});
    if (m_choices.empty()) {
        ADD_FAILURE() << "unexpected choice: " << prompt.toStdString();
        return std::nullopt;
    }
    auto c = m_choices.front();
    m_choices.pop_front();
    return c;
}

void ScriptedPrompter::hint(const QString &title, const QString &text, Icon icon)
{
    m_shown.push_back({QStringLiteral("hint"), title, text, icon, Buttons::Ok});
}

QString ScriptedPrompter::nextFile(const QString &kind, const QString &title)
{
    m_shown.push_back({kind, title, QString(), Icon::None, Buttons::OkCancel});
    if (m_files.empty()) {
        ADD_FAILURE() << "unexpected file dialog: " << title.toStdString();
        return {};
    }
    QString f = m_files.front();
    m_files.pop_front();
    return f;
}

QString ScriptedPrompter::openFile(const FileRequest &request)
{
    m_lastFileRequest = request;
    return nextFile(QStringLiteral("openFile"), request.title);
}

QString ScriptedPrompter::saveFile(const FileRequest &request)
{
    m_lastFileRequest = request;
    return nextFile(QStringLiteral("saveFile"), request.title);
}

QString ScriptedPrompter::chooseDirectory(const QString &title, const QString &)
{
    return nextFile(QStringLiteral("chooseDirectory"), title);
}
