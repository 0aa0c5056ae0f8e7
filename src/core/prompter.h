#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Every question the program puts to the user. Windows and engines receive a Prompter; the
// desktop program passes one built on Qt dialogs, tests a scripted one that answers from a
// queue and records every text shown.
class Prompter
{
public:
    enum class Icon { None, Information, Warning, Error, Confirmation };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    struct FileRequest
    {
        QString title;
        QString directory;
        QStringList filters;      // "Documentos Word (*.docx)", ... first one selected
        bool mustExist = true;    // open: the file must exist
    };

    virtual ~Prompter() = default;

    // A message box. The title is empty for the standard title of the icon.
    virtual Answer message(const QString &text, Icon icon, Buttons buttons, const QString &title = {}) = 0;
    // A typed answer (input box); nullopt when cancelled.
    virtual std::optional<QString> askText(const QString &title, const QString &prompt,
                                           const QString &initial = {}) = 0;
    // A secret (a password) typed without echo; nullopt when cancelled. Prompters that cannot
    // hide what is typed give none rather than show it.
    virtual std::optional<QString> askPassword(const QString &title, const QString &prompt)
    {
        (void)title;
        (void)prompt;
        return std::nullopt;
    }
    // One option among several; nullopt when cancelled.
    virtual std::optional<int> choose(const QString &title, const QString &prompt,
                                      const QStringList &options, int current = 0) = 0;
    // A balloon hint with a title; it goes away by itself.
    virtual void hint(const QString &title, const QString &text, Icon icon) = 0;
    // Files and folders; an empty text when cancelled.
    virtual QString openFile(const FileRequest &request) = 0;
    virtual QString saveFile(const FileRequest &request) = 0;
    virtual QString chooseDirectory(const QString &title, const QString &directory) = 0;

    // Conveniences over message().
    void inform(const QString &text) { message(text, Icon::Information, Buttons::Ok); }
    void warn(const QString &text) { message(text, Icon::Warning, Buttons::Ok); }
    void error(const QString &text) { message(text, Icon::Error, Buttons::Ok); }
    bool askYesNo(const QString &text, Icon icon = Icon::Confirmation)
    {
        return message(text, icon, Buttons::YesNo) == Answer::Yes;
    }
    // A new file to write of one kind; its suffix (".xlsx") is added when the user typed
    // another. Empty when cancelled.
    QString saveFileOfKind(const QString &title, const QString &filter, const QString &suffix)
    {
        FileRequest request;
        request.title = title;
        request.filters = {filter};
        request.mustExist = false;
        QString path = saveFile(request);
        if (!path.isEmpty() && !path.endsWith(suffix, Qt::CaseInsensitive))
            path += suffix;
        return path;
    }
};
