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
    for (const XmlNode *c : n->children()) {
        if (c->type() == XmlNode::Type::Text || c->type() == XmlNode::Type::CData)
            text += c->text();
    }
    return text;
}

// The next node in document order below root, or nullptr.
XmlNode *NextNode(XmlNode *n, const XmlNode *root)
{
    if (n->first())
        return n->first();
    while (n && n != root) {
        if (n->next())
            return n->next();
        n = n->parent();
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
        bool content = false;
        for (XmlNode *k = run->first(); k != at; k = k->next())
            content = content || !IsProperties(k);
        if (!content)
            return;
        XmlNode *front = run->parent()->insertBefore(run, newRun(run));
        for (XmlNode *k = run->first(); k != at;) {
            XmlNode *next = k->next();
            if (!IsProperties(k))
                front->append(run->take(k));
            k = next;
        }
    }

    void splitAfter(XmlNode *run, XmlNode *at)
    {
        if (!at->next())
            return;
        XmlNode *back = run->parent()->insertAfter(run, newRun(run));
        run->moveChildren(at->next(), nullptr, back, nullptr);
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
        XmlNode *before = beginRun->previous(); // the values go after it
        if (beginRun == endRun) {
            target->take(beginRun);
        } else {
            for (XmlNode *n = beginRun; n != beginSide; n = n->parent())
                n->parent()->remove(n->next(), nullptr);
            for (XmlNode *n = endRun; n != endSide; n = n->parent()) {
                XmlNode *p = n->parent();
                for (XmlNode *k = p->first(); k != n;) {
                    XmlNode *next = k->next();
                    if (!IsProperties(k))
                        p->take(k);
                    k = next;
                }
            }
            common->remove(beginSide->next(), endSide);
            endRun->parent()->take(endRun);
            target->take(beginRun);
            if (join) {
                if (XmlNode *endProps = endSide->firstChild(m_ns, QLatin1StringView("pPr")))
                    endSide->take(endProps);
                endSide->moveChildren(endSide->first(), nullptr, beginSide, nullptr);
                common->take(endSide);
            }
        }
        insertValues(target, before, values, props.get(), f.inParentInstruction);
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

    // The texts after the child `after` of parent (first when nullptr): one paragraph each
    // when the parent is a paragraph.
    void insertValues(XmlNode *parent, XmlNode *after, const QStringList &values, const XmlNode *props, bool instruction)
    {
        if (values.isEmpty())
            return;
        if (instruction) {
            parent->insertAfter(after, textRun(values.join(QLatin1Char(' ')), props, true));
            return;
        }
        if (values.size() == 1) {
            parent->insertAfter(after, textRun(values.first(), props, false));
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
            parent->insertAfter(after, std::move(run));
            return;
        }
        // The paragraph splits in values.size() paragraphs. The text before the field and the
        // first value move to new paragraphs before it, so that it keeps the text after the
        // field and its section break; what moves lies before the field, so each node moves
        // once however many fields the paragraph holds.
        XmlNode *paragraphProps = parent->first() && is(parent->first(), "pPr") ? parent->first() : nullptr;
        std::unique_ptr<XmlNode> propsCopy;
        if (paragraphProps) {
            propsCopy = paragraphProps->clone();
            if (XmlNode *s = propsCopy->firstChild(m_ns, QLatin1StringView("sectPr")))
                propsCopy->take(s);
        }
        const auto newParagraph = [&]() {
            auto p = XmlNode::Element(name("p"), m_ns);
            if (propsCopy)
                p->append(propsCopy->clone());
            return parent->parent()->insertBefore(parent, std::move(p));
        };
        XmlNode *head = newParagraph();
        XmlNode *from = paragraphProps ? paragraphProps->next() : parent->first();
        if (after)
            parent->moveChildren(from, after->next(), head, nullptr);
        head->append(textRun(values.first(), props, false));
        for (qsizetype k = 1; k + 1 < values.size(); ++k)
            newParagraph()->append(textRun(values[k], props, false));
        parent->insertAfter(paragraphProps, textRun(values.last(), props, false));
    }

    void mergeSimpleFields()
    {
        // Document order; skipTo[i] is the index after the fields nested in field i.
        std::vector<XmlNode *> fields;
        std::vector<std::size_t> skipTo;
        std::function<void(XmlNode *)> collect = [&](XmlNode *n) {
            for (XmlNode *c : n->children()) {
                if (!c->isElement())
                    continue;
                if (is(c, "fldSimple")) {
                    const std::size_t i = fields.size();
                    fields.push_back(c);
                    skipTo.push_back(0);
                    collect(c);
                    skipTo[i] = fields.size();
                } else {
                    collect(c);
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
            XmlNode *before = f->previous();
            parent->take(f);
            insertValues(parent, before, *values, props.get(), false);
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
        for (XmlNode *n = settings->first(); n;) {
            XmlNode *next = n->next();
            if (n->isElement() && n->localName() == QLatin1String("mailMerge")
                && (n->namespaceUri() == kW || n->namespaceUri() == kWStrict)) {
                settings->take(n);
                document.markChanged(document.settingsPart());
            }
            n = next;
        }
    }
    return total;
}
