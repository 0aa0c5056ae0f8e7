#include "documents/docx_builder.h"
#include "documents/office_conversion.h"
#include "documents/template_catalogue.h"
#include "store/lock_conflict.h"
#include "support/app_fixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Icon = Prompter::Icon;
using Answer = Prompter::Answer;

void WriteFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(content);
}

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class TemplateFiles : public ::testing::Test
{
protected:
    TemplateFiles()
    {
        QDir().mkpath(templates());
        QDir().mkpath(elsewhere());
    }
    QString templates() const { return dir.path() + QStringLiteral("/DocPlant"); }
    QString elsewhere() const { return dir.path() + QStringLiteral("/Escritorio"); }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    TemplateFileActions files{prompter, templates(), QString()};
};

class Catalogue : public ::testing::Test
{
protected:
    Catalogue()
        : catalogue(app.store.database(Alias::Devenix))
        , actions(catalogue, app.prompter, app.session.docPlantDir())
    {
    }

    // Another program holding the record's lock.
    RecordLocks other() const
    {
        return RecordLocks(app.store.database(Alias::Devenix),
                           LockIdentity{QStringLiteral("maria"), QStringLiteral("otro-equipo"), 4242, QStringLiteral("s2")});
    }

    AppFixture app;
    TemplateCatalogue catalogue;
    TemplateCatalogueActions actions;
};

} // namespace

TEST_F(TemplateFiles, ChosenDocumentIsCopiedIntoTheTemplatesFolder)
{
    WriteFile(elsewhere() + QStringLiteral("/Carta.docx"), "nuevo");
    prompter.queueFile(elsewhere() + QStringLiteral("/Carta.docx"));
    EXPECT_EQ(files.select(), QStringLiteral("Carta.docx"));
    EXPECT_EQ(ReadFile(templates() + QStringLiteral("/Carta.docx")), QByteArray("nuevo"));
    EXPECT_EQ(prompter.messages(),
              QStringList{QStringLiteral("Se ha almacenado la plantilla seleccionada, en directorio de plantillas, con éxito.")});
    EXPECT_EQ(prompter.lastFileRequest().directory, templates());
    EXPECT_EQ(prompter.lastFileRequest().filters.first(), QStringLiteral("Documentos Word (*.docx)"));
    EXPECT_TRUE(prompter.lastFileRequest().mustExist);
}

TEST_F(TemplateFiles, DocumentAlreadyInTheFolderIsTakenWithoutCopyOrMessage)
{
    WriteFile(templates() + QStringLiteral("/Carta.docx"), "x");
    prompter.queueFile(templates() + QStringLiteral("/Carta.docx"));
    EXPECT_EQ(files.select(), QStringLiteral("Carta.docx"));
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_EQ(QDir(templates()).entryList(QDir::Files), QStringList{QStringLiteral("Carta.docx")});
}

TEST_F(TemplateFiles, OverwritingAskedFirst)
{
    WriteFile(templates() + QStringLiteral("/Carta.docx"), "viejo");
    WriteFile(elsewhere() + QStringLiteral("/Carta.docx"), "nuevo");
    const QString question =
        QStringLiteral("¿Ya existe en el directorio de plantillas una plantilla con el nombre Carta.docx ¿Desea "
                       "sobreescribir la plantilla existente con la nueva seleccionada?");
    prompter.queueFile(elsewhere() + QStringLiteral("/Carta.docx"));
    prompter.queueAnswer(Answer::No);
    EXPECT_EQ(files.select(), std::nullopt);
    EXPECT_EQ(prompter.messages(), QStringList{question});
    EXPECT_EQ(prompter.shown().back().icon, Icon::Information);
    EXPECT_EQ(ReadFile(templates() + QStringLiteral("/Carta.docx")), QByteArray("viejo"));

    prompter.queueFile(elsewhere() + QStringLiteral("/Carta.docx"));
    prompter.queueAnswer(Answer::Yes);
    EXPECT_EQ(files.select(), QStringLiteral("Carta.docx"));
    EXPECT_EQ(ReadFile(templates() + QStringLiteral("/Carta.docx")), QByteArray("nuevo"));
}

TEST_F(TemplateFiles, CancelledOrUncopiableChoice)
{
    prompter.queueFile(QString());
    EXPECT_EQ(files.select(), std::nullopt);
    EXPECT_TRUE(prompter.messages().isEmpty());

    // A folder in the way of the copy makes it fail.
    QDir().mkpath(templates() + QStringLiteral("/Carta.docx"));
    WriteFile(elsewhere() + QStringLiteral("/Carta.docx"), "nuevo");
    prompter.queueFile(elsewhere() + QStringLiteral("/Carta.docx"));
    prompter.queueAnswer(Answer::Yes);
    EXPECT_EQ(files.select(), std::nullopt);
    EXPECT_EQ(prompter.lastMessage(), QStringLiteral("No se ha podido realizar la copia. Proceso cancelado."));
}

TEST_F(TemplateFiles, OldWordDocumentRefusedWithoutTheOfficeSuite)
{
    WriteFile(elsewhere() + QStringLiteral("/Antigua.doc"), "doc");
    prompter.queueFile(elsewhere() + QStringLiteral("/Antigua.doc"));
    EXPECT_EQ(files.select(), std::nullopt);
    EXPECT_TRUE(prompter.lastMessage().contains(QStringLiteral("LibreOffice no está instalado")));
    EXPECT_EQ(QDir(templates()).entryList(QDir::Files), QStringList{});
}

TEST_F(TemplateFiles, OldWordDocumentConvertedWithTheOfficeSuite)
{
    const QString soffice = OfficeProgram();
    if (soffice.isEmpty())
        GTEST_SKIP() << "soffice is not installed";
    // Make a .doc from a .docx first.
    WriteDocx(elsewhere() + QStringLiteral("/Antigua.docx"),
              DocxParts{DocumentXml(Paragraph(TextRun(QStringLiteral("Texto antiguo")))), {}, {}, {}, {}, {}});
    QTemporaryDir profile;
    QProcess p;
    p.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + profile.path(), QStringLiteral("--headless"),
                      QStringLiteral("--convert-to"), QStringLiteral("doc"), QStringLiteral("--outdir"), elsewhere() + QStringLiteral("/doc"),
                      elsewhere() + QStringLiteral("/Antigua.docx")});
    ASSERT_TRUE(p.waitForFinished(180000));
    const QString doc = elsewhere() + QStringLiteral("/doc/Antigua.doc");
    ASSERT_TRUE(QFile::exists(doc));

    TemplateFileActions converting(prompter, templates(), soffice);
    prompter.queueFile(doc);
    EXPECT_EQ(converting.select(), QStringLiteral("Antigua.docx"));
    EXPECT_EQ(ParagraphTexts(ReadEntry(templates() + QStringLiteral("/Antigua.docx"), QStringLiteral("word/document.xml"))),
              QStringList{QStringLiteral("Texto antiguo")});
    EXPECT_FALSE(QFile::exists(templates() + QStringLiteral("/Antigua.doc")));
}

TEST_F(TemplateFiles, NewTemplateNames)
{
    const QString invalid = QStringLiteral("El nombre introducido no es un nombre de fichero válido.");
    for (const char *bad : {"a/b", "a\\b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b", "", "   ", ".doc"}) {
        prompter.clear();
        prompter.queueText(QString::fromUtf8(bad));
        EXPECT_EQ(files.askNewName(), std::nullopt) << bad;
        EXPECT_EQ(prompter.messages(), QStringList{invalid}) << bad;
    }
    prompter.clear();
    prompter.queueText(QStringLiteral("Carta"));
    EXPECT_EQ(files.askNewName(), QStringLiteral("Carta.docx"));
    EXPECT_EQ(prompter.shown().front().title, QStringLiteral("Nueva Plantilla"));
    EXPECT_EQ(prompter.shown().front().text, QStringLiteral("Introduzca el nombre de la nueva plantilla"));
    prompter.queueText(QStringLiteral("Carta.doc"));
    EXPECT_EQ(files.askNewName(), QStringLiteral("Carta.docx"));
    prompter.queueText(QStringLiteral("Mi.carta"));
    EXPECT_EQ(files.askNewName(), QStringLiteral("Mi.docx"));
    prompter.queueText(std::nullopt);
    EXPECT_EQ(files.askNewName(), std::nullopt);

    WriteFile(templates() + QStringLiteral("/Carta.docx"), "x");
    prompter.clear();
    prompter.queueText(QStringLiteral("Carta"));
    prompter.queueAnswer(Answer::No);
    EXPECT_EQ(files.askNewName(), std::nullopt);
    EXPECT_EQ(prompter.lastMessage(),
              QStringLiteral("Ya existe una plantilla con el nombre Carta.docx ¿Desea sobreescribir la plantilla existente con la nueva?"));
    EXPECT_EQ(prompter.shown().back().icon, Icon::Confirmation);
    prompter.queueText(QStringLiteral("Carta"));
    prompter.queueAnswer(Answer::Yes);
    EXPECT_EQ(files.askNewName(), QStringLiteral("Carta.docx"));
}

TEST_F(TemplateFiles, MissingDocumentAndRemovingIt)
{
    prompter.queueFile(QString());
    EXPECT_EQ(files.replaceMissing(QString()), std::nullopt);
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("Debe seleccionar una plantilla primero.")});
    prompter.clear();
    prompter.queueFile(QString());
    EXPECT_EQ(files.replaceMissing(QStringLiteral("Perdida.docx")), std::nullopt);
    EXPECT_EQ(prompter.messages(),
              QStringList{QStringLiteral("La plantilla seleccionada no existe. Debe seleccionar una nueva plantilla.")});

    WriteFile(templates() + QStringLiteral("/Carta.docx"), "x");
    prompter.clear();
    prompter.queueAnswer(Answer::No);
    files.removeDocument(QStringLiteral("Carta.docx"));
    EXPECT_TRUE(QFile::exists(templates() + QStringLiteral("/Carta.docx")));
    EXPECT_EQ(prompter.messages(),
              QStringList{QStringLiteral("¿Desea borrar de su ordenador el documento que sirve como plantilla?")});
    prompter.queueAnswer(Answer::Yes);
    files.removeDocument(QStringLiteral("Carta.docx"));
    EXPECT_FALSE(QFile::exists(templates() + QStringLiteral("/Carta.docx")));
    prompter.clear();
    files.removeDocument(QStringLiteral("Carta.docx")); // nothing to ask about any more
    EXPECT_TRUE(prompter.shown().empty());
}

TEST_F(TemplateFiles, ChosenTemplateCheckedBeforePrinting)
{
    EXPECT_EQ(CheckChosenTemplate(prompter, templates(), QString()), QString());
    EXPECT_EQ(prompter.lastMessage(), QStringLiteral("El documento seleccionado no tiene asiganada una plantilla."));
    EXPECT_EQ(prompter.shown().back().icon, Icon::Error);
    EXPECT_EQ(CheckChosenTemplate(prompter, templates(), QStringLiteral("Falta.docx")), QString());
    EXPECT_EQ(prompter.lastMessage(),
              QStringLiteral("El documento seleccionado tiene asignada una plantilla que no existe en su ordenador."));
    WriteFile(templates() + QStringLiteral("/Carta.docx"), "x");
    prompter.clear();
    EXPECT_EQ(CheckChosenTemplate(prompter, templates(), QStringLiteral("Carta.docx")), QStringLiteral("Carta.docx"));
    EXPECT_TRUE(prompter.shown().empty());
}

TEST_F(Catalogue, AddingAndEditingHoldTheRecordLock)
{
    const std::optional<int> id = actions.beginAdd();
    ASSERT_TRUE(id);
    EXPECT_THROW(other().lock(TemplateCatalogue::TableName(), TemplateCatalogue::LockKey(*id)), StoreError);
    actions.finish({*id, QStringLiteral("Carta de reclamación"), QStringLiteral("Carta.docx")});
    EXPECT_EQ(catalogue.find(*id), (TemplateRecord{*id, QStringLiteral("Carta de reclamación"), QStringLiteral("Carta.docx")}));

    RecordLocks maria = other();
    maria.lock(TemplateCatalogue::TableName(), TemplateCatalogue::LockKey(*id));
    EXPECT_FALSE(actions.beginEdit(*id, [] {}));
    EXPECT_EQ(app.prompter.lastMessage(),
              QStringLiteral("En este momento la plantilla está siendo usado por el usuario: \"maria\". Inténtelo más tarde."));
    maria.unlock(TemplateCatalogue::TableName(), TemplateCatalogue::LockKey(*id));
    EXPECT_TRUE(actions.beginEdit(*id, [] {}));
    actions.finish({*id, QStringLiteral("Otra"), QString()});
    EXPECT_EQ(catalogue.find(*id)->plantilla, QString());
}

TEST_F(Catalogue, RecordDeletedByAnotherUserRefreshesSilently)
{
    const int id = catalogue.insertBlank();
    catalogue.remove(id);
    int refreshed = 0;
    EXPECT_FALSE(actions.beginEdit(id, [&] { ++refreshed; }));
    EXPECT_EQ(refreshed, 1);
    EXPECT_TRUE(app.prompter.shown().empty());
}

TEST_F(Catalogue, RemovingARecordAndMaybeItsDocument)
{
    QDir().mkpath(app.session.docPlantDir());
    WriteFile(app.session.docPlantDir() + QStringLiteral("/Carta.docx"), "x");
    const int id = catalogue.insertBlank();
    catalogue.update({id, QStringLiteral("Carta"), QStringLiteral("Carta.docx")});

    app.prompter.queueAnswer(Answer::No);
    EXPECT_FALSE(actions.remove(id, {}));
    EXPECT_TRUE(catalogue.exists(id));

    RecordLocks maria = other();
    maria.lock(TemplateCatalogue::TableName(), TemplateCatalogue::LockKey(id));
    app.prompter.queueAnswer(Answer::Yes);
    EXPECT_FALSE(actions.remove(id, {}));
    EXPECT_EQ(app.prompter.lastMessage(),
              QStringLiteral("En este momento el documento está siendo usado por el usuario: \"maria\". Inténtelo más tarde."));
    EXPECT_TRUE(catalogue.exists(id));
    maria.unlock(TemplateCatalogue::TableName(), TemplateCatalogue::LockKey(id));

    // The record goes; the user keeps the file.
    app.prompter.clear();
    app.prompter.queueAnswer(Answer::Yes);
    app.prompter.queueAnswer(Answer::No);
    EXPECT_TRUE(actions.remove(id, {}));
    EXPECT_EQ(app.prompter.messages(), (QStringList{QStringLiteral("¿Desea dar de baja el documento seleccionado?"),
                                                    QStringLiteral("¿Desea borrar de su ordenador la plantilla?")}));
    EXPECT_FALSE(catalogue.exists(id));
    EXPECT_TRUE(QFile::exists(app.session.docPlantDir() + QStringLiteral("/Carta.docx")));
    // The lock went with it.
    EXPECT_NO_THROW(maria.lock(TemplateCatalogue::TableName(), TemplateCatalogue::LockKey(id)));
    maria.unlock(TemplateCatalogue::TableName(), TemplateCatalogue::LockKey(id));

    const int second = catalogue.insertBlank();
    catalogue.update({second, QStringLiteral("Carta"), QStringLiteral("Carta.docx")});
    app.prompter.queueAnswer(Answer::Yes);
    app.prompter.queueAnswer(Answer::Yes);
    EXPECT_TRUE(actions.remove(second, {}));
    EXPECT_FALSE(QFile::exists(app.session.docPlantDir() + QStringLiteral("/Carta.docx")));
}
