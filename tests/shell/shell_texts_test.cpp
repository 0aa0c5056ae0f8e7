#include "core/ini_file.h"
#include "shell/startup.h"
#include "shell/support_links.h"
#include "shell/version_texts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void Touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

} // namespace

TEST(VersionTexts, AboutBoxAndSupportNumberFollowTheFileVersion)
{
    struct Row
    {
        const char *version;
        const char *line, *year, *month, *servicePack, *num;
    };
    const Row rows[] = {
        {"8.3.1.0", "Versión: 8.3.1", "2008", "Marzo", "0", "8.03.1.200.00000"},
        {"26.12.1.0", "Versión: 26.12.1", "2026", "Diciembre", "0", "26.12.1.200.00000"},
        {"9.13.2.5", "Versión: 9.13.2", "2009", "", "5", "9.13.1.200.00000"},
        {"", "Versión: 0", "2000", "", "", "0.00.1.200.00000"},
    };
    for (const Row &row : rows) {
        const QString version = QString::fromUtf8(row.version);
        const AboutTexts texts = AboutTextsFor(version);
        EXPECT_EQ(texts.versionLine, QString::fromUtf8(row.line)) << row.version;
        EXPECT_EQ(texts.year, QString::fromUtf8(row.year)) << row.version;
        EXPECT_EQ(texts.month, QString::fromUtf8(row.month)) << row.version;
        EXPECT_EQ(texts.servicePack, QString::fromUtf8(row.servicePack)) << row.version;
        EXPECT_EQ(texts.program, QStringLiteral("Quorvia Cuantix"));
        EXPECT_EQ(texts.database, QStringLiteral("sqlite"));
        EXPECT_EQ(SupportVersionNumber(version), QString::fromUtf8(row.num)) << row.version;
    }
}

TEST(SupportLinks, AddressesAreBuiltAsText)
{
    const QString url = BuildSupportUrl(QStringLiteral("https://soporte.example/pagina"), QStringLiteral("8.3.1.0"));
    EXPECT_EQ(url, QStringLiteral("https://soporte.example/pagina?ver=CUANTIX&num=8.03.1.200.00000"));
    EXPECT_TRUE(BuildSupportUrl(QString(), QStringLiteral("8.3.1.0")).isEmpty());

    EXPECT_EQ(TelephoneLetters(QStringLiteral("902-123 45")), QStringLiteral("jafnfhcw"));
    EXPECT_EQ(TelephoneLetters(QStringLiteral("+34 678 90")), QStringLiteral("hczpija"));
    EXPECT_TRUE(TelephoneLetters(QStringLiteral("sin número")).isEmpty());

    EXPECT_EQ(SupportPageAddress(url, QStringLiteral("28001"), QStringLiteral("902-123 45")),
              url + QStringLiteral("&cp=28001&tf=jafnfhcw"));
    EXPECT_EQ(SupportPageAddress(url, QString(), QString()), url);
    EXPECT_EQ(SupportPageAddress(url, QString(), QStringLiteral("902")), url + QStringLiteral("&tf=jaf"));

    EXPECT_EQ(FooterSupportAddress(url, QStringLiteral("26.12.1.0"), QStringLiteral("Castilla-León")),
              url + QStringLiteral("?ver=26.12.1.0&region=Castilla-León"));
}

TEST(SupportLinks, TheMakersAddressesComeFromTheSettingsFile)
{
    QTemporaryDir dir;
    IniFile settings(dir.filePath(QStringLiteral("Devenix.ini")));
    EXPECT_EQ(ReadSupportSettings(settings).url, QString());
    settings.writeString(QStringLiteral("SOPORTE"), QStringLiteral("URL"), QStringLiteral(" https://s.example "));
    settings.writeString(QStringLiteral("soporte"), QStringLiteral("SUGERENCIAS"), QStringLiteral("ideas@s.example"));
    const SupportSettings support = ReadSupportSettings(settings);
    EXPECT_EQ(support.url, QStringLiteral("https://s.example"));
    EXPECT_EQ(support.suggestions, QStringLiteral("ideas@s.example"));
    EXPECT_TRUE(support.manual.isEmpty());
}

TEST(SupportLinks, LocalFilesAreOpenedAsFiles)
{
    QTemporaryDir dir;
    const QString manual = dir.filePath(QStringLiteral("manual con espacios.pdf"));
    Touch(manual);
    EXPECT_EQ(BrowserUrl(manual), QUrl::fromLocalFile(manual));
    EXPECT_EQ(BrowserUrl(QStringLiteral("www.example.com")), QUrl(QStringLiteral("http://www.example.com")));
}

TEST(BackgroundImage, ChosenByScreenWidthWhenTheFileExists)
{
    QTemporaryDir dir;
    const QString d = dir.path();
    EXPECT_TRUE(BackgroundImageFor(d, 1024).isEmpty());
    Touch(d + QStringLiteral("/977.jpg"));
    Touch(d + QStringLiteral("/532.jpg"));
    EXPECT_EQ(BackgroundImageFor(d, 1280), d + QStringLiteral("/977.jpg"));
    EXPECT_EQ(BackgroundImageFor(d, 1024), d + QStringLiteral("/977.jpg"));
    EXPECT_EQ(BackgroundImageFor(d, 640), d + QStringLiteral("/532.jpg"));
    EXPECT_TRUE(BackgroundImageFor(d, 800).isEmpty());
    EXPECT_TRUE(BackgroundImageFor(d, 1152).isEmpty());
    EXPECT_EQ(BackgroundImageFor(d, 1920), d + QStringLiteral("/977.jpg"));
    Touch(d + QStringLiteral("/1169.jpg"));
    EXPECT_EQ(BackgroundImageFor(d, 1280), d + QStringLiteral("/1169.jpg"));
    EXPECT_EQ(BackgroundImageFor(d, 2560), d + QStringLiteral("/1169.jpg")); // scaled, not an empty area
}

TEST(DeleteLockFiles, RemovesLockFilesAtAnyDepthAndNothingElse)
{
    QTemporaryDir dir;
    const QString d = dir.path();
    for (const char *lock : {"PDOXUSRS.LCK", "Datos/PARADOX.LCK", "modulos/galicia/paradox.lck",
                             "Historia/viejo/otro.Lck"})
        Touch(d + QLatin1Char('/') + QLatin1String(lock));
    for (const char *kept : {"Devenix.ini", "Datos/datos.sqlite", "Datos/LCK.txt", "modulos/galicia/modulo.sqlite",
                             "carpeta.LCK/dentro.txt"})
        Touch(d + QLatin1Char('/') + QLatin1String(kept));
    Touch(d + QStringLiteral("/carpeta.LCK/dentro.LCK"));

    EXPECT_EQ(DeleteLockFiles(d), 5);
    for (const char *lock : {"PDOXUSRS.LCK", "Datos/PARADOX.LCK", "modulos/galicia/paradox.lck",
                             "Historia/viejo/otro.Lck", "carpeta.LCK/dentro.LCK"})
        EXPECT_FALSE(QFile::exists(d + QLatin1Char('/') + QLatin1String(lock))) << lock;
    for (const char *kept : {"Devenix.ini", "Datos/datos.sqlite", "Datos/LCK.txt", "modulos/galicia/modulo.sqlite",
                             "carpeta.LCK/dentro.txt"})
        EXPECT_TRUE(QFile::exists(d + QLatin1Char('/') + QLatin1String(kept))) << kept;
}
