#include "platform/desktop_links.h"

#include <QDesktopServices>
#include <QUrl>

bool OpenAddress(const QUrl &url)
{
    return url.isValid() && QDesktopServices::openUrl(url);
}
