#include "support/app_fixture.h"

#include <atomic>

namespace {

QString UniquePrefix()
{
    static std::atomic<int> next{0};
    return QStringLiteral("fixture%1-").arg(next++);
}

} // namespace

AppFixture::AppFixture()
    : store(UniquePrefix())
    , context{session, store, prompter, install.file(QStringLiteral("Devenix.ini"))}
{
    session.programDir = install.path();
    store.connectMain(session.programDir);
    store.OpenWorkTables();
}
