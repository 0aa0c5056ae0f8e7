#pragma once

#include "backup/archive_events.h"

#include <QElapsedTimer>
#include <QString>

#include <initializer_list>
#include <vector>

class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QVBoxLayout;
class QWidget;

// What the backup and restore windows share below their own fields: "Progreso Operación:"
// with the bar (ProgressBar1) and the log (MemoLOG), then "Abrir &carpeta" (BtnCARPETA,
// hidden until a file is written), " Iniciar" (BitBtnINICIAR) and "  Salir" (BitBtnSALIR).
struct ArchiveRunControls
{
    QProgressBar *progress;
    QPlainTextEdit *log;
    QPushButton *start;
    QPushButton *exit;
    QPushButton *folder;

    // Creates them in `window` and appends them to its layout.
    static ArchiveRunControls Create(QWidget *window, QVBoxLayout *layout);
    // Shows "Abrir carpeta", which then opens the folder holding path.
    void offerFolderOf(const QString &path) const;
};

// The archiver's events shown in a window: the progress bar follows ProgressMeter, every
// message becomes a line of the log. The window is repainted as progress comes in.
class ArchiveLogView final : public ArchiveEvents
{
public:
    ArchiveLogView(QProgressBar *bar, QPlainTextEdit *log);

    void progress(ProgressKind kind, qint64 bytes) override;
    void message(const QString &line) override;

private:
    void keepPainted();

    QProgressBar *m_bar;
    QPlainTextEdit *m_log;
    ProgressMeter m_meter;
    QElapsedTimer m_sincePainted;
};

// While the archiver works: the window's controls off, the hourglass on and `running` set;
// all back on every exit path.
class BusyWindow
{
public:
    BusyWindow(bool &running, std::initializer_list<QWidget *> controls);
    ~BusyWindow();
    BusyWindow(const BusyWindow &) = delete;
    BusyWindow &operator=(const BusyWindow &) = delete;

private:
    bool &m_running;
    std::vector<QWidget *> m_controls;
};
