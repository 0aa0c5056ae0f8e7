#include "documents/template_catalogue.h"

#include "core/errors.h"
#include "core/prompter.h"
#include "documents/office_conversion.h"
#include "store/lock_conflict.h"
#include "store/sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUuid>

#include <filesystem>

TemplateCatalogue::TemplateCatalogue(QSqlDatabase db)
    : m_db(std::move(db))
{
}

std::vector<TemplateRecord> TemplateCatalogue::all() const
{
    std::vector<TemplateRecord> out;
    QSqlQuery q = RunSql(m_db, QStringLiteral("SELECT Id, Descripcion, Plantilla FROM plantill ORDER BY Id"));
    while (q.next())
        out.push_back({q.value(0).toInt(), q.value(1).toString(), q.value(2).toString()});
    return out;
}

std::optional<TemplateRecord> TemplateCatalogue::find(int id) const
{
    QSqlQuery q = RunSql(m_db, QStringLiteral("SELECT Id, Descripcion, Plantilla FROM plantill WHERE Id = ?"), {id});
    if (!q.next())
        return std::nullopt;
    return TemplateRecord{q.value(0).toInt(), q.value(1).toString(), q.value(2).toString()};
}

bool TemplateCatalogue::exists(int id) const
{
    return Scalar(m_db, QStringLiteral("SELECT count(*) FROM plantill WHERE Id = ?"), {id}).toInt() > 0;
}

int TemplateCatalogue::insertBlank()
{
    return static_cast<int>(InsertReturningKey(
        m_db, QStringLiteral("INSERT INTO plantill (Descripcion, Plantilla) VALUES (NULL, NULL)"), QStringLiteral("Id")));
}

void TemplateCatalogue::update(const TemplateRecord &record)
{
    RunSql(m_db, QStringLiteral("UPDATE plantill SET Descripcion = ?, Plantilla = ? WHERE Id = ?"),
        {TextOrNull(record.descripcion), TextOrNull(record.plantilla), record.id});
}

void TemplateCatalogue::remove(int id)
{
    RunSql(m_db, QStringLiteral("DELETE FROM plantill WHERE Id = ?"), {id});
}

TemplateCatalogueActions::TemplateCatalogueActions(TemplateCatalogue &catalogue, Prompter &prompter,
                                                   QString templatesDir)
    : m_catalogue(catalogue)
    , m_prompter(prompter)
    , m_templatesDir(std::move(templatesDir))
{
}

std::optional<int> TemplateCatalogueActions::beginAdd()
{
    int id = 0;
    const bool ok = LockConflict(
        m_prompter, LockBeginning::TemplatesAdd,
        [&] {
            id = m_catalogue.insertBlank();
            try {
                m_catalogue.locks().lock(TemplateCatalogue::TableName(), TemplateCatalogue::LockKey(id));
            } catch (...) {
                m_catalogue.remove(id);
                throw;
            }
        },
        {});
    if (!ok)
        return std::nullopt;
    return id;
}

bool TemplateCatalogueActions::beginEdit(int id, const std::function<void()> &refresh)
{
    return LockConflict(
        m_prompter, LockBeginning::TemplateEdit,
        [&] {
            m_catalogue.locks().lock(TemplateCatalogue::TableName(), TemplateCatalogue::LockKey(id),
                                     [&] { return m_catalogue.exists(id); });
        },
        refresh);
}

void TemplateCatalogueActions::finish(const TemplateRecord &record)
{
    try {
        m_catalogue.update(record);
    } catch (...) {
        m_catalogue.locks().unlock(TemplateCatalogue::TableName(), TemplateCatalogue::LockKey(record.id));
        throw;
    }
    m_catalogue.locks().unlock(TemplateCatalogue::TableName(), TemplateCatalogue::LockKey(record.id));
}

bool TemplateCatalogueActions::remove(int id, const std::function<void()> &refresh)
{
    if (!m_prompter.askYesNo(QStringLiteral("¿Desea dar de baja el documento seleccionado?")))
        return false;
    const bool locked = LockConflict(
        m_prompter, LockBeginning::DocumentDelete,
        [&] {
            m_catalogue.locks().lock(TemplateCatalogue::TableName(), TemplateCatalogue::LockKey(id),
                                     [&] { return m_catalogue.exists(id); });
        },
        refresh);
    if (!locked)
        return false;
    try {
        const std::optional<TemplateRecord> record = m_catalogue.find(id);
        const QString file = record && !record->plantilla.isEmpty()
                                 ? m_templatesDir + QLatin1Char('/') + record->plantilla
                                 : QString();
        if (!file.isEmpty() && QFileInfo(file).isFile()
            && m_prompter.askYesNo(QStringLiteral("¿Desea borrar de su ordenador la plantilla?"))
            && !QFile::remove(file)) {
            m_prompter.inform(QStringLiteral("La plantilla no se ha podido eliminar o no existe."));
        }
        m_catalogue.remove(id);
    } catch (...) {
        m_catalogue.locks().unlock(TemplateCatalogue::TableName(), TemplateCatalogue::LockKey(id));
        throw;
    }
    m_catalogue.locks().unlock(TemplateCatalogue::TableName(), TemplateCatalogue::LockKey(id));
    return true;
}

bool IsValidTemplateName(const QString &name)
{
    if (name.trimmed().isEmpty())
        return false;
    for (const QChar c : name) {
        if (c.unicode() < 32 || QStringView(u"\"*/:<>?\\|").contains(c))
            return false;
    }
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot != 0 && !name.left(dot < 0 ? name.size() : dot).trimmed().isEmpty();
}

QString WithDocxExtension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return (dot < 0 ? name : name.left(dot)) + QStringLiteral(".docx");
}

bool IsInFolder(const QString &file, const QString &folder)
{
    const QString fileFolder = QFileInfo(QFileInfo(file).absolutePath()).canonicalFilePath();
    return !fileFolder.isEmpty() && fileFolder == QFileInfo(folder).canonicalFilePath();
}

namespace {

// Copies over an existing file only once the copy is complete, so a failed copy keeps it.
bool CopyReplacing(const QString &source, const QString &target)
{
    const QString temporary = target + QLatin1Char('.') + QUuid::createUuid().toString(QUuid::Id128)
                              + QStringLiteral(".tmp");
    if (!QFile::copy(source, temporary))
        return false;
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(temporary.toStdU16String()),
                            std::filesystem::path(target.toStdU16String()), ec);
    if (ec) {
        QFile::remove(temporary);
        return false;
    }
    return true;
}

} // namespace

TemplateFileActions::TemplateFileActions(Prompter &prompter, QString templatesDir, QString officeProgram)
    : m_prompter(prompter)
    , m_templatesDir(std::move(templatesDir))
    , m_officeProgram(std::move(officeProgram))
{
}

bool TemplateFileActions::documentExists(const QString &plantilla) const
{
    return !plantilla.isEmpty() && QFileInfo(pathOf(plantilla)).isFile();
}

std::optional<QString> TemplateFileActions::select()
{
    Prompter::FileRequest request;
    request.directory = m_templatesDir;
    request.filters = {QStringLiteral("Documentos Word (*.docx)"), QStringLiteral("Todos los Documentos (*)")};
    request.mustExist = true;
    QString chosen = m_prompter.openFile(request);
    if (chosen.isEmpty())
        return std::nullopt;

    QTemporaryDir converted;
    if (QFileInfo(chosen).suffix().compare(QLatin1String("docx"), Qt::CaseInsensitive) != 0) {
        try {
            chosen = ConvertToDocx(chosen, converted.path(), m_officeProgram);
        } catch (const AppError &e) {
            m_prompter.inform(e.message());
            return std::nullopt;
        }
    } else if (IsInFolder(chosen, m_templatesDir)) {
        return QFileInfo(chosen).fileName();
    }

    const QString name = QFileInfo(chosen).fileName();
    if (QFileInfo::exists(pathOf(name))
        && m_prompter.message(QStringLiteral("¿Ya existe en el directorio de plantillas una plantilla con el nombre ")
                                  + name
                                  + QStringLiteral(" ¿Desea sobreescribir la plantilla existente con la nueva seleccionada?"),
                              Prompter::Icon::Information, Prompter::Buttons::YesNo)
               != Prompter::Answer::Yes) {
        return std::nullopt;
    }
    if (!QDir().mkpath(m_templatesDir) || !CopyReplacing(chosen, pathOf(name))) {
        m_prompter.inform(QStringLiteral("No se ha podido realizar la copia. Proceso cancelado."));
        return std::nullopt;
    }
    m_prompter.inform(QStringLiteral("Se ha almacenado la plantilla seleccionada, en directorio de plantillas, con éxito."));
    return name;
}

std::optional<QString> TemplateFileActions::askNewName()
{
    const std::optional<QString> typed =
        m_prompter.askText(QStringLiteral("Nueva Plantilla"), QStringLiteral("Introduzca el nombre de la nueva plantilla"));
    if (!typed)
        return std::nullopt;
    if (!IsValidTemplateName(*typed)) {
        m_prompter.inform(QStringLiteral("El nombre introducido no es un nombre de fichero válido."));
        return std::nullopt;
    }
    const QString name = WithDocxExtension(typed->trimmed());
    if (QFileInfo::exists(pathOf(name))
        && !m_prompter.askYesNo(QStringLiteral("Ya existe una plantilla con el nombre ") + name
                                + QStringLiteral(" ¿Desea sobreescribir la plantilla existente con la nueva?"))) {
        return std::nullopt;
    }
    return name;
}

std::optional<QString> TemplateFileActions::replaceMissing(const QString &plantilla)
{
    m_prompter.inform(plantilla.isEmpty()
                          ? QStringLiteral("Debe seleccionar una plantilla primero.")
                          : QStringLiteral("La plantilla seleccionada no existe. Debe seleccionar una nueva plantilla."));
    return select();
}

void TemplateFileActions::removeDocument(const QString &plantilla)
{
    if (documentExists(plantilla)
        && m_prompter.askYesNo(QStringLiteral("¿Desea borrar de su ordenador el documento que sirve como plantilla?"))
        && !QFile::remove(pathOf(plantilla))) {
        m_prompter.inform(QStringLiteral("La plantilla no se ha podido eliminar o no existe."));
    }
}

QString CheckChosenTemplate(Prompter &prompter, const QString &templatesDir, const QString &plantilla)
{
    if (plantilla.isEmpty()) {
        prompter.error(QStringLiteral("El documento seleccionado no tiene asiganada una plantilla."));
        return {};
    }
    if (!QFileInfo(templatesDir + QLatin1Char('/') + plantilla).isFile()) {
        prompter.error(QStringLiteral("El documento seleccionado tiene asignada una plantilla que no existe en su ordenador."));
        return {};
    }
    return plantilla;
}
