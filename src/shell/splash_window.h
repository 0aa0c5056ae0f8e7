#pragma once

#include <QWidget>

class QLabel;

// The window shown while the program starts: an image and one status line.
class TFormInicio final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormInicio)

public:
    // imageDir holds "532.jpg" when shipped.
    explicit TFormInicio(const QString &imageDir, QWidget *parent = nullptr);

    // Its show step: takes the current folder as the program folder, finishes or undoes a
    // restore cut short there, cleans up the locks left by ended programs below it, and says
    // what it is doing on each step. Returns the program folder (without trailing separator).
    QString runStartSteps();

    const QString &programDir() const { return m_programDir; }
    // What the user must be told once the main window shows (a restore finished or undone).
    const QStringList &notices() const { return m_notices; }

private:
    void say(const QString &text);

    QLabel *m_status = nullptr;
    QString m_programDir;
    QStringList m_notices;
};
