#include "widgets/dialog_buttons.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

DialogButtons AcceptCancelRow(QDialog *dialog, const QString &acceptCaption)
{
    auto *accept = new QPushButton(acceptCaption, dialog);
    accept->setObjectName(QStringLiteral("BtnAceptar"));
    accept->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("&Cancelar"), dialog);
    cancel->setObjectName(QStringLiteral("BtnCancelar"));
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(accept);
    row->addWidget(cancel);
    return {accept, cancel, row};
}
