#pragma once

#include "backup/archive_log_view.h"

#include <QDialog>

struct AppContext;
class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QLabel;
class QTreeView;

// "Copia de Seguridad": writes a backup of the installation into a chosen folder.
class TFormCopSeg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormCopSeg)

public:
    explicit TFormCopSeg(AppContext &app, QWidget *parent = nullptr);

    // The folder shown in LabelDIRECTORIO, as chosen in the tree.
    QString directory() const;
    // Chooses a folder as a click in the tree does.
    void chooseDirectory(const QString &path);
    // Chooses a volume of the list as the user does (checked for readiness).
    void chooseVolume(int index);

    // " Iniciar": writes the backup. Returns whether it was written.
    bool start();

protected:
    void reject() override;

private:
    void buildLayout();
    void rootTreeAt(const QString &root);
    void setVolumeIndex(int index);
    QString chosenVolume() const;

    AppContext &m_app;
    QComboBox *m_volumes;
    QTreeView *m_tree;
    QFileSystemModel *m_folders;
    QLabel *m_directory;
    QLineEdit *m_name;
    ArchiveRunControls m_run{};
    bool m_running = false;
};

// Opens "Copia de Seguridad" as a modal window (the main window's "&Realizar Copia de Seguridad").
void ShowBackupWindow(AppContext &app, QWidget *parent);
