#include "verifactu/declaration_window.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFormDeclaracion::TFormDeclaracion(const QString &text, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TFormDeclaracion"));
    setWindowTitle(QStringLiteral("Declaración responsable VERI*FACTU"));
    auto *layout = new QVBoxLayout(this);
    auto *view = new QPlainTextEdit(text, this);
    view->setObjectName(QStringLiteral("TextoDeclaracion"));
    view->setReadOnly(true);
    view->setWordWrapMode(QTextOption::WordWrap);
    layout->addWidget(view);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *close = buttons->addButton(QStringLiteral("&Cerrar"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("BotonCerrar"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(680, 620);
}
