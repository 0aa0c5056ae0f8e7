#pragma once

#include "backup/csv_archive.h"
#include "store/database_engine.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

// What a restore onto a server installation loads into the server once the installation's
// files may be replaced: the backup's tables as CSV (from the archive, or read out of the
// SQLite files of an archive made on SQLite).
struct ServerTablesLoad
{
    DatabaseEngine server;
    QString csvFolder;
    CsvManifest manifest;
    std::unique_ptr<QTemporaryDir> converted;
};
