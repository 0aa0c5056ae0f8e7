#pragma once

#include "backup/archive_log_view.h"

#include <QDialog>

struct AppContext;
class QComboBox;
class QLineEdit;
class QPushButton;

// "Restaurar Copia de Seguridad": puts a backup over the installation, after checking it whole.
class TFormCopRes final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormCopRes)

public:
    explicit TFormCopRes(AppContext &app, QWidget *parent = nullptr);

    // The archive named in EditARCHIVO; a relative name is taken on the chosen volume.
    QString archivePath() const;
    // Chooses a volume of the list as the user does (checked for access).
    void chooseVolume(int index);
    // "Examinar ...": the archive chosen in the file dialog replaces the name.
    void browse();

    // " Iniciar": restores the archive. Returns whether it was restored.
    bool start();

protected:
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();

    AppContext &m_app;
    QLineEdit *m_archive;
    QPushButton *m_browse;
    QComboBox *m_volumes;
    QString m_volumeRoot;
    ArchiveRunControls m_run{};
    bool m_running = false;
};

// Opens "Restaurar Copia de Seguridad" as a modal window (the main window's
// "R&estaurar Copia de Seguridad").
void ShowRestoreWindow(AppContext &app, QWidget *parent);
