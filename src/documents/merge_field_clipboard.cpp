#include "documents/merge_field_clipboard.h"

#include <QMimeData>

namespace {

// RTF is 7-bit: other characters as \uN? (N a signed 16-bit value).
QByteArray RtfText(const QString &text)
{
    QByteArray out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u < 128) {
            out += static_cast<char>(u);
        } else {
            out += "\\u" + QByteArray::number(static_cast<qint16>(u)) + '?';
        }
    }
    return out;
}

} // namespace

QByteArray MergeFieldRtf(const QString &label)
{
    return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Calibri;}}\\f0 {\\field{\\*\\fldinst MERGEFIELD "
           + RtfText(label) + "}{\\fldrslt " + RtfText(QChar(0x00AB) + label + QChar(0x00BB)) + "}}}";
}

QMimeData *MergeFieldMimeData(const QString &label)
{
    auto *data = new QMimeData;
    const QByteArray rtf = MergeFieldRtf(label);
    data->setData(QStringLiteral("text/rtf"), rtf);
    data->setData(QStringLiteral("application/rtf"), rtf);
#if defined(Q_OS_WIN)
    data->setData(QStringLiteral("Rich Text Format"), rtf);
#endif
    data->setText(QChar(0x00AB) + label + QChar(0x00BB));
    return data;
}
