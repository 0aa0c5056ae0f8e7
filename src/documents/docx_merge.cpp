#include "documents/docx_merge.h"

#include "documents/docx_document.h"
#include "documents/xml_tree.h"

#include <functional>
#include <memory>
#include <unordered_set>

namespace {

const QString kW = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
const QString kWStrict = QStringLiteral("http://purl.oclc.org/ooxml/wordprocessingml/main");

struct ComplexField
{
    XmlNode *begin = nullptr;
    XmlNode *separate = nullptr;
    XmlNode *end = nullptr;
    QString instruction;
    bool inParentInstruction = false; // nested in the code (not the result) of its parent
    std::vector<ComplexField *> children;
};

bool IsProperties(const XmlNode *n)
{
    return n->isElement() && n->localName().endsWith(QLatin1String("Pr"));
}

QString TextOf(const XmlNode *n)
{
    QString text;
    for (const auto &c : n->children()) {
        if (c->type() == XmlNode::Type::Text || c->type() == XmlNode::Type::CData)
            text += c->text();
    }
    return text;
}

// The next node in document order below root, or nullptr.
XmlNode *NextNode(XmlNode *n, const XmlNode *root)
{
    if (n->childCount() > 0)
        return n->child(0);
    while (n && n != root) {
        XmlNode *p = n->parent();
        const qsizetype i = n->index();
        if (p && i + 1 < p->childCount())
            return p->child(i + 1);
        n = p;
    }
    return nullptr;
}

class PartMerger
{
public:
    PartMerger(XmlNode *root, const FieldResolver &resolve)
        : m_root(root)
        , m_ns(root->namespaceUri())
        , m_prefix(root->prefix())
        , m_resolve(resolve)
    {
    }

    MergeCount run()
    {
        if (m_ns != kW && m_ns != kWStrict)
            return {};
        for (ComplexField *f : collectComplexFields())
            process(f);
        mergeSimpleFields();
        return m_count;
    }

private:
    QString name(const char *local) const
    {
        return m_prefix.isEmpty() ? QString::fromLatin1(local) : m_prefix + QLatin1Char(':') + QLatin1String(local);
    }
    bool is(const XmlNode *n, const char *local) const { return n->is(m_ns, QLatin1StringView(local)); }

    std::vector<ComplexField *> collectComplexFields()
    {
        std::vector<ComplexField *> top;
        std::vector<ComplexField *> open;
        m_root->forEachDescendant([&](XmlNode *n) {
            if (is(n, "instrText")) {
                if (!open.empty() && !open.back()->separate)
                    open.back()->instruction += TextOf(n);
                return;
            }
            if (!is(n, "fldChar"))
                return;
            const QString type = n->attribute(m_ns, QLatin1StringView("fldCharType"));
            if (type == QLatin1String("begin")) {
                m_fields.push_back(std::make_unique<ComplexField>());
                ComplexField *f = m_fields.back().get();
                f->begin = n;
                f->inParentInstruction = !open.empty() && !open.back()->separate;
                open.push_back(f);
            } else if (type == QLatin1String("separate")) {
                if (!open.empty() && !open.back()->separate)
                    open.back()->separate = n;
            } else if (type == QLatin1String("end") && !open.empty()) {
                ComplexField *f = open.back();
                open.pop_back();
                f->end = n;
                (open.empty() ? top : open.back()->children).push_back(f);
            }
        });
        // A field left open by a damaged document is not touched; the complete ones inside it are.
        for (ComplexField *f : open) {
            for (ComplexField *c : f->children) {
                c->inParentInstruction = false;
                top.push_back(c);
            }
        }
        return top;
    }

    void process(ComplexField *f)
    {
        const std::optional<QStringList> values = m_resolve(f->instruction);
        if (values && replaceComplex(*f, *values)) {
            ++m_count.replaced;
            return;
        }
        ++m_count.untouched;
        for (ComplexField *c : f->children)
            process(c);
    }

    // Formatting of the field's shown result (its first text), else of the run that opens it.
    std::unique_ptr<XmlNode> resultProperties(const ComplexField &f, XmlNode *beginRun) const
    {
        XmlNode *from = beginRun;
        if (f.separate) {
            for (XmlNode *n = NextNode(f.separate, m_root); n && n != f.end; n = NextNode(n, m_root)) {
                if (is(n, "t")) {
                    from = n->parent();
                    break;
                }
            }
        }
        const XmlNode *props = from ? from->firstChild(m_ns, QLatin1StringView("rPr")) : nullptr;
        return props ? props->clone() : nullptr;
    }

    // Moves the run's children before `at` (its properties excepted) into a new run before it.
    void splitBefore(XmlNode *run, XmlNode *at)
    {
        const qsizetype i = at->index();
        bool content = false;
        for (qsizetype k = 0; k < i; ++k)
            content = content || !IsProperties(run->child(k));
        if (!content)
            return;
        auto front = newRun(run);
        for (qsizetype k = i - 1; k >= 0; --k) {
            if (!IsProperties(run->child(k)))
                front->insert(front->childCount() > 0 && IsProperties(front->child(0)) ? 1 : 0, run->take(k));
        }
        run->parent()->insert(run->index(), std::move(front));
    }

    void splitAfter(XmlNode *run, XmlNode *at)
    {
        const qsizetype i = at->index();
        if (i + 1 >= run->childCount())
            return;
        auto back = newRun(run);
        std::vector<std::unique_ptr<XmlNode>> moved;
        while (run->childCount() > i + 1)
            moved.push_back(run->take(i + 1));
        back->insert(back->childCount(), std::move(moved));
        run->parent()->insert(run->index() + 1, std::move(back));
    }

    std::unique_ptr<XmlNode> newRun(const XmlNode *like) const
    {
        auto run = XmlNode::Element(name("r"), m_ns);
        if (const XmlNode *props = like->firstChild(m_ns, QLatin1StringView("rPr")))
            run->append(props->clone());
        return run;
    }

    bool isBlock(const XmlNode *n) const
    {
        return is(n, "p") || is(n, "tbl") || is(n, "tr") || is(n, "tc") || is(n, "body") || is(n, "txbxContent");
    }

    bool replaceComplex(const ComplexField &f, const QStringList &values)
    {
        XmlNode *beginRun = f.begin->parent();
        XmlNode *endRun = f.end->parent();
        if (!beginRun || !endRun || !is(beginRun, "r") || !is(endRun, "r"))
            return false;

        // The lowest element holding both runs, and the children of it that lead to each.
        XmlNode *common = nullptr;
        XmlNode *beginSide = nullptr;
        XmlNode *endSide = nullptr;
        bool join = false;
        if (beginRun != endRun) {
            std::unordered_set<const XmlNode *> beginAncestors;
            for (XmlNode *n = beginRun; n; n = n->parent())
                beginAncestors.insert(n);
            endSide = endRun;
            for (common = endRun->parent(); common && !beginAncestors.count(common); common = common->parent())
                endSide = common;
            if (!common)
                return false;
            for (beginSide = beginRun; beginSide->parent() != common; beginSide = beginSide->parent()) {
            }
            join = is(beginSide, "p") && is(endSide, "p");
            const bool inline_ = !isBlock(beginSide) && !isBlock(endSide) && common->ancestorOrSelf(m_ns, QLatin1StringView("p"));
            if (!join && !inline_)
                return false; // a field running across table cells: left as it is
        }

        std::unique_ptr<XmlNode> props = resultProperties(f, beginRun);
        splitBefore(beginRun, f.begin);
        splitAfter(endRun, f.end);

        XmlNode *target = beginRun->parent();
        const qsizetype at = beginRun->index();
        if (beginRun == endRun) {
            target->take(at);
        } else {
            for (XmlNode *n = beginRun; n != beginSide; n = n->parent()) {
                XmlNode *p = n->parent();
                p->remove(n->index() + 1, p->childCount());
            }
            for (XmlNode *n = endRun; n != endSide; n = n->parent()) {
                XmlNode *p = n->parent();
                for (qsizetype k = n->index() - 1; k >= 0; --k) {
                    if (!IsProperties(p->child(k)))
                        p->take(k);
                }
            }
            common->remove(beginSide->index() + 1, endSide->index());
            endRun->parent()->take(endRun->index());
            target->take(beginRun->index());
            if (join) {
                std::vector<std::unique_ptr<XmlNode>> rest;
                while (endSide->childCount() > 0) {
                    auto n = endSide->take(0);
                    if (!is(n.get(), "pPr"))
                        rest.push_back(std::move(n));
                }
                beginSide->insert(beginSide->childCount(), std::move(rest));
                common->take(endSide->index());
            }
        }
        insertValues(target, at, values, props.get(), f.inParentInstruction);
        return true;
    }

    std::unique_ptr<XmlNode> textRun(const QString &text, const XmlNode *props, bool instruction) const
    {
        auto run = XmlNode::Element(name("r"), m_ns);
        if (props)
            run->append(props->clone());
        auto t = XmlNode::Element(name(instruction ? "instrText" : "t"), m_ns);
        t->setAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
        t->append(XmlNode::Text(text));
        run->append(std::move(t));
        return run;
    }

    // The texts at (parent, at): one paragraph each when the parent is a paragraph.
    void insertValues(XmlNode *parent, qsizetype at, const QStringList &values, const XmlNode *props, bool instruction)
    {
        if (values.isEmpty())
            return;
        if (instruction) {
            parent->insert(at, textRun(values.join(QLatin1Char(' ')), props, true));
            return;
        }
        if (values.size() == 1) {
            parent->insert(at, textRun(values.first(), props, false));
            return;
        }
        if (!is(parent, "p")) {
            // Inside a hyperlink or a content control the paragraph cannot be split: line breaks.
            auto run = textRun(values.first(), props, false);
            for (qsizetype k = 1; k < values.size(); ++k) {
                run->append(XmlNode::Element(name("br"), m_ns));
                auto t = XmlNode::Element(name("t"), m_ns);
                t->setAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
                t->append(XmlNode::Text(values[k]));
                run->append(std::move(t));
            }
            parent->insert(at, std::move(run));
            return;
        }
        parent->insert(at, textRun(values.first(), props, false));
        std::vector<std::unique_ptr<XmlNode>> tail;
        while (parent->childCount() > at + 1)
            tail.push_back(parent->take(at + 1));

        XmlNode *paragraphProps = parent->firstChild(m_ns, QLatin1StringView("pPr"));
        std::unique_ptr<XmlNode> section; // the section break stays with the last paragraph
        std::unique_ptr<XmlNode> propsCopy;
        if (paragraphProps) {
            if (XmlNode *s = paragraphProps->firstChild(m_ns, QLatin1StringView("sectPr")))
                section = paragraphProps->take(s->index());
            propsCopy = paragraphProps->clone();
        }
        std::vector<std::unique_ptr<XmlNode>> paragraphs;
        paragraphs.reserve(static_cast<std::size_t>(values.size() - 1));
        for (qsizetype k = 1; k < values.size(); ++k) {
            auto p = XmlNode::Element(name("p"), m_ns);
            if (propsCopy)
                p->append(propsCopy->clone());
            p->append(textRun(values[k], props, false));
            paragraphs.push_back(std::move(p));
        }
        XmlNode *last = paragraphs.back().get();
        last->insert(last->childCount(), std::move(tail));
        if (section) {
            XmlNode *lastProps = last->firstChild(m_ns, QLatin1StringView("pPr"));
            lastProps->append(std::move(section));
        }
        parent->parent()->insert(parent->index() + 1, std::move(paragraphs));
    }

    void mergeSimpleFields()
    {
        // Document order; skipTo[i] is the index after the fields nested in field i.
        std::vector<XmlNode *> fields;
        std::vector<std::size_t> skipTo;
        std::function<void(XmlNode *)> collect = [&](XmlNode *n) {
            for (const auto &c : n->children()) {
                if (!c->isElement())
                    continue;
                if (is(c.get(), "fldSimple")) {
                    const std::size_t i = fields.size();
                    fields.push_back(c.get());
                    skipTo.push_back(0);
                    collect(c.get());
                    skipTo[i] = fields.size();
                } else {
                    collect(c.get());
                }
            }
        };
        collect(m_root);
        std::size_t i = 0;
        while (i < fields.size()) {
            XmlNode *f = fields[i];
            const std::optional<QStringList> values = m_resolve(f->attribute(m_ns, QLatin1StringView("instr")));
            if (!values) {
                ++m_count.untouched;
                ++i;
                continue;
            }
            std::unique_ptr<XmlNode> props;
            for (XmlNode *n = NextNode(f, f); n; n = NextNode(n, f)) {
                if (is(n, "r")) {
                    if (const XmlNode *p = n->firstChild(m_ns, QLatin1StringView("rPr")))
                        props = p->clone();
                    break;
                }
            }
            XmlNode *parent = f->parent();
            const qsizetype at = f->index();
            parent->take(at);
            insertValues(parent, at, *values, props.get(), false);
            ++m_count.replaced;
            i = skipTo[i];
        }
    }

    XmlNode *m_root;
    QString m_ns;
    QString m_prefix;
    const FieldResolver &m_resolve;
    std::vector<std::unique_ptr<ComplexField>> m_fields;
    MergeCount m_count;
};

} // namespace

MergeCount MergeFieldsInPart(XmlNode *root, const FieldResolver &resolve)
{
    return PartMerger(root, resolve).run();
}

MergeCount MergeFields(DocxDocument &document, const FieldResolver &resolve)
{
    MergeCount total;
    for (const QString &name : document.storyParts()) {
        const MergeCount c = MergeFieldsInPart(document.part(name).root(), resolve);
        total.replaced += c.replaced;
        total.untouched += c.untouched;
        if (c.replaced > 0)
            document.markChanged(name);
    }
    if (!document.settingsPart().isEmpty()) {
        XmlNode *settings = document.part(document.settingsPart()).root();
        for (qsizetype k = settings->childCount() - 1; k >= 0; --k) {
            const XmlNode *n = settings->child(k);
            if (n->isElement() && n->localName() == QLatin1String("mailMerge")
                && (n->namespaceUri() == kW || n->namespaceUri() == kWStrict)) {
                settings->take(k);
                document.markChanged(document.settingsPart());
            }
        }
    }
    return total;
}
