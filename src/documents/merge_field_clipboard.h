#pragma once

#include <QByteArray>
#include <QString>

class QMimeData;

// A merge field as rich text that word processors paste as a real field:
// {\rtf1 ... {\field{\*\fldinst MERGEFIELD Label}{\fldrslt «Label»}}}.
QByteArray MergeFieldRtf(const QString &label);

// Clipboard contents for a merge field: that rich text, and «Label» as plain text for
// programs that take only text.
QMimeData *MergeFieldMimeData(const QString &label);
