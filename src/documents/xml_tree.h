#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

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

    // Children are a linked list, so that inserting and removing beside a known node costs the
    // same in a paragraph of 100,000 runs as in one of three.
    XmlNode *parent() const { return m_parent; }
    XmlNode *first() const { return m_first; }
    XmlNode *last() const { return m_last; }
    XmlNode *next() const { return m_next; }
    XmlNode *previous() const { return m_previous; }
    qsizetype childCount() const { return m_count; }

    class ChildIterator
    {
    public:
        explicit ChildIterator(XmlNode *n) : m_node(n) {}
        XmlNode *operator*() const { return m_node; }
        ChildIterator &operator++()
        {
            m_node = m_node->m_next;
            return *this;
        }
        bool operator==(const ChildIterator &) const = default;

    private:
        XmlNode *m_node;
    };
    struct Children
    {
        XmlNode *head;
        ChildIterator begin() const { return ChildIterator(head); }
        ChildIterator end() const { return ChildIterator(nullptr); }
    };
    Children children() const { return {m_first}; }

    // First child element with that name, or nullptr.
    XmlNode *firstChild(const QString &namespaceUri, QLatin1StringView localName) const;
    // The nearest ancestor (or this node) with that name, or nullptr.
    XmlNode *ancestorOrSelf(const QString &namespaceUri, QLatin1StringView localName);

    XmlNode *append(std::unique_ptr<XmlNode> node) { return insertBefore(nullptr, std::move(node)); }
    // Inserts before the child `before` (at the end when nullptr).
    XmlNode *insertBefore(XmlNode *before, std::unique_ptr<XmlNode> node);
    XmlNode *insertAfter(XmlNode *after, std::unique_ptr<XmlNode> node)
    {
        return insertBefore(after ? after->m_next : m_first, std::move(node));
    }
    std::unique_ptr<XmlNode> take(XmlNode *child);
    // Removes and destroys the children from `from` up to `to` (excluded; nullptr: to the end).
    void remove(XmlNode *from, XmlNode *to);
    // Moves this node's children from `from` up to `to` (excluded; nullptr: to the end) into
    // target, before its child `before` (at its end when nullptr).
    void moveChildren(XmlNode *from, XmlNode *to, XmlNode *target, XmlNode *before);
    std::unique_ptr<XmlNode> clone() const;

    // Every node below this one, in document order (this node excluded), handed to f; no
    // recursion, so depth costs no stack. f must not remove the node it is given.
    template <typename F>
    void forEachDescendant(F &&f)
    {
        XmlNode *n = m_first;
        while (n) {
            f(n);
            if (n->m_first) {
                n = n->m_first;
                continue;
            }
            while (n != this && !n->m_next)
                n = n->m_parent;
            n = n == this ? nullptr : n->m_next;
        }
    }

    ~XmlNode();
    Q_DISABLE_COPY_MOVE(XmlNode)

private:
    friend class XmlDocument;
    XmlNode() = default;

    Type m_type = Type::Element;
    QString m_name;
    QString m_namespaceUri;
    QString m_text;
    std::vector<Attribute> m_attributes;
    XmlNode *m_parent = nullptr;
    XmlNode *m_first = nullptr; // owned, with their next siblings
    XmlNode *m_last = nullptr;
    XmlNode *m_next = nullptr;
    XmlNode *m_previous = nullptr;
    qsizetype m_count = 0;
};

class XmlDocument
{
public:
    // Elements nested deeper than this are refused: no word processor writes them, and the
    // tree's writers and destructor recurse by depth.
    static constexpr int kMaxDepth = 1000;

    // Throws XmlError with the parser's message on malformed XML, a document type declaration
    // (Office parts never carry one) or nesting deeper than kMaxDepth.
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
    explicit XmlError(QString message, bool tooDeep = false)
        : m_message(std::move(message)), m_utf8(m_message.toUtf8()), m_tooDeep(tooDeep)
    {
    }
    const QString &message() const { return m_message; }
    bool tooDeep() const { return m_tooDeep; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
    bool m_tooDeep;
};
