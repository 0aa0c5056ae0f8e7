#pragma once

#include "shell/browser_view.h"

class QWebEngineView;

// The web panel's browser on Qt WebEngine (Chromium), part of the program only.
class WebEngineBrowser final : public BrowserView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebEngineBrowser)

public:
    explicit WebEngineBrowser(QWidget *parent = nullptr);

    void navigate(const QUrl &url) override;
    void back() override;
    void forward() override;
    void stop() override;
    void reload() override;

private:
    QWebEngineView *m_view = nullptr;
};

// The factory the program gives its main window.
BrowserView *MakeWebEngineBrowser(QWidget *parent);
