#include "widgets/qt_prompter.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QToolTip>

QtPrompter::QtPrompter(QWidget *parent)
    : m_parent(parent)
{
}

QWidget *QtPrompter::parentWidget() const
{
    if (m_parent)
        return m_parent;
    return QApplication::activeWindow();
}

QString QtPrompter::StandardTitle(Icon icon)
{
    switch (icon) {
    case Icon::Information:
        return QStringLiteral("Información");
    case Icon::Warning:
        return QStringLiteral("Advertencia");
    case Icon::Error:
        return QStringLiteral("Error");
    case Icon::Confirmation:
        return QStringLiteral("Confirmación");
    case Icon::None:
        break;
    }
    return QStringLiteral("Cuantix");
}

Prompter::Answer QtPrompter::message(const QString &text, Icon icon, Buttons buttons, const QString &title)
{
    QMessageBox box(parentWidget());
    box.setWindowTitle(title.isEmpty() ? StandardTitle(icon) : title);
    box.setText(text);
    switch (icon) {
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Confirmation:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::None:
        break;
    }
    QPushButton *ok = nullptr, *cancel = nullptr, *yes = nullptr, *no = nullptr;
    switch (buttons) {
    case Buttons::Ok:
        ok = box.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
        break;
    case Buttons::OkCancel:
        ok = box.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
        cancel = box.addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole);
        break;
    case Buttons::YesNo:
        yes = box.addButton(QStringLiteral("&Sí"), QMessageBox::YesRole);
        no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
        break;
    case Buttons::YesNoCancel:
        yes = box.addButton(QStringLiteral("&Sí"), QMessageBox::YesRole);
        no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
        cancel = box.addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole);
        break;
    }
    box.setDefaultButton(yes ? yes : ok);
    if (cancel)
        box.setEscapeButton(cancel);
    else if (no)
        box.setEscapeButton(no);
    box.exec();
    const auto *clicked = box.clickedButton();
    if (clicked && clicked == yes)
        return Answer::Yes;
    if (clicked && clicked == no)
        return Answer::No;
    if (clicked && clicked == ok)
        return Answer::Ok;
    if (buttons == Buttons::YesNo)
        return Answer::No;
    return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
}

std::optional<QString> QtPrompter::askText(const QString &title, const QString &prompt, const QString &initial)
{
    QInputDialog dialog(parentWidget());
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(initial);
    dialog.setOkButtonText(QStringLiteral("Aceptar"));
    dialog.setCancelButtonText(QStringLiteral("Cancelar"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

std::optional<QString> QtPrompter::askPassword(const QString &title, const QString &prompt)
{
    QInputDialog dialog(parentWidget());
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setOkButtonText(QStringLiteral("Aceptar"));
    dialog.setCancelButtonText(QStringLiteral("Cancelar"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

std::optional<int> QtPrompter::choose(const QString &title, const QString &prompt, const QStringList &options,
                                      int current)
{
    QInputDialog dialog(parentWidget());
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setComboBoxItems(options);
    dialog.setComboBoxEditable(false);
    if (current >= 0 && current < options.size())
        dialog.setTextValue(options[current]);
    dialog.setOkButtonText(QStringLiteral("Aceptar"));
    dialog.setCancelButtonText(QStringLiteral("Cancelar"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return static_cast<int>(options.indexOf(dialog.textValue()));
}

void QtPrompter::hint(const QString &title, const QString &text, Icon)
{
    QToolTip::showText(QCursor::pos(), QStringLiteral("<b>%1</b><br>%2").arg(title.toHtmlEscaped(), text.toHtmlEscaped()),
                       parentWidget(), {}, 5000);
}

QString FileDialogStart(const QString &requested)
{
    if (!requested.isEmpty()) {
        const QFileInfo info(requested);
        const QDir folder(info.isDir() ? info.absoluteFilePath() : info.absolutePath());
        if (folder.exists() && !folder.isRoot())
            return requested;
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir() && !QDir(documents).isRoot())
        return documents;
    if (!QDir::current().isRoot())
        return QDir::currentPath();
    return QDir::homePath();
}

QString QtPrompter::openFile(const FileRequest &request)
{
    QFileDialog dialog(parentWidget(), request.title, FileDialogStart(request.directory));
    dialog.setNameFilters(request.filters);
    dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString QtPrompter::saveFile(const FileRequest &request)
{
    QFileDialog dialog(parentWidget(), request.title, FileDialogStart(request.directory));
    dialog.setNameFilters(request.filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString QtPrompter::chooseDirectory(const QString &title, const QString &directory)
{
    return QFileDialog::getExistingDirectory(parentWidget(), title, FileDialogStart(directory));
}
