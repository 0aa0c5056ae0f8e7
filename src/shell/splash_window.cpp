#include "shell/splash_window.h"

#include "backup/restore_journal.h"
#include "core/session.h"
#include "shell/startup.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

TFormInicio::TFormInicio(const QString &imageDir, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("FormInicio"));
    setWindowTitle(kApplicationTitle);
    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setAlignment(Qt::AlignCenter);
    const QString image = imageDir + QStringLiteral("/532.jpg");
    if (QFileInfo::exists(image)) {
        picture->setPixmap(QPixmap(image).scaled(460, 300, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    } else {
        picture->setText(kApplicationTitle);
        QFont big = picture->font();
        big.setPointSize(28);
        big.setBold(true);
        picture->setFont(big);
        picture->setMinimumSize(460, 200);
    }
    m_status = new QLabel(QStringLiteral("Iniciando . . ."), this);
    m_status->setObjectName(QStringLiteral("Label1"));
    m_status->setStyleSheet(QStringLiteral("padding: 6px;"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(picture);
    layout->addWidget(m_status);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("TFormInicio { background: white; border: 1px solid #1f3a5f; }"));
    adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void TFormInicio::say(const QString &text)
{
    m_status->setText(text);
    m_status->repaint();
}

QString TFormInicio::runStartSteps()
{
    say(QStringLiteral("Obteniendo ruta de Aplicaciones . . ."));
    m_programDir = WithoutTrailingSeparator(QDir::currentPath());
    // Before anything opens a database: a restore cut short is finished or undone.
    if (const auto recovered = RecoverInterruptedRestore(m_programDir))
        m_notices.append(*recovered);
    say(QStringLiteral("Eliminando Archivos de Bloqueo . . ."));
    CleanUpLocks(m_programDir);
    say(QStringLiteral("Cargando Menu Principal . . ."));
    return m_programDir;
}
