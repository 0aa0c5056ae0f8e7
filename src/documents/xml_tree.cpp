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

qsizetype XmlNode::index() const
{
    if (!m_parent)
        return -1;
    const auto &siblings = m_parent->m_children;
    for (std::size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i].get() == this)
            return static_cast<qsizetype>(i);
    }
    return -1;
}

XmlNode *XmlNode::firstChild(const QString &namespaceUri, QLatin1StringView localName) const
{
    for (const auto &c : m_children) {
        if (c->is(namespaceUri, localName))
            return c.get();
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

XmlNode *XmlNode::append(std::unique_ptr<XmlNode> node)
{
    return insert(childCount(), std::move(node));
}

XmlNode *XmlNode::insert(qsizetype index, std::unique_ptr<XmlNode> node)
{
    node->m_parent = this;
    XmlNode *raw = node.get();
    m_children.insert(m_children.begin() + index, std::move(node));
    return raw;
}

void XmlNode::insert(qsizetype index, std::vector<std::unique_ptr<XmlNode>> nodes)
{
    for (auto &n : nodes)
        n->m_parent = this;
    m_children.insert(m_children.begin() + index, std::make_move_iterator(nodes.begin()),
                      std::make_move_iterator(nodes.end()));
}

std::unique_ptr<XmlNode> XmlNode::take(qsizetype index)
{
    std::unique_ptr<XmlNode> node = std::move(m_children[static_cast<std::size_t>(index)]);
    m_children.erase(m_children.begin() + index);
    node->m_parent = nullptr;
    return node;
}

void XmlNode::remove(qsizetype first, qsizetype last)
{
    if (first < last)
        m_children.erase(m_children.begin() + first, m_children.begin() + last);
}

std::unique_ptr<XmlNode> XmlNode::clone() const
{
    std::unique_ptr<XmlNode> copy(new XmlNode);
    copy->m_type = m_type;
    copy->m_name = m_name;
    copy->m_namespaceUri = m_namespaceUri;
    copy->m_text = m_text;
    copy->m_attributes = m_attributes;
    copy->m_children.reserve(m_children.size());
    for (const auto &c : m_children)
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
    if (node.children().empty()) {
        out += QLatin1String("/>");
        return;
    }
    out += QLatin1Char('>');
    for (const auto &c : node.children())
        WriteNode(out, *c);
    out += QLatin1String("</") + node.qualifiedName() + QLatin1Char('>');
}

} // namespace

XmlDocument XmlDocument::Parse(const QByteArray &data)
{
    XmlDocument doc;
    QXmlStreamReader reader(data);
    XmlNode *current = nullptr;
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
            current = current ? current->parent() : nullptr;
            break;
        case QXmlStreamReader::Characters:
            if (!current)
                break; // whitespace between the declaration and the root
            if (reader.isCDATA()) {
                auto node = XmlNode::Text(reader.text().toString());
                node->m_type = XmlNode::Type::CData;
                current->append(std::move(node));
            } else if (!current->children().empty() && current->children().back()->type() == XmlNode::Type::Text) {
                current->children().back()->m_text += reader.text();
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
