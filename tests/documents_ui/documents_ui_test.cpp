#include "documents/docx_builder.h"
#include "documents/open_document.h"
#include "documents/print_model_dialog.h"
#include "documents/template_catalogue.h"
#include "documents/template_catalogue_window.h"
#include "documents/template_dialog.h"
#include "documents/word_processor_dialog.h"
#include "interest/print_settlement.h"
#include "store/lock_conflict.h"
#include "support/app_fixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QPrintPreviewWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using Answer = Prompter::Answer;

// Runs `act` on the next modal window that opens (optionally of that name), from inside its
// event loop. A window that must not open is watched for with required false.
void OnNextModal(std::function<void(QWidget *)> act, const QString &name = {}, bool required = true)
{
    auto *timer = new QTimer;
    QWidget *before = QApplication::activeModalWidget();
    const QDeadlineTimer deadline(required ? 15000 : 1000);
    QObject::connect(timer, &QTimer::timeout, [timer, before, deadline, act, name, required] {
        QWidget *w = QApplication::activeModalWidget();
        if (w && w != before && (name.isEmpty() || w->objectName() == name)) {
            timer->stop();
            timer->deleteLater();
            act(w);
        } else if (deadline.hasExpired()) {
            timer->stop();
            timer->deleteLater();
            if (required)
                ADD_FAILURE() << "no modal window " << name.toStdString();
        }
    });
    timer->start(10);
}

void Click(QWidget *parent, const char *button)
{
    auto *b = parent->findChild<QPushButton *>(QLatin1String(button));
    ASSERT_NE(b, nullptr) << button;
    ASSERT_TRUE(b->isVisible()) << button;
    b->click();
}

// Waits for the word-processor dialog to finish its job, then presses "Continuar".
void ContinueWhenDone(QWidget *w)
{
    auto *word = qobject_cast<TFormWord *>(w);
    ASSERT_NE(word, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([word] { return word->finished(); }, 15000));
    Click(word, "BtnContinuar");
}

class DocumentWindows : public ::testing::Test
{
protected:
    DocumentWindows()
    {
        SetDocumentOpener([this](const QString &path) {
            opened.append(path);
            return openSucceeds;
        });
        QDir().mkpath(app.session.docPlantDir());
        // The shipped template, catalogued first in every new installation.
        QFile::copy(QStringLiteral(CUANTIX_BINARY_DIR "/instalacion/DocPlant/CartaLiquidacion.docx"),
                    templatePath(QStringLiteral("CartaLiquidacion.docx")));
    }
    ~DocumentWindows() override { SetDocumentOpener({}); }

    QString templatePath(const QString &name) const { return app.session.docPlantDir() + QLatin1Char('/') + name; }

    void writeTemplate(const QString &name)
    {
        WriteDocx(templatePath(name),
                  DocxParts{DocumentXml(Paragraph(TextRun(QStringLiteral("Capital: "))
                                                  + SimpleField(QStringLiteral(" MERGEFIELD CapitalEuros "), QStringLiteral("«c»")))
                                        + Paragraph(ComplexField({QStringLiteral(" MERGEFIELD FechaDesde ")}, QStringLiteral("«f»")))),
                            {}, {}, {}, {}, {}});
    }

    int addRecord(const QString &descripcion, const QString &plantilla)
    {
        TemplateCatalogue catalogue(app.store.database(Alias::Devenix));
        const int id = catalogue.insertBlank();
        catalogue.update({id, descripcion, plantilla});
        return id;
    }

    static SettlementResult TwoRows()
    {
        SettlementResult r;
        SettlementRow a;
        a.desde = QDate(2021, 1, 1);
        a.hasta = QDate(2021, 6, 30);
        a.capital = 10000.0;
        a.rate = 3.0;
        a.total = 148.77;
        SettlementRow b = a;
        b.desde = QDate(2021, 7, 1);
        b.hasta = QDate(2021, 12, 31);
        r.rows = {a, b};
        r.totalInterest = 297.54;
        r.grandTotal = 10297.54;
        return r;
    }

    AppFixture app;
    QStringList opened;
    bool openSucceeds = true;
};

} // namespace

TEST_F(DocumentWindows, SettlementDocumentIsWrittenToDocumentosAndOpened)
{
    writeTemplate(QStringLiteral("Carta.docx"));
    SettlementInput input;
    input.principal = 10000.0;
    TFormWord word(app.context, WordMode::Settlement, QStringLiteral("Carta.docx"));
    word.setSettlement(MergeData::From(input, TwoRows()));
    EXPECT_EQ(word.windowTitle(), QStringLiteral("Procesador de Textos"));
    EXPECT_EQ(word.findChild<QLabel *>(QStringLiteral("Label1"))->text(),
              QStringLiteral("Arrancando el procesador de textos Word. Espere, por favor ...."));
    word.show();
    ASSERT_TRUE(QTest::qWaitFor([&word] { return word.finished(); }, 15000));
    EXPECT_EQ(word.findChild<QLabel *>(QStringLiteral("Label1"))->text(),
              QStringLiteral("Pulse el botón \"Continuar\" para seguir con la ejecución del programa."));
    EXPECT_TRUE(word.findChild<QPushButton *>(QStringLiteral("BtnContinuar"))->isVisible());
    EXPECT_FALSE(word.findChild<QWidget *>(QStringLiteral("ProgressBar1"))->isVisible());
    EXPECT_FALSE(word.findChild<QWidget *>(QStringLiteral("ComboCampos"))->isVisible());

    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first(), word.documentPath());
    EXPECT_TRUE(word.documentPath().startsWith(app.session.programDir + QStringLiteral("/Documentos/Carta ")));
    EXPECT_EQ(ParagraphTexts(ReadEntry(word.documentPath(), QStringLiteral("word/document.xml"))),
              (QStringList{QStringLiteral("Capital: 10.000,00"), QStringLiteral("01/01/2021"), QStringLiteral("01/07/2021")}));
    EXPECT_TRUE(app.prompter.shown().empty());
}

TEST_F(DocumentWindows, FailedJobStillOffersContinuarAndReportsTheError)
{
    TFormWord word(app.context, WordMode::Settlement, QStringLiteral("NoEsta.docx"));
    word.show();
    ASSERT_TRUE(QTest::qWaitFor([&word] { return word.finished(); }, 15000));
    EXPECT_TRUE(word.findChild<QPushButton *>(QStringLiteral("BtnContinuar"))->isVisible());
    EXPECT_EQ(app.prompter.lastMessage(),
              QStringLiteral("No se encuentra la plantilla \"%1\".").arg(QDir::toNativeSeparators(templatePath(QStringLiteral("NoEsta.docx")))));
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(QDir(app.session.programDir + QStringLiteral("/Documentos")).entryList(QDir::Files).isEmpty());
}

TEST_F(DocumentWindows, NewTemplateModeWritesAnEmptyDocumentAndOffersTheFields)
{
    openSucceeds = false;
    TFormWord word(app.context, WordMode::NewTemplate, QStringLiteral("Nueva.docx"));
    word.show();
    ASSERT_TRUE(QTest::qWaitFor([&word] { return word.finished(); }, 15000));
    EXPECT_EQ(opened, QStringList{templatePath(QStringLiteral("Nueva.docx"))});
    EXPECT_EQ(ParagraphTexts(ReadEntry(templatePath(QStringLiteral("Nueva.docx")), QStringLiteral("word/document.xml"))),
              QStringList{QString()});
    EXPECT_EQ(app.prompter.lastMessage(),
              QStringLiteral("No se ha podido abrir el documento \"%1\". Ábralo con su procesador de textos.")
                  .arg(QDir::toNativeSeparators(templatePath(QStringLiteral("Nueva.docx")))));

    auto *fields = word.findChild<QComboBox *>(QStringLiteral("ComboCampos"));
    ASSERT_TRUE(fields->isVisible());
    ASSERT_EQ(fields->count(), 18);
    EXPECT_EQ(fields->itemText(0), QStringLiteral("CapitalEuros"));
    EXPECT_EQ(fields->itemText(17), QStringLiteral("TotalPtas"));
    fields->setCurrentText(QStringLiteral("Dias"));
    Click(&word, "BtnInsertar");
    const QMimeData *clip = QApplication::clipboard()->mimeData();
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->text(), QStringLiteral("«Dias»"));
    EXPECT_TRUE(clip->data(QStringLiteral("text/rtf")).contains("{\\field{\\*\\fldinst MERGEFIELD Dias}{\\fldrslt \\u171?Dias\\u187?}}"));

    Click(&word, "BtnTerminar");
    EXPECT_EQ(word.result(), QDialog::Accepted);
}

TEST_F(DocumentWindows, CatalogueWindowAddsEditsAndRemoves)
{
    TFormDcto window(app.context);
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Selección de Plantilla"));
    EXPECT_FALSE(window.findChild<QPushButton *>(QStringLiteral("BtnAceptar"))->isVisible());
    EXPECT_FALSE(window.findChild<QPushButton *>(QStringLiteral("BtnCancelar"))->isVisible());
    auto *grid = window.findChild<QTableView *>(QStringLiteral("DBGrid2"));
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Descripción"));
    ASSERT_EQ(grid->model()->rowCount(), 1);
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), QStringLiteral("Carta de liquidación de intereses"));

    // The shipped template leaves; its document stays.
    app.prompter.queueAnswer(Answer::Yes);
    app.prompter.queueAnswer(Answer::No);
    Click(&window, "BtnBajas");
    EXPECT_EQ(grid->model()->rowCount(), 0);
    EXPECT_TRUE(QFile::exists(templatePath(QStringLiteral("CartaLiquidacion.docx"))));

    // "  &Modif." on an empty catalogue adds.
    OnNextModal([](QWidget *dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Mantenimiento de Plantillas (Altas)"));
        dialog->findChild<QLineEdit *>(QStringLiteral("EditDESCRIPCION"))->setText(QStringLiteral("Carta al deudor"));
        Click(dialog, "BtnAceptar");
    });
    Click(&window, "BtnModif");
    ASSERT_EQ(grid->model()->rowCount(), 1);
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), QStringLiteral("Carta al deudor"));

    OnNextModal([](QWidget *dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Mantenimiento de Plantillas (Modificaciones)"));
        EXPECT_EQ(dialog->findChild<QLineEdit *>(QStringLiteral("EditDESCRIPCION"))->text(), QStringLiteral("Carta al deudor"));
        dialog->findChild<QLineEdit *>(QStringLiteral("EditDESCRIPCION"))->setText(QStringLiteral("Carta al acreedor"));
        dialog->close(); // stored however the dialog closes
    });
    Click(&window, "BtnModif");
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), QStringLiteral("Carta al acreedor"));

    // Locked by another program: the message, no dialog.
    const int id = window.currentId();
    RecordLocks maria(app.store.database(Alias::Devenix),
                      LockIdentity{QStringLiteral("maria"), QStringLiteral("otro-equipo"), 4242, QStringLiteral("s2")});
    maria.lock(TemplateCatalogue::TableName(), TemplateCatalogue::LockKey(id));
    Click(&window, "BtnModif");
    EXPECT_EQ(app.prompter.lastMessage(),
              QStringLiteral("En este momento la plantilla está siendo usado por el usuario: \"maria\". Inténtelo más tarde."));
    maria.unlock(TemplateCatalogue::TableName(), TemplateCatalogue::LockKey(id));

    app.prompter.queueAnswer(Answer::Yes);
    Click(&window, "BtnBajas");
    EXPECT_EQ(grid->model()->rowCount(), 0);
    EXPECT_EQ(app.prompter.lastMessage(), QStringLiteral("¿Desea dar de baja el documento seleccionado?"));
}

TEST_F(DocumentWindows, TemplateDialogCreatesAndRemovesDocuments)
{
    TFormDctoMan dialog(app.context);
    dialog.setRecord({7, QStringLiteral("Carta"), QString()});
    dialog.show();
    EXPECT_TRUE(dialog.findChild<QLineEdit *>(QStringLiteral("EditPLANTILLA"))->isReadOnly());

    app.prompter.queueText(QStringLiteral("Reclamación"));
    OnNextModal(ContinueWhenDone, QStringLiteral("FormWord"));
    Click(&dialog, "BtnNueva");
    EXPECT_EQ(dialog.record(), (TemplateRecord{7, QStringLiteral("Carta"), QStringLiteral("Reclamación.docx")}));
    EXPECT_TRUE(QFile::exists(templatePath(QStringLiteral("Reclamación.docx"))));
    EXPECT_EQ(opened, QStringList{templatePath(QStringLiteral("Reclamación.docx"))});

    // "&Modif." opens the existing document for editing.
    OnNextModal(ContinueWhenDone, QStringLiteral("FormWord"));
    Click(&dialog, "BtnModif");
    EXPECT_EQ(opened.size(), 2);

    // "&Eliminar" clears the name even when the file is kept.
    app.prompter.queueAnswer(Answer::No);
    Click(&dialog, "BtnEliminar");
    EXPECT_EQ(dialog.record().plantilla, QString());
    EXPECT_TRUE(QFile::exists(templatePath(QStringLiteral("Reclamación.docx"))));

    // "&Modif." without a document asks for one.
    app.prompter.queueFile(templatePath(QStringLiteral("Reclamación.docx")));
    Click(&dialog, "BtnModif");
    EXPECT_EQ(app.prompter.lastMessage(), QStringLiteral("Debe seleccionar una plantilla primero."));
    EXPECT_EQ(dialog.record().plantilla, QStringLiteral("Reclamación.docx"));
}

TEST_F(DocumentWindows, PrintModelDialogChecksOnlyTheWordProcessorChoice)
{
    TemplateCatalogue(app.store.database(Alias::Devenix)).remove(1); // the shipped template
    addRecord(QStringLiteral("Sin documento"), QString());
    TFormDctoSel dialog(app.context);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Selección de Modelo de Impresión"));
    auto *grid = dialog.findChild<QTableView *>(QStringLiteral("DBGrid1"));
    EXPECT_TRUE(dialog.wordProcessorChosen());
    EXPECT_TRUE(grid->isEnabled());
    dialog.findChild<QRadioButton *>(QStringLiteral("RadioLISTADO"))->setChecked(true);
    EXPECT_FALSE(grid->isEnabled());
    Click(&dialog, "BtnAceptar");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(app.prompter.shown().empty());

    TFormDctoSel again(app.context);
    again.show();
    Click(&again, "BtnAceptar");
    EXPECT_EQ(again.chosenTemplate(), QString());
    EXPECT_EQ(app.prompter.lastMessage(), QStringLiteral("El documento seleccionado no tiene asiganada una plantilla."));
}

TEST_F(DocumentWindows, PrintActionToTheWordProcessorWithTheShippedTemplate)
{
    SettlementInput input;
    input.principal = 10000.0;
    OnNextModal([](QWidget *dialog) {
        OnNextModal(ContinueWhenDone, QStringLiteral("FormWord"));
        Click(dialog, "BtnAceptar"); // the shipped template is highlighted
    }, QStringLiteral("FormDctoSel"));
    PrintSettlement(app.context, nullptr, input, TwoRows());
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened.first().contains(QStringLiteral("/Documentos/CartaLiquidacion ")));
    const QStringList texts = ParagraphTexts(ReadEntry(opened.first(), QStringLiteral("word/document.xml")));
    EXPECT_TRUE(texts.contains(QStringLiteral("01/01/2021")));
    EXPECT_TRUE(texts.contains(QStringLiteral("01/07/2021")));
    EXPECT_TRUE(texts.contains(QStringLiteral("10.297,54")));
    EXPECT_EQ(ParagraphTexts(ReadEntry(opened.first(), QStringLiteral("word/header1.xml"))),
              QStringList{QStringLiteral("Liquidación de intereses · capital inicial 10.000,00 €")});
}

TEST_F(DocumentWindows, PrintActionFallsBackToTheReportAndCancelEndsIt)
{
    addRecord(QStringLiteral("Perdida"), QStringLiteral("Perdida.docx"));
    SettlementInput input;
    input.principal = 10000.0;

    // Nothing at all without rows.
    PrintSettlement(app.context, nullptr, input, SettlementResult{});
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // Cancelling: no preview follows.
    bool previewShown = false;
    OnNextModal([&previewShown](QWidget *dialog) {
        OnNextModal([&previewShown](QWidget *preview) {
            previewShown = true;
            preview->close();
        }, QStringLiteral("PreviewReport"), false);
        Click(dialog, "BtnCancelar");
    }, QStringLiteral("FormDctoSel"));
    PrintSettlement(app.context, nullptr, input, TwoRows());
    QTest::qWait(1200);
    EXPECT_FALSE(previewShown);

    // A template whose document is missing: the message, then the built-in report.
    app.prompter.clear();
    bool previewFitsThePage = false;
    OnNextModal([&previewShown, &previewFitsThePage](QWidget *dialog) {
        auto *grid = dialog->findChild<QTableView *>(QStringLiteral("DBGrid1"));
        grid->setCurrentIndex(grid->model()->index(1, 0)); // "Perdida"
        OnNextModal([&previewShown, &previewFitsThePage](QWidget *preview) {
            previewShown = preview->objectName() == QLatin1String("PreviewReport");
            // Maximised and zoomed to the page's width, readable at once.
            const auto *view = preview->findChild<QPrintPreviewWidget *>();
            previewFitsThePage = preview->windowState().testFlag(Qt::WindowMaximized) && view
                                 && view->zoomMode() == QPrintPreviewWidget::FitToWidth;
            preview->close();
        }, QStringLiteral("PreviewReport"));
        Click(dialog, "BtnAceptar");
    }, QStringLiteral("FormDctoSel"));
    PrintSettlement(app.context, nullptr, input, TwoRows());
    EXPECT_TRUE(previewShown);
    EXPECT_TRUE(previewFitsThePage);
    EXPECT_EQ(app.prompter.messages(),
              QStringList{QStringLiteral("El documento seleccionado tiene asignada una plantilla que no existe en su ordenador.")});
    EXPECT_TRUE(opened.isEmpty());
}
