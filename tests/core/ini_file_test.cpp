#include "core/errors.h"
#include "core/ini_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class IniFileTest : public ::testing::Test
{
protected:
    QString path() const { return m_dir.path() + QStringLiteral("/Devenix.ini"); }
    void writeRaw(const QByteArray &bytes) const
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray readRaw() const
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST(IniFilePath, FollowsTheExecutableName)
{
    EXPECT_EQ(IniFile::PathForExecutable(QStringLiteral("/opt/c/Devenix")), QStringLiteral("/opt/c/Devenix.ini"));
    EXPECT_EQ(IniFile::PathForExecutable(QStringLiteral("C:/c/Devenix.exe")), QStringLiteral("C:/c/Devenix.ini"));
    EXPECT_EQ(IniFile::PathForExecutable(QStringLiteral("/opt/x.y/Otro")), QStringLiteral("/opt/x.y/Otro.ini"));
}

TEST_F(IniFileTest, MissingFileAndKeysGiveTheDefaults)
{
    const IniFile ini(path());
    EXPECT_EQ(ini.readString(QStringLiteral("INICIO"), QStringLiteral("REGION"), QStringLiteral("x")), QStringLiteral("x"));
    EXPECT_EQ(ini.readInteger(QStringLiteral("INICIO"), QStringLiteral("REGION"), 7), 7);
    EXPECT_EQ(ini.readDecimal(QStringLiteral("FACTURACION"), QStringLiteral("IVA"), 21.0), 21.0);
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(IniFileTest, NamesAreCaseInsensitiveAndValuesTakenAsTheyStand)
{
    writeRaw("[facturacion]\r\n Empresa = Bufete \"López, Pérez\" y Asoc. \r\nIVA=21,00\r\n");
    const IniFile ini(path());
    EXPECT_EQ(ini.readString(QStringLiteral("FACTURACION"), QStringLiteral("EMPRESA")),
              QStringLiteral("Bufete \"López, Pérez\" y Asoc."));
    EXPECT_EQ(ini.readDecimal(QStringLiteral("FACTURACION"), QStringLiteral("iva"), 16.0), 21.0);
}

TEST_F(IniFileTest, NumbersThatDoNotReadGiveTheDefault)
{
    writeRaw("[FACTURACION]\nIVA=abc\nPROVINCIA=12abc\nIRPF=\n[INICIO]\nREGION=\n");
    const IniFile ini(path());
    EXPECT_EQ(ini.readDecimal(QStringLiteral("FACTURACION"), QStringLiteral("IVA"), 16.0), 16.0);
    EXPECT_EQ(ini.readInteger(QStringLiteral("FACTURACION"), QStringLiteral("PROVINCIA"), 1), 1);
    EXPECT_EQ(ini.readDecimal(QStringLiteral("FACTURACION"), QStringLiteral("IRPF"), 0.0), 0.0);
    EXPECT_TRUE(ini.readString(QStringLiteral("INICIO"), QStringLiteral("REGION"), QStringLiteral("d")).isEmpty());
}

TEST_F(IniFileTest, WritingKeepsEverythingElse)
{
    writeRaw("; configuración\r\n[INICIO]\r\nREGION=3\r\n\r\n[OTRA]\r\nClave=valor, con coma\r\n");
    IniFile ini(path());
    ini.writeInteger(QStringLiteral("inicio"), QStringLiteral("region"), 6);
    ini.writeString(QStringLiteral("INICIO"), QStringLiteral("NUEVA"), QStringLiteral("sí"));
    ini.writeString(QStringLiteral("FACTURACION"), QStringLiteral("EMPRESA"), QStringLiteral("Ñandú S.L."));
    EXPECT_EQ(QString::fromUtf8(readRaw()),
              QStringLiteral("; configuración\r\n[INICIO]\r\nREGION=6\r\nNUEVA=sí\r\n\r\n[OTRA]\r\n"
                             "Clave=valor, con coma\r\n\r\n[FACTURACION]\r\nEMPRESA=Ñandú S.L.\r\n"));
    EXPECT_EQ(ini.readInteger(QStringLiteral("INICIO"), QStringLiteral("REGION"), 0), 6);
}

TEST_F(IniFileTest, NoCacheBetweenReaders)
{
    IniFile writer(path());
    const IniFile reader(path());
    writer.writeString(QStringLiteral("FACTURACION"), QStringLiteral("NIF"), QStringLiteral("12345678Z"));
    EXPECT_EQ(reader.readString(QStringLiteral("FACTURACION"), QStringLiteral("NIF")), QStringLiteral("12345678Z"));
    writer.writeString(QStringLiteral("FACTURACION"), QStringLiteral("NIF"), QStringLiteral("B1234567"));
    EXPECT_EQ(reader.readString(QStringLiteral("FACTURACION"), QStringLiteral("NIF")), QStringLiteral("B1234567"));
}

TEST_F(IniFileTest, OldSingleByteFilesAreRead)
{
    writeRaw("[FACTURACION]\r\nEMPRESA=Despacho Mu\xf1oz \x80 Asociados\r\n");
    IniFile ini(path());
    EXPECT_EQ(ini.readString(QStringLiteral("FACTURACION"), QStringLiteral("EMPRESA")),
              QStringLiteral("Despacho Muñoz € Asociados"));
    // Writing converts the whole file to UTF-8 without losing the old text.
    ini.writeString(QStringLiteral("FACTURACION"), QStringLiteral("NIF"), QStringLiteral("X"));
    EXPECT_EQ(ini.readString(QStringLiteral("FACTURACION"), QStringLiteral("EMPRESA")),
              QStringLiteral("Despacho Muñoz € Asociados"));
}

TEST_F(IniFileTest, ValuesCannotBreakTheFile)
{
    IniFile ini(path());
    ini.writeString(QStringLiteral("FACTURACION"), QStringLiteral("DIRECCION"), QStringLiteral("Calle 1\n[INICIO]\nREGION=9"));
    EXPECT_TRUE(ini.readString(QStringLiteral("INICIO"), QStringLiteral("REGION")).isEmpty());
}

TEST_F(IniFileTest, WriteFailureNamesTheFileAndKeepsTheOldOne)
{
    // A folder that cannot take the file (here: a plain file in its place) fails even for root.
    const QString notADir = m_dir.path() + QStringLiteral("/fichero");
    {
        QFile f(notADir);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    IniFile ini(notADir + QStringLiteral("/Devenix.ini"));
    try {
        ini.writeString(QStringLiteral("INICIO"), QStringLiteral("REGION"), QStringLiteral("6"));
        FAIL() << "no error";
    } catch (const AppError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("fichero/Devenix.ini"))) << e.message().toStdString();
    }
}

TEST_F(IniFileTest, UnreadableFilesAreRefusedByNameAndSetAsideBeforeANewOneIsWritten)
{
    const QString shown = QDir::toNativeSeparators(path());
    const QString notRead = QStringLiteral("No se puede leer el archivo de configuración \"%1\": ").arg(shown);
    const struct
    {
        const char *what;
        QByteArray bytes; // empty: a folder in its place
        QString message;
    } cases[] = {
        {"folder", {}, notRead + QStringLiteral("es una carpeta.")},
        {"binary", QByteArray("[INICIO]\nREGION=6\n\0\x01\x02\xff\xfe", 26), notRead + QStringLiteral("no es un archivo de texto.")},
        {"undefined byte", QByteArray("[INICIO]\nREGION=\x81\x9d\n"), notRead + QStringLiteral("no es un archivo de texto.")},
        {"huge", QByteArray("[INICIO]\n") + QByteArray(1100 * 1024, ';'),
         QStringLiteral("El archivo \"%1\" no es un archivo de configuración: ocupa más de 1 MB.").arg(shown)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.bytes.isEmpty())
            ASSERT_TRUE(QDir().mkpath(path()));
        else
            writeRaw(c.bytes);
        IniFile ini(path());
        try {
            ini.readString(QStringLiteral("INICIO"), QStringLiteral("REGION"));
            ADD_FAILURE() << "read";
        } catch (const SettingsUnreadable &e) {
            EXPECT_EQ(e.message(), c.message);
        }
        EXPECT_THROW(ini.writeString(QStringLiteral("INICIO"), QStringLiteral("REGION"), QStringLiteral("1")), AppError);

        const QString kept = path() + QStringLiteral(".dañado");
        EXPECT_EQ(RescueUnreadableSettings(path()),
                  c.message + QStringLiteral(" Se ha guardado como \"%1\" y el programa empieza con la configuración "
                                             "inicial.").arg(QDir::toNativeSeparators(kept)));
        if (!c.bytes.isEmpty()) {
            QFile f(kept);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll(), c.bytes);
        }
        ini.writeString(QStringLiteral("INICIO"), QStringLiteral("REGION"), QStringLiteral("1"));
        EXPECT_EQ(ini.readInteger(QStringLiteral("INICIO"), QStringLiteral("REGION"), 0), 1);
        EXPECT_EQ(RescueUnreadableSettings(path()), std::nullopt);
        QFile::remove(path());
        QDir(kept).removeRecursively();
        QFile::remove(kept);
    }
}
