#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

// A small XML tree that writes back exactly what it read, apart from the changes made to it:
// every namespace declaration kept where it was (Office documents name prefixes inside
// attribute values, as mc:Ignorable does), whitespace-only text kept, attributes in their
// order. Elements are matched by namespace URI and local name; new ones reuse a prefix that
// is declared in the document.
class XmlNode
{
public:
    enum class Type { Element, Text, CData, Comment, ProcessingInstruction };

    struct Attribute
    {
        QString qualifiedName; // "w:val", "xmlns:w"
        QString namespaceUri;  // empty for namespace declarations and unprefixed attributes
        QString localName;
        QString value;
    };

    static std::unique_ptr<XmlNode> Element(QString qualifiedName, QString namespaceUri);
    static std::unique_ptr<XmlNode> Text(QString text);

    Type type() const { return m_type; }
    bool isElement() const { return m_type == Type::Element; }
    bool is(const QString &namespaceUri, QLatin1StringView localName) const;
    const QString &qualifiedName() const { return m_name; }
    const QString &namespaceUri() const { return m_namespaceUri; }
    QString localName() const;
    QString prefix() const;
    // Text, CDATA and comment content; the data of a processing instruction.
    const QString &text() const { return m_text; }
    void setText(QString text) { m_text = std::move(text); }

    const std::vector<Attribute> &attributes() const { return m_attributes; }
    // Value of the attribute with that namespace and local name; empty when absent.
    QString attribute(const QString &namespaceUri, QLatin1StringView localName) const;
    void setAttribute(const QString &qualifiedName, const QString &value);

    XmlNode *parent() const { return m_parent; }
    const std::vector<std::unique_ptr<XmlNode>> &children() const { return m_children; }
    qsizetype childCount() const { return static_cast<qsizetype>(m_children.size()); }
    XmlNode *child(qsizetype index) const { return m_children[static_cast<std::size_t>(index)].get(); }
    // Position among the parent's children.
    qsizetype index() const;
    // First child element with that name, or nullptr.
    XmlNode *firstChild(const QString &namespaceUri, QLatin1StringView localName) const;
    // The nearest ancestor (or this node) with that name, or nullptr.
    XmlNode *ancestorOrSelf(const QString &namespaceUri, QLatin1StringView localName);

    XmlNode *append(std::unique_ptr<XmlNode> node);
    XmlNode *insert(qsizetype index, std::unique_ptr<XmlNode> node);
    // Inserts several nodes at once (cheap also for thousands of them).
    void insert(qsizetype index, std::vector<std::unique_ptr<XmlNode>> nodes);
    std::unique_ptr<XmlNode> take(qsizetype index);
    // Removes and destroys the children in [first, last).
    void remove(qsizetype first, qsizetype last);
    std::unique_ptr<XmlNode> clone() const;

    // Every node below this one, in document order (this node excluded), handed to f.
    template <typename F>
    void forEachDescendant(F &&f)
    {
        for (std::size_t i = 0; i < m_children.size(); ++i) {
            XmlNode *c = m_children[i].get();
            f(c);
            c->forEachDescendant(f);
        }
    }

private:
    friend class XmlDocument;
    XmlNode() = default;

    Type m_type = Type::Element;
    QString m_name;
    QString m_namespaceUri;
    QString m_text;
    std::vector<Attribute> m_attributes;
    XmlNode *m_parent = nullptr;
    std::vector<std::unique_ptr<XmlNode>> m_children;
};

class XmlDocument
{
public:
    // Throws XmlError with the parser's message on malformed XML or a document type
    // declaration (Office parts never carry one).
    static XmlDocument Parse(const QByteArray &data);

    XmlNode *root() const { return m_root.get(); }
    QByteArray serialize() const;

private:
    std::unique_ptr<XmlNode> m_root;
    QString m_version = QStringLiteral("1.0");
    QString m_standalone; // "yes", "no" or "" when the declaration had none
    bool m_declaration = false;
    std::vector<std::unique_ptr<XmlNode>> m_prolog; // comments and PIs before the root
};

class XmlError : public std::exception
{
public:
    explicit XmlError(QString message)
        : m_message(std::move(message)), m_utf8(m_message.toUtf8())
    {
    }
    const QString &message() const { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
