#include "core/errors.h"
#include "shell/manual_pdf.h"

#include <QPdfDocument>
#include <QPdfSelection>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(Manual, TheMarkdownManualBecomesAPdfOfSeveralPages)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("manual.pdf"));
    WriteManualPdf(QStringLiteral(CUANTIX_MANUAL_SOURCE), pdf);

    QPdfDocument document;
    ASSERT_EQ(document.load(pdf), QPdfDocument::Error::None);
    EXPECT_GE(document.pageCount(), 3);
    EXPECT_TRUE(document.getAllText(0).text().contains(QStringLiteral("Manual de Cuantix")));
    QString text;
    for (int page = 0; page < document.pageCount(); ++page)
        text += document.getAllText(page).text() + QLatin1Char('\n');
    for (const char *heading : {"Tipos de interés", "Liquidaciones", "Histórico", "Imprimir", "Copia de seguridad"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(heading), Qt::CaseInsensitive)) << heading;
    // The Markdown marks are laid out, not printed.
    EXPECT_FALSE(text.contains(QStringLiteral("## ")));
    EXPECT_FALSE(text.contains(QStringLiteral("**")));
}

TEST(Manual, AMissingSourceIsReported)
{
    QTemporaryDir dir;
    EXPECT_THROW(WriteManualPdf(dir.filePath(QStringLiteral("no-existe.md")), dir.filePath(QStringLiteral("m.pdf"))),
                 AppError);
}
