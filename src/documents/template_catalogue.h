#pragma once

#include "store/record_locks.h"

#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class Prompter;

// One template of the catalogue `plantill`: a description and the file name (no folder) of
// its document in the templates folder DocPlant; empty when no document is assigned.
struct TemplateRecord
{
    int id = 0;
    QString descripcion;
    QString plantilla;

    bool operator==(const TemplateRecord &) const = default;
};

// The catalogue table of the main database (Devenix). Failures throw StoreError.
class TemplateCatalogue
{
public:
    explicit TemplateCatalogue(QSqlDatabase db);

    // In the order the templates were added.
    std::vector<TemplateRecord> all() const;
    std::optional<TemplateRecord> find(int id) const;
    bool exists(int id) const;

    // A new blank record; returns its id.
    int insertBlank();
    void update(const TemplateRecord &record);
    void remove(int id);

    RecordLocks locks() const { return RecordLocks(m_db); }
    static QString LockKey(int id) { return QString::number(id); }
    static QString TableName() { return QStringLiteral("plantill"); }

private:
    QSqlDatabase m_db;
};

// The catalogue window's changes, each begun under its record lock. Questions and lock
// messages go through the prompter.
class TemplateCatalogueActions
{
public:
    TemplateCatalogueActions(TemplateCatalogue &catalogue, Prompter &prompter, QString templatesDir);

    // "  &Altas": a new blank record, locked; nullopt when the lock could not be taken (the
    // message was shown). The caller saves the record and calls finish().
    std::optional<int> beginAdd();
    // "  &Modif.": locks the record; false when it could not (message shown, or the record was
    // deleted by another user: `refresh` runs).
    bool beginEdit(int id, const std::function<void()> &refresh);
    // Stores the record and releases its lock.
    void finish(const TemplateRecord &record);

    // "  &Bajas": asks "¿Desea dar de baja el documento seleccionado?"; locks; offers to delete
    // the document file too; deletes the record. True when the record was deleted.
    bool remove(int id, const std::function<void()> &refresh);

private:
    TemplateCatalogue &m_catalogue;
    Prompter &m_prompter;
    QString m_templatesDir;
};

// The template dialog's work on a template's document file.
class TemplateFileActions
{
public:
    // program: the office suite that converts other documents to .docx (empty: none installed).
    TemplateFileActions(Prompter &prompter, QString templatesDir, QString officeProgram);

    const QString &templatesDir() const { return m_templatesDir; }
    QString pathOf(const QString &plantilla) const { return m_templatesDir + QLatin1Char('/') + plantilla; }
    bool documentExists(const QString &plantilla) const;

    // "S&elec.": the file chosen with the file dialog, brought into the templates folder
    // (copied, or converted to .docx); the new `Plantilla`, or nullopt when nothing changed.
    std::optional<QString> select();
    // "&Nueva": asks the name; the file name of the new template, or nullopt (cancelled,
    // invalid name, existing one kept). The caller then creates the document.
    std::optional<QString> askNewName();
    // "&Modif." on a template whose document is missing: the message to show, then select().
    // Returns the new `Plantilla` when one was selected.
    std::optional<QString> replaceMissing(const QString &plantilla);
    // "&Eliminar": offers to delete the document; `Plantilla` becomes empty in every case.
    void removeDocument(const QString &plantilla);

private:
    Prompter &m_prompter;
    QString m_templatesDir;
    QString m_officeProgram;
};

// The print-model dialog's check of the highlighted template: its file name when its document
// lies in the templates folder; otherwise the error "El documento seleccionado no tiene
// asiganada una plantilla." (no file name) or "El documento seleccionado tiene asignada una
// plantilla que no existe en su ordenador." and an empty result.
QString CheckChosenTemplate(Prompter &prompter, const QString &templatesDir, const QString &plantilla);

// A name the user typed for a new template is refused when empty or holding any of
// " * / : < > ? \ | or a control character.
bool IsValidTemplateName(const QString &name);
// The extension replaced by (or, without one, completed with) ".docx": "Carta.doc" gives
// "Carta.docx", "Carta" gives "Carta.docx", "Mi.carta" gives "Mi.docx".
QString WithDocxExtension(const QString &name);
// Whether the file lies directly in the folder (paths compared after resolving links).
bool IsInFolder(const QString &file, const QString &folder);
