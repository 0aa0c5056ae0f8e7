#include "backup_test_support.h"

#include "backup/backup_rules.h"
#include "backup/backup_selection.h"
#include "backup/backup_window.h"
#include "backup/restore_window.h"
#include "platform/volumes.h"
#include "store/sql.h"
#include "support/app_fixture.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QFileSystemModel>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

const QString kNotReady = QStringLiteral("No hay un disco en la unidad seleccionada o no tiene espacio libre suficiente "
                                         "para almacenar la copia de seguridad.");

template<typename T>
T *Child(QWidget &window, const char *name)
{
    auto *child = window.findChild<T *>(QLatin1String(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

QStringList LogLines(QWidget &window)
{
    return Child<QPlainTextEdit>(window, "MemoLOG")->toPlainText().split(QLatin1Char('\n'));
}

} // namespace

TEST(TFormCopSeg, ProposesTodaysNameAndRefusesCharactersOfPaths)
{
    AppFixture app;
    TFormCopSeg window(app.context);
    EXPECT_EQ(window.objectName(), QStringLiteral("FormCopSeg"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Copia de Seguridad"));
    auto *name = Child<QLineEdit>(window, "EditARCHIVO");
    EXPECT_EQ(name->text(), ProposedBackupName(QDate::currentDate()));
    EXPECT_EQ(Child<QLabel>(window, "LabelDIRECTORIO")->text(), QDir::toNativeSeparators(DefaultBackupFolder()));
    // The tree starts at that folder, not at the root of the file system.
    auto *tree = Child<QTreeView>(window, "TreeDIRECTORIO");
    EXPECT_EQ(QDir::cleanPath(tree->currentIndex().data(QFileSystemModel::FilePathRole).toString()),
              QDir::cleanPath(DefaultBackupFolder()));
    EXPECT_TRUE(Child<QLabel>(window, "LabelAVISO")->text().contains(QStringLiteral("documentos combinados (Documentos)")));
    EXPECT_EQ(Child<QPushButton>(window, "BitBtnINICIAR")->text(), QStringLiteral(" Iniciar"));
    EXPECT_EQ(Child<QPushButton>(window, "BitBtnSALIR")->text(), QStringLiteral("  Salir"));

    name->clear();
    QTest::keyClicks(name, QStringLiteral("a\\b:c d-e/f*g?h\"i<j>k|l.zip"));
    EXPECT_EQ(name->text(), QStringLiteral("abcdefghijkl.zip"));
}

TEST(TFormCopSeg, EmptyNameAndUnreadyVolumeStopBeforeWriting)
{
    AppFixture app;
    TFormCopSeg window(app.context);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto *name = Child<QLineEdit>(window, "EditARCHIVO");
    name->clear();
    QTest::mouseClick(Child<QPushButton>(window, "BitBtnINICIAR"), Qt::LeftButton);
    EXPECT_EQ(app.prompter.messages(), QStringList{QStringLiteral("Es necesario introducir un nombre para la copia de seguridad.")});
    QTRY_VERIFY(name->hasFocus());
    EXPECT_TRUE(Child<QPlainTextEdit>(window, "MemoLOG")->toPlainText().isEmpty());

    // A volume that is gone by the time it is chosen.
    auto *volumes = Child<QComboBox>(window, "ComboUNIDAD");
    volumes->addItem(QStringLiteral("/media/no-existe"), QStringLiteral("/media/no-existe"));
    window.chooseVolume(volumes->count() - 1);
    EXPECT_EQ(app.prompter.lastMessage(), kNotReady);
    EXPECT_EQ(volumes->currentIndex(), 0);
}

TEST(TFormCopSeg, WritesTheArchiveIntoTheChosenFolderAndShowsTheClosingNotice)
{
    AppFixture app;
    QTemporaryDir out;
    const QString folder = out.filePath(QStringLiteral("copias"));
    ASSERT_TRUE(QDir().mkpath(folder));
    TFormCopSeg window(app.context);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto *volumes = Child<QComboBox>(window, "ComboUNIDAD");
    window.chooseVolume(volumes->findData(VolumeRootOf(folder)));
    // The volume's root is the destination until a folder below it is chosen.
    EXPECT_EQ(Child<QLabel>(window, "LabelDIRECTORIO")->text(), QDir::toNativeSeparators(VolumeRootOf(folder)));
    window.chooseDirectory(folder);
    EXPECT_EQ(Child<QLabel>(window, "LabelDIRECTORIO")->text(), QDir::toNativeSeparators(folder));
    auto *name = Child<QLineEdit>(window, "EditARCHIVO");
    name->setText(QStringLiteral("Copia.zip"));

    QTest::mouseClick(Child<QPushButton>(window, "BitBtnINICIAR"), Qt::LeftButton);
    EXPECT_EQ(app.prompter.messages(), QStringList{BackupWrittenNotice(folder)});
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/Copia.zip")).isFile());
    const QStringList log = LogLines(window);
    EXPECT_EQ(log.first(), QStringLiteral("Inicio de Proceso."));
    EXPECT_EQ(log.last(), QStringLiteral("Proceso finalizado."));
    EXPECT_TRUE(log.contains(QStringLiteral("Añadiendo: ") + ArchiveEntryName(app.install.file(QStringLiteral("Datos/datos.sqlite")))));
    EXPECT_EQ(Child<QProgressBar>(window, "ProgressBar1")->value(), 100);

    // A failed run: the error in the log, no closing notice.
    app.prompter.clear();
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/Ocupado.zip")));
    name->setText(QStringLiteral("Ocupado.zip"));
    EXPECT_FALSE(window.start());
    EXPECT_TRUE(app.prompter.messages().isEmpty());
    const QStringList failed = LogLines(window);
    EXPECT_EQ(failed.first(), QStringLiteral("Inicio de Proceso."));
    EXPECT_TRUE(failed.at(failed.size() - 2).startsWith(QStringLiteral("Error: No se ha podido escribir la copia de seguridad")));
    EXPECT_EQ(failed.last(), QStringLiteral("Proceso finalizado."));
}

TEST(TFormCopRes, NameFieldBrowseAndVolumeMessages)
{
    AppFixture app;
    TFormCopRes window(app.context);
    EXPECT_EQ(window.objectName(), QStringLiteral("FormCopRes"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Restaurar Copia de Seguridad"));
    auto *name = Child<QLineEdit>(window, "EditARCHIVO");
    const QString newest = NewestBackupIn(DefaultBackupFolder());
    EXPECT_EQ(name->text(), QDir::toNativeSeparators(newest.isEmpty() ? DefaultRestoreArchive() : newest));

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(name, Qt::LeftButton);
    QTRY_COMPARE(name->selectedText(), name->text()); // ready to be typed over

    name->clear();
    QTest::keyClicks(name, QStringLiteral("/a b-c*d?e\"f<g>h|i\\j:k.zip"));
    EXPECT_EQ(name->text(), QStringLiteral("/abcdefghi\\j:k.zip"));

    // A name without its folder is looked for on the chosen volume.
    name->setText(QStringLiteral("copias/copiaseg.zip"));
    const QString root = Child<QComboBox>(window, "ComboUNIDAD")->currentData().toString();
    EXPECT_EQ(window.archivePath(), QDir::cleanPath(root + QStringLiteral("/copias/copiaseg.zip")));

    app.prompter.queueFile(QStringLiteral("/media/usb/Copia08122026.zip"));
    QTest::mouseClick(Child<QPushButton>(window, "BitBtnEXAMINAR"), Qt::LeftButton);
    ASSERT_EQ(app.prompter.shown().size(), 1u);
    EXPECT_EQ(app.prompter.shown().front().kind, QStringLiteral("openFile"));
    EXPECT_EQ(name->text(), QDir::toNativeSeparators(QStringLiteral("/media/usb/Copia08122026.zip")));
    app.prompter.queueFile(QString()); // cancelled: the name stays
    window.browse();
    EXPECT_EQ(name->text(), QDir::toNativeSeparators(QStringLiteral("/media/usb/Copia08122026.zip")));

    auto *volumes = Child<QComboBox>(window, "ComboUNIDAD");
    volumes->addItem(QStringLiteral("/media/no-existe"), QStringLiteral("/media/no-existe"));
    window.chooseVolume(volumes->count() - 1);
    EXPECT_EQ(app.prompter.lastMessage(),
              QStringLiteral("No se puede tener acceso a la unidad \"%1\". Compruebe si el disco está en la unidad.")
                  .arg(QDir::toNativeSeparators(QStringLiteral("/media/no-existe"))));
    EXPECT_EQ(volumes->currentIndex(), 0);
}

TEST(TFormCopRes, MissingArchiveStopsWithTheDatabasesOpen)
{
    AppFixture app;
    TFormCopRes window(app.context);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto *name = Child<QLineEdit>(window, "EditARCHIVO");
    name->setText(QStringLiteral("/no-existe/copiaseg.zip"));
    QTest::mouseClick(Child<QPushButton>(window, "BitBtnINICIAR"), Qt::LeftButton);
    EXPECT_EQ(app.prompter.messages(), QStringList{QStringLiteral("Es necesario introducir un nombre de archivo válido "
                                                                  "para restaurar la copia de seguridad.")});
    QTRY_VERIFY(name->hasFocus());
    EXPECT_TRUE(app.store.isConnected(Alias::Devenix));
    EXPECT_TRUE(app.store.isConnected(Alias::General));
}

TEST(TFormCopRes, RestoresAGoodArchiveAndRefusesADamagedOne)
{
    AppFixture app;
    RunSql(app.store.database(Alias::Intereses), QStringLiteral("INSERT INTO clientes (ICodCli, SNombreCli) VALUES (1, 'Ana')"));
    QTemporaryDir out;
    TFormCopSeg backup(app.context);
    backup.chooseDirectory(out.path());
    backup.findChild<QLineEdit *>(QStringLiteral("EditARCHIVO"))->setText(QStringLiteral("Copia.zip"));
    ASSERT_TRUE(backup.start());
    RunSql(app.store.database(Alias::Intereses), QStringLiteral("DELETE FROM clientes"));
    app.prompter.clear();

    TFormCopRes window(app.context);
    auto *name = Child<QLineEdit>(window, "EditARCHIVO");
    name->setText(QDir::toNativeSeparators(out.filePath(QStringLiteral("Copia.zip"))));
    const QString question = QStringLiteral("Se sustituirán los datos actuales por los de la copia del %1. ¿Desea continuar?")
                                 .arg(QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
    app.prompter.queueAnswer(Prompter::Answer::No);
    EXPECT_FALSE(window.start());
    EXPECT_EQ(app.prompter.messages(), QStringList{question});
    EXPECT_EQ(Scalar(app.store.database(Alias::Intereses), QStringLiteral("SELECT count(*) FROM clientes")).toInt(), 0);
    EXPECT_TRUE(Child<QPlainTextEdit>(window, "MemoLOG")->toPlainText().isEmpty());

    app.prompter.clear();
    app.prompter.queueAnswer(Prompter::Answer::Yes);
    EXPECT_TRUE(window.start());
    EXPECT_EQ(app.prompter.messages(),
              (QStringList{question, QStringLiteral("El proceso de recuperación de la copia de seguridad ha finalizado.")}));
    EXPECT_EQ(Child<QProgressBar>(window, "ProgressBar1")->value(), 100);
    EXPECT_EQ(Scalar(app.store.database(Alias::Intereses), QStringLiteral("SELECT SNombreCli FROM clientes")).toString(),
              QStringLiteral("Ana"));
    EXPECT_EQ(LogLines(window).first(), QStringLiteral("Inicio de Proceso."));
    EXPECT_EQ(LogLines(window).last(), QStringLiteral("Proceso finalizado."));

    app.prompter.clear();
    const QString damaged = out.filePath(QStringLiteral("Rota.zip"));
    QFile::copy(out.filePath(QStringLiteral("Copia.zip")), damaged);
    QFile file(damaged);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.resize(file.size() / 2);
    file.close();
    const auto before = TreeContents(app.install.path());
    name->setText(QDir::toNativeSeparators(damaged));
    app.prompter.queueAnswer(Prompter::Answer::Yes);
    EXPECT_FALSE(window.start());
    ASSERT_EQ(app.prompter.shown().size(), 2u);
    const auto &shown = app.prompter.shown().back();
    EXPECT_EQ(shown.icon, Prompter::Icon::Warning);
    EXPECT_EQ(shown.text, QStringLiteral("El archivo \"%1\" no es una copia de seguridad válida o está dañado. "
                                         "La instalación no se ha modificado.")
                              .arg(QDir::toNativeSeparators(damaged)));
    EXPECT_TRUE(TreeContents(app.install.path()) == before);
    EXPECT_TRUE(LogLines(window).contains(QStringLiteral("Error: ") + shown.text));
}
