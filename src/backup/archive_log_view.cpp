#include "backup/archive_log_view.h"

#include "platform/desktop_links.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

ArchiveRunControls ArchiveRunControls::Create(QWidget *window, QVBoxLayout *layout)
{
    ArchiveRunControls c{new QProgressBar(window), new QPlainTextEdit(window),
                         new QPushButton(QStringLiteral(" Iniciar"), window),
                         new QPushButton(QStringLiteral("  Salir"), window),
                         new QPushButton(QStringLiteral("Abrir &carpeta"), window)};
    c.progress->setObjectName(QStringLiteral("ProgressBar1"));
    c.progress->setRange(0, 100);
    c.progress->setValue(0);
    c.log->setObjectName(QStringLiteral("MemoLOG"));
    c.log->setReadOnly(true);
    c.start->setObjectName(QStringLiteral("BitBtnINICIAR"));
    c.exit->setObjectName(QStringLiteral("BitBtnSALIR"));
    c.start->setAutoDefault(false);
    c.exit->setAutoDefault(false);
    c.folder->setObjectName(QStringLiteral("BtnCARPETA"));
    c.folder->setAutoDefault(false);
    c.folder->hide();
    QObject::connect(c.folder, &QPushButton::clicked, c.folder,
                     [button = c.folder] { OpenFolderOf(button->property("path").toString()); });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(c.folder);
    buttons->addStretch();
    buttons->addWidget(c.start);
    buttons->addWidget(c.exit);
    layout->addWidget(new QLabel(QStringLiteral("Progreso Operación:"), window));
    layout->addWidget(c.progress);
    layout->addWidget(c.log);
    layout->addLayout(buttons);
    return c;
}

void ArchiveRunControls::offerFolderOf(const QString &path) const
{
    folder->setProperty("path", path);
    folder->setToolTip(QDir::toNativeSeparators(QFileInfo(path).absolutePath()));
    folder->show();
}

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
    // Painted with the next progress: a restore also writes lines while the databases are
    // closed, when no other window's work may run.
    m_log->appendPlainText(line);
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
