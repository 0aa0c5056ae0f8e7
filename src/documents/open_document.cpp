#include "documents/open_document.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

std::function<bool(const QString &)> &Opener()
{
    static std::function<bool(const QString &)> opener;
    return opener;
}

} // namespace

bool OpenDocument(const QString &path)
{
    if (Opener())
        return Opener()(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void SetDocumentOpener(std::function<bool(const QString &path)> opener)
{
    Opener() = std::move(opener);
}
