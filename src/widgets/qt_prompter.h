#pragma once

#include "core/prompter.h"

#include <QPointer>
#include <QWidget>

// The desktop program's Prompter: Qt dialogs with Spanish buttons, parented to a window.
class QtPrompter final : public Prompter
{
public:
    explicit QtPrompter(QWidget *parent = nullptr);

    void setParent(QWidget *parent) { m_parent = parent; }

    Answer message(const QString &text, Icon icon, Buttons buttons, const QString &title = {}) override;
    std::optional<QString> askText(const QString &title, const QString &prompt, const QString &initial = {}) override;
    std::optional<QString> askPassword(const QString &title, const QString &prompt) override;
    std::optional<int> choose(const QString &title, const QString &prompt, const QStringList &options,
                              int current = 0) override;
    void hint(const QString &title, const QString &text, Icon icon) override;
    QString openFile(const FileRequest &request) override;
    QString saveFile(const FileRequest &request) override;
    QString chooseDirectory(const QString &title, const QString &directory) override;

    // Standard title of a message box with that icon ("Información", "Confirmación", ...).
    static QString StandardTitle(Icon icon);

private:
    QWidget *parentWidget() const;

    QPointer<QWidget> m_parent;
};

// Where a file dialog opens: the folder asked for (or the file's, a proposed name kept), unless
// it is missing, empty or the root of a disk; then the user's documents, else the program's
// folder (the installation).
QString FileDialogStart(const QString &requested);
