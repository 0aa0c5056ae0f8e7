#include "documents/docx_document.h"

#include "core/errors.h"

#include <QDir>

#include <optional>

namespace {

const QString kRelationshipsNs = QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");

QString Shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

qint64 &PartLimit()
{
    static qint64 limit = qint64(100) * 1024 * 1024;
    return limit;
}

// The part a relationship target names, from the folder of the part that holds it; nullopt
// when the target climbs out of the package.
std::optional<QString> ResolveTarget(const QString &sourceFolder, const QString &target)
{
    const QString joined = target.startsWith(QLatin1Char('/')) ? target.mid(1) : sourceFolder + target;
    QStringList parts;
    for (const QString &piece : joined.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (piece == QLatin1String("..")) {
            if (parts.isEmpty())
                return std::nullopt;
            parts.removeLast();
        } else if (piece != QLatin1String(".")) {
            parts.append(piece);
        }
    }
    return parts.join(QLatin1Char('/'));
}

QString FolderOf(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : part.left(slash + 1);
}

QString RelationshipsOf(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return FolderOf(part) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

struct Relationship
{
    QString type; // last segment of the type URI: "officeDocument", "header", ...
    QString target;
};

} // namespace

DocxDocument DocxDocument::Open(const QString &path)
{
    DocxDocument doc;
    doc.m_path = path;
    try {
        doc.m_entries = ReadZip(path, PartLimit());
    } catch (const ZipError &e) {
        switch (e.failure()) {
        case ZipFailure::Missing:
            throw AppError(QStringLiteral("No se encuentra la plantilla \"%1\".").arg(Shown(path)));
        case ZipFailure::NotZip:
            throw AppError(QStringLiteral("El archivo \"%1\" no es un documento de Word (.docx) válido.").arg(Shown(path)),
                           e.detail());
        case ZipFailure::TooLarge:
            throw AppError(QStringLiteral("La plantilla \"%1\" es demasiado grande o está dañada.").arg(Shown(path)),
                           e.detail());
        case ZipFailure::EntryTooLarge:
            throw AppError(QStringLiteral("La plantilla \"%1\" no se puede usar: la parte \"%2\" ocupa más de %3 MB "
                                          "sin comprimir.")
                               .arg(Shown(path), e.detail())
                               .arg(PartLimit() / (1024 * 1024)));
        case ZipFailure::Unreadable:
            break;
        }
        throw AppError(QStringLiteral("No se ha podido leer la plantilla \"%1\".").arg(Shown(path)), e.detail());
    }

    const auto relationships = [&doc](const QString &relsPart) {
        std::vector<Relationship> out;
        const QByteArray data = doc.entryData(relsPart);
        if (data.isNull())
            return out;
        XmlDocument &rels = doc.part(relsPart);
        for (const auto &node : rels.root()->children()) {
            if (!node->is(kRelationshipsNs, QLatin1StringView("Relationship"))
                || node->attribute({}, QLatin1StringView("TargetMode")) == QLatin1String("External"))
                continue;
            const QString type = node->attribute({}, QLatin1StringView("Type"));
            out.push_back({type.mid(type.lastIndexOf(QLatin1Char('/')) + 1), node->attribute({}, QLatin1StringView("Target"))});
        }
        return out;
    };

    const auto resolve = [&path](const QString &folder, const Relationship &r) {
        const std::optional<QString> part = ResolveTarget(folder, r.target);
        if (!part) {
            throw AppError(QStringLiteral("El documento \"%1\" está dañado: una de sus partes señala a \"%2\", "
                                          "fuera del documento.")
                               .arg(Shown(path), r.target));
        }
        return *part;
    };
    for (const Relationship &r : relationships(QStringLiteral("_rels/.rels"))) {
        if (r.type == QLatin1String("officeDocument")) {
            doc.m_mainPart = resolve(QString(), r);
            break;
        }
    }
    if (doc.m_mainPart.isEmpty() || doc.entryData(doc.m_mainPart).isNull())
        throw AppError(QStringLiteral("El archivo \"%1\" no contiene el documento principal de Word.").arg(Shown(path)));
    doc.m_storyParts.append(doc.m_mainPart);
    for (const Relationship &r : relationships(RelationshipsOf(doc.m_mainPart))) {
        const QString target = resolve(FolderOf(doc.m_mainPart), r);
        if (doc.entryData(target).isNull())
            continue;
        if (r.type == QLatin1String("header") || r.type == QLatin1String("footer")
            || r.type == QLatin1String("footnotes") || r.type == QLatin1String("endnotes")) {
            if (!doc.m_storyParts.contains(target))
                doc.m_storyParts.append(target);
        } else if (r.type == QLatin1String("settings")) {
            doc.m_settingsPart = target;
        }
    }
    // Parse every text part now, so that a damaged one is reported before anything is written.
    for (const QString &name : doc.m_storyParts)
        doc.part(name);
    return doc;
}

qint64 DocxDocument::MaxPartSize()
{
    return PartLimit();
}

void DocxDocument::SetMaxPartSize(qint64 bytes)
{
    PartLimit() = bytes;
}

QByteArray DocxDocument::entryData(const QString &name) const
{
    for (const ZipEntry &e : m_entries) {
        if (e.name == name)
            return e.data.isNull() ? QByteArray("") : e.data;
    }
    return {};
}

XmlDocument &DocxDocument::part(const QString &name)
{
    auto it = m_parsed.find(name);
    if (it != m_parsed.end())
        return it->second;
    try {
        return m_parsed.emplace(name, XmlDocument::Parse(entryData(name))).first->second;
    } catch (const XmlError &e) {
        if (e.tooDeep()) {
            throw AppError(QStringLiteral("El documento \"%1\" está dañado: la parte \"%2\" anida más de %3 niveles de "
                                          "elementos, algo que ningún procesador de textos escribe.")
                               .arg(Shown(m_path), name)
                               .arg(XmlDocument::kMaxDepth),
                           e.message());
        }
        throw AppError(QStringLiteral("El documento \"%1\" está dañado: la parte \"%2\" no es XML válido.")
                           .arg(Shown(m_path), name),
                       e.message());
    }
}

void DocxDocument::save(const QString &path)
{
    std::vector<ZipEntry> out = m_entries;
    for (ZipEntry &e : out) {
        if (m_changed.count(e.name))
            e.data = m_parsed.at(e.name).serialize();
    }
    QString reason;
    if (!WriteZip(path, out, &reason))
        throw AppError(QStringLiteral("No se ha podido escribir el documento \"%1\".").arg(Shown(path)), reason);
}
