#include "platform/desktop_links.h"

#include "core/prompter.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

std::function<bool(const QUrl &)> &Opener()
{
    static std::function<bool(const QUrl &)> opener;
    return opener;
}

} // namespace

bool OpenAddress(const QUrl &url)
{
    if (!url.isValid())
        return false;
    return Opener() ? Opener()(url) : QDesktopServices::openUrl(url);
}

void SetAddressOpener(std::function<bool(const QUrl &url)> opener)
{
    Opener() = std::move(opener);
}

bool OpenFolderOf(const QString &path)
{
    return OpenAddress(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

void ReportUnopenedFile(Prompter &prompter, const QString &what, const QString &path)
{
    const QString folder = QDir::toNativeSeparators(QFileInfo(path).absolutePath());
    const QString text = QStringLiteral("No se ha podido abrir %1 con el programa del sistema.\n\n"
                                        "Está guardado como \"%2\" en la carpeta:\n%3\n\n"
                                        "¿Desea abrir esa carpeta?")
                             .arg(what, QFileInfo(path).fileName(), folder);
    if (prompter.message(text, Prompter::Icon::Warning, Prompter::Buttons::YesNo) != Prompter::Answer::Yes)
        return;
    if (!OpenFolderOf(path))
        prompter.warn(QStringLiteral("Tampoco se ha podido abrir la carpeta \"%1\". Búsquela con el explorador de archivos.")
                          .arg(folder));
}
