#pragma once

#include <QApplication>

class Prompter;

// The application object: Qt's own texts in Spanish; an exception that reaches the event loop
// is shown in the standard error dialog with the error's own message, and the program goes on.
class CuantixApplication final : public QApplication
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CuantixApplication)

public:
    CuantixApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Where the standard error dialog goes (the Qt prompter by default; tests pass theirs).
    void setErrorPrompter(Prompter *prompter) { m_errorPrompter = prompter; }

private:
    Prompter *m_errorPrompter = nullptr;
};

// The standard error dialog: the application's title, the error icon, the message with a
// closing period added when it ends in a letter or digit.
void ShowStandardError(Prompter &prompter, const QString &message);
// Reports the exception being handled (call from a catch block) through the standard error
// dialog; developer detail goes to the log.
void ReportCurrentException(Prompter &prompter);
