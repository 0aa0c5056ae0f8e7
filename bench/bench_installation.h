#pragma once

#include "core/session.h"
#include "silent_prompter.h"
#include "store/app_context.h"
#include "store/data_store.h"
#include "store/database_engine.h"

#include <QDir>
#include <QTemporaryDir>

#include <optional>

// An empty installation in a temporary folder: Datos and Historia created and every main
// database connected, as the program has them after start-up. Benchmarks fill it.
struct BenchInstallation
{
    enum class Settings { None, File };

    explicit BenchInstallation(const QString &prefix = QStringLiteral("bench-"), Settings settings = Settings::None,
                               const std::optional<DatabaseEngine> &engine = std::nullopt)
        : store(prefix)
        , context{session, store, prompter,
                  settings == Settings::File ? dir.path() + QStringLiteral("/Devenix.ini") : QString()}
    {
        QDir(dir.path()).mkpath(QStringLiteral("Datos"));
        QDir(dir.path()).mkpath(QStringLiteral("Historia"));
        session.programDir = dir.path();
        if (engine)
            store.setEngine(*engine);
        store.setPath(Alias::Devenix, dir.path() + QStringLiteral("/Datos"));
        store.setPath(Alias::Historico, dir.path() + QStringLiteral("/Historia"));
        store.create(Alias::Devenix);
        store.create(Alias::Historico);
        store.connectMain(dir.path());
    }

    QSqlDatabase db() const { return store.database(Alias::Intereses); }

    QTemporaryDir dir;
    Session session;
    DataStore store;
    SilentPrompter prompter;
    AppContext context;
};
