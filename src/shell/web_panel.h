#pragma once

#include "shell/browser_view.h"

#include <QWidget>

class QAction;
class QLineEdit;
class QPushButton;

// The web panel: a tool bar (back, forward, stop, reload, home, close), the address line and
// the browser "WebBrowser1", which is made only when the panel is first shown, so that a
// start without internet never loads it.
class WebPanel final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebPanel)

public:
    WebPanel(BrowserFactory factory, QWidget *parent = nullptr);

    // Makes the panel visible and shows the address in it.
    void showAddress(const QString &address);
    // Hides the panel and stops loading.
    void closePanel();
    // "Cerrar" is disabled for the first seconds of the run.
    void enableClose();

    BrowserView *browser() const { return m_browser; }

signals:
    // "Inicio": the owner shows its support page.
    void homeRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    BrowserView *ensureBrowser();
    void goToTypedAddress();

    BrowserFactory m_factory;
    BrowserView *m_browser = nullptr;
    QAction *m_close = nullptr;
    QLineEdit *m_address = nullptr;
    QPushButton *m_go = nullptr;
};
