#include "documents/xml_tree.h"

#include <QXmlStreamReader>

#include <iterator>

std::unique_ptr<XmlNode> XmlNode::Element(QString qualifiedName, QString namespaceUri)
{
    std::unique_ptr<XmlNode> node(new XmlNode);
    node->m_type = Type::Element;
    node->m_name = std::move(qualifiedName);
    node->m_namespaceUri = std::move(namespaceUri);
    return node;
}

std::unique_ptr<XmlNode> XmlNode::Text(QString text)
{
    std::unique_ptr<XmlNode> node(new XmlNode);
    node->m_type = Type::Text;
    node->m_text = std::move(text);
    return node;
}

bool XmlNode::is(const QString &namespaceUri, QLatin1StringView localName) const
{
    if (m_type != Type::Element || m_namespaceUri != namespaceUri)
        return false;
    const qsizetype colon = m_name.indexOf(QLatin1Char(':'));
    return QStringView(m_name).mid(colon + 1) == localName;
}

QString XmlNode::localName() const
{
    return m_name.mid(m_name.indexOf(QLatin1Char(':')) + 1);
}

QString XmlNode::prefix() const
{
    const qsizetype colon = m_name.indexOf(QLatin1Char(':'));
    return colon < 0 ? QString() : m_name.left(colon);
}

QString XmlNode::attribute(const QString &namespaceUri, QLatin1StringView localName) const
{
    for (const Attribute &a : m_attributes) {
        if (a.namespaceUri == namespaceUri && a.localName == localName)
            return a.value;
    }
    return {};
}

void XmlNode::setAttribute(const QString &qualifiedName, const QString &value)
{
    for (Attribute &a : m_attributes) {
        if (a.qualifiedName == qualifiedName) {
            a.value = value;
            return;
        }
    }
    Attribute a;
    a.qualifiedName = qualifiedName;
    a.localName = qualifiedName.mid(qualifiedName.indexOf(QLatin1Char(':')) + 1);
    a.value = value;
    if (qualifiedName.startsWith(QLatin1String("xml:")))
        a.namespaceUri = QStringLiteral("http://www.w3.org/XML/1998/namespace");
    m_attributes.push_back(std::move(a));
}

XmlNode::~XmlNode()
{
    XmlNode *c = m_first;
    while (c) {
        XmlNode *next = c->m_next;
        delete c;
        c = next;
    }
}

XmlNode *XmlNode::firstChild(const QString &namespaceUri, QLatin1StringView localName) const
{
    for (XmlNode *c = m_first; c; c = c->m_next) {
        if (c->is(namespaceUri, localName))
            return c;
    }
    return nullptr;
}

XmlNode *XmlNode::ancestorOrSelf(const QString &namespaceUri, QLatin1StringView localName)
{
    for (XmlNode *n = this; n; n = n->m_parent) {
        if (n->is(namespaceUri, localName))
            return n;
    }
    return nullptr;
}

XmlNode *XmlNode::insertBefore(XmlNode *before, std::unique_ptr<XmlNode> node)
{
    XmlNode *raw = node.release();
    raw->m_parent = this;
    raw->m_next = before;
    raw->m_previous = before ? before->m_previous : m_last;
    (raw->m_previous ? raw->m_previous->m_next : m_first) = raw;
    (before ? before->m_previous : m_last) = raw;
    ++m_count;
    return raw;
}

std::unique_ptr<XmlNode> XmlNode::take(XmlNode *child)
{
    (child->m_previous ? child->m_previous->m_next : m_first) = child->m_next;
    (child->m_next ? child->m_next->m_previous : m_last) = child->m_previous;
    child->m_parent = child->m_next = child->m_previous = nullptr;
    --m_count;
    return std::unique_ptr<XmlNode>(child);
}

void XmlNode::remove(XmlNode *from, XmlNode *to)
{
    while (from && from != to) {
        XmlNode *next = from->m_next;
        take(from);
        from = next;
    }
}

void XmlNode::moveChildren(XmlNode *from, XmlNode *to, XmlNode *target, XmlNode *before)
{
    while (from && from != to) {
        XmlNode *next = from->m_next;
        target->insertBefore(before, take(from));
        from = next;
    }
}

std::unique_ptr<XmlNode> XmlNode::clone() const
{
    std::unique_ptr<XmlNode> copy(new XmlNode);
    copy->m_type = m_type;
    copy->m_name = m_name;
    copy->m_namespaceUri = m_namespaceUri;
    copy->m_text = m_text;
    copy->m_attributes = m_attributes;
    for (const XmlNode *c = m_first; c; c = c->m_next)
        copy->append(c->clone());
    return copy;
}

namespace {

void EscapeInto(QString &out, const QString &text, bool attribute)
{
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"': out += attribute ? QLatin1String("&quot;") : QLatin1String("\""); break;
        case '\r': out += QLatin1String("&#13;"); break;
        case '\n': out += attribute ? QLatin1String("&#10;") : QLatin1String("\n"); break;
        case '\t': out += attribute ? QLatin1String("&#9;") : QLatin1String("\t"); break;
        default: out += c;
        }
    }
}

void WriteNode(QString &out, const XmlNode &node)
{
    switch (node.type()) {
    case XmlNode::Type::Text:
        EscapeInto(out, node.text(), false);
        return;
    case XmlNode::Type::CData:
        out += QLatin1String("<![CDATA[") + node.text() + QLatin1String("]]>");
        return;
    case XmlNode::Type::Comment:
        out += QLatin1String("<!--") + node.text() + QLatin1String("-->");
        return;
    case XmlNode::Type::ProcessingInstruction:
        out += QLatin1String("<?") + node.qualifiedName();
        if (!node.text().isEmpty())
            out += QLatin1Char(' ') + node.text();
        out += QLatin1String("?>");
        return;
    case XmlNode::Type::Element:
        break;
    }
    out += QLatin1Char('<') + node.qualifiedName();
    for (const XmlNode::Attribute &a : node.attributes()) {
        out += QLatin1Char(' ') + a.qualifiedName + QLatin1String("=\"");
        EscapeInto(out, a.value, true);
        out += QLatin1Char('"');
    }
    if (!node.first()) {
        out += QLatin1String("/>");
        return;
    }
    out += QLatin1Char('>');
    for (const XmlNode *c : node.children())
        WriteNode(out, *c);
    out += QLatin1String("</") + node.qualifiedName() + QLatin1Char('>');
}

} // namespace

XmlDocument XmlDocument::Parse(const QByteArray &data)
{
    XmlDocument doc;
    QXmlStreamReader reader(data);
    XmlNode *current = nullptr;
    int depth = 0;
    const auto addChild = [&](std::unique_ptr<XmlNode> node) {
        if (current)
            current->append(std::move(node));
        else if (!doc.m_root)
            doc.m_prolog.push_back(std::move(node));
        // Comments after the root element are dropped: nothing in a document part needs them.
    };
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartDocument:
            doc.m_declaration = !reader.documentVersion().isEmpty();
            if (doc.m_declaration)
                doc.m_version = reader.documentVersion().toString();
            doc.m_standalone = reader.isStandaloneDocument() ? QStringLiteral("yes") : QString();
            break;
        case QXmlStreamReader::DTD:
            throw XmlError(QStringLiteral("declaración de tipo de documento no admitida"));
        case QXmlStreamReader::EntityReference:
            throw XmlError(QStringLiteral("entidad no declarada: %1").arg(reader.name()));
        case QXmlStreamReader::StartElement: {
            if (++depth > kMaxDepth)
                throw XmlError(QStringLiteral("más de %1 niveles de elementos anidados").arg(kMaxDepth), true);
            auto node = XmlNode::Element(reader.qualifiedName().toString(), reader.namespaceUri().toString());
            for (const QXmlStreamNamespaceDeclaration &d : reader.namespaceDeclarations()) {
                XmlNode::Attribute a;
                a.qualifiedName = d.prefix().isEmpty() ? QStringLiteral("xmlns")
                                                       : QStringLiteral("xmlns:") + d.prefix();
                a.localName = d.prefix().toString();
                a.value = d.namespaceUri().toString();
                node->m_attributes.push_back(std::move(a));
            }
            for (const QXmlStreamAttribute &attr : reader.attributes()) {
                XmlNode::Attribute a;
                a.qualifiedName = attr.qualifiedName().toString();
                a.namespaceUri = attr.namespaceUri().toString();
                a.localName = attr.name().toString();
                a.value = attr.value().toString();
                node->m_attributes.push_back(std::move(a));
            }
            XmlNode *raw = node.get();
            if (current) {
                current->append(std::move(node));
            } else {
                if (doc.m_root)
                    throw XmlError(QStringLiteral("más de un elemento raíz"));
                doc.m_root = std::move(node);
            }
            current = raw;
            break;
        }
        case QXmlStreamReader::EndElement:
            --depth;
            current = current ? current->parent() : nullptr;
            break;
        case QXmlStreamReader::Characters:
            if (!current)
                break; // whitespace between the declaration and the root
            if (reader.isCDATA()) {
                auto node = XmlNode::Text(reader.text().toString());
                node->m_type = XmlNode::Type::CData;
                current->append(std::move(node));
            } else if (current->last() && current->last()->type() == XmlNode::Type::Text) {
                current->last()->m_text += reader.text();
            } else {
                current->append(XmlNode::Text(reader.text().toString()));
            }
            break;
        case QXmlStreamReader::Comment: {
            auto node = XmlNode::Text(reader.text().toString());
            node->m_type = XmlNode::Type::Comment;
            addChild(std::move(node));
            break;
        }
        case QXmlStreamReader::ProcessingInstruction: {
            auto node = XmlNode::Text(reader.processingInstructionData().toString());
            node->m_type = XmlNode::Type::ProcessingInstruction;
            node->m_name = reader.processingInstructionTarget().toString();
            addChild(std::move(node));
            break;
        }
        default:
            break;
        }
    }
    if (reader.hasError()) {
        throw XmlError(QStringLiteral("%1 (línea %2, columna %3)")
                           .arg(reader.errorString())
                           .arg(reader.lineNumber())
                           .arg(reader.columnNumber()));
    }
    if (!doc.m_root)
        throw XmlError(QStringLiteral("no hay ningún elemento"));
    return doc;
}

QByteArray XmlDocument::serialize() const
{
    QString out;
    if (m_declaration) {
        out += QLatin1String("<?xml version=\"") + m_version + QLatin1String("\" encoding=\"UTF-8\"");
        if (!m_standalone.isEmpty())
            out += QLatin1String(" standalone=\"") + m_standalone + QLatin1Char('"');
        out += QLatin1String("?>\r\n");
    }
    for (const auto &node : m_prolog)
        WriteNode(out, *node);
    WriteNode(out, *m_root);
    return out.toUtf8();
}
