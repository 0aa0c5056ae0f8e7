#include "backup/archive_log_view.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QWidget>

ArchiveLogView::ArchiveLogView(QProgressBar *bar, QPlainTextEdit *log)
    : m_bar(bar)
    , m_log(log)
{
    m_sincePainted.start();
}

void ArchiveLogView::progress(ProgressKind kind, qint64 bytes)
{
    m_bar->setValue(m_meter.apply(kind, bytes));
    keepPainted();
}

void ArchiveLogView::message(const QString &line)
{
    m_log->appendPlainText(line);
    keepPainted();
}

void ArchiveLogView::keepPainted()
{
    // The archiver runs on this thread; the user's input waits until it is done.
    if (m_sincePainted.elapsed() < 50)
        return;
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_sincePainted.restart();
}

BusyWindow::BusyWindow(bool &running, std::initializer_list<QWidget *> controls)
    : m_running(running)
    , m_controls(controls)
{
    m_running = true;
    for (QWidget *w : m_controls)
        w->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyWindow::~BusyWindow()
{
    QApplication::restoreOverrideCursor();
    for (QWidget *w : m_controls)
        w->setEnabled(true);
    m_running = false;
}
