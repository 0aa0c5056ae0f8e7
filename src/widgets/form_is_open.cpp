#include "widgets/form_is_open.h"

#include <QApplication>
#include <QWidget>

bool FormIsOpen(const QString &name)
{
    const QString wanted = name.toUpper();
    const auto windows = QApplication::topLevelWidgets();
    return std::any_of(windows.cbegin(), windows.cend(), [&wanted](const QWidget *w) {
        return w->isWindow() && w->objectName().toUpper() == wanted;
    });
}
