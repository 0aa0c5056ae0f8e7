#include "widgets/application.h"

#include "core/errors.h"
#include "core/translations.h"
#include "widgets/qt_prompter.h"

#include <QDebug>

CuantixApplication::CuantixApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Cuantix"));
    setApplicationDisplayName(QStringLiteral("Cuantix"));
    LoadQtSpanishTranslations(*this);
}

bool CuantixApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        QtPrompter fallback;
        ReportCurrentException(m_errorPrompter ? *m_errorPrompter : fallback);
        return false;
    }
}

void ShowStandardError(Prompter &prompter, const QString &message)
{
    QString text = message;
    if (!text.isEmpty() && text.back().isLetterOrNumber())
        text += QLatin1Char('.');
    prompter.message(text, Prompter::Icon::Error, Prompter::Buttons::Ok, QStringLiteral("Cuantix"));
}

void ReportCurrentException(Prompter &prompter)
{
    try {
        throw;
    } catch (const AppError &e) {
        if (!e.detail().isEmpty())
            qWarning().noquote() << e.message() << "--" << e.detail();
        ShowStandardError(prompter, e.message());
    } catch (const std::exception &e) {
        qWarning().noquote() << "exception:" << e.what();
        ShowStandardError(prompter, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowStandardError(prompter, QStringLiteral("Error inesperado"));
    }
}
