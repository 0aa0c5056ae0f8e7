#pragma once

#include "support/pg_server.h"
#include "support/temp_installation.h"

#include <memory>

// The "pg." run of these tests, with its server.
inline bool UseTestServer()
{
    return TestsOnServer() && TestServer().has_value();
}

// A temporary installation on SQLite files or on a database of the test server, in either run.
inline std::unique_ptr<TempInstallation> TestInstallation(bool onServer)
{
    if (onServer || !TestsOnServer())
        return std::make_unique<TempInstallation>();
    const QByteArray serverDir = qgetenv("CUANTIX_TEST_PG_DIR");
    qunsetenv("CUANTIX_TEST_PG_DIR");
    auto install = std::make_unique<TempInstallation>();
    qputenv("CUANTIX_TEST_PG_DIR", serverDir);
    return install;
}
