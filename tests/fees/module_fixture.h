#pragma once

#include "store/data_store.h"
#include "store/sql.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

// An empty module database in a temporary folder, tables added by the test.
class ModuleTest : public ::testing::Test
{
protected:
    ModuleTest() { m_store.createModule(m_dir.path()); }

    QSqlDatabase modulo() const { return m_store.database(Alias::Modulo); }
    QString dir() const { return m_dir.path(); }
    void sql(const QString &text) const { RunSql(modulo(), text); }
    void addTable(int id, const char *name, int kind, QVariant extraPorc = {}, QVariant extraFijo = {}) const
    {
        RunSql(modulo(), QStringLiteral("INSERT INTO tablas (Id, NombreTabla, Directivas, ExtraPorc, ExtraFijo)"
                                        " VALUES (?, ?, ?, ?, ?)"),
               {id, QString::fromUtf8(name), kind, extraPorc, extraFijo});
    }

    QTemporaryDir m_dir;
    DataStore m_store{QStringLiteral("module-test-")};
};
