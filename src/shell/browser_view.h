#pragma once

#include <QUrl>
#include <QWidget>

#include <functional>

// The browser of the web panel. The program's own is built on Qt WebEngine and linked only
// into the program itself; tests give one that records what it is asked to show.
class BrowserView : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

    virtual void navigate(const QUrl &url) = 0;
    virtual void back() = 0;
    virtual void forward() = 0;
    virtual void stop() = 0;
    virtual void reload() = 0;

signals:
    // The page shown now (after a link, a redirection, back or forward).
    void addressChanged(const QUrl &url);
};

// Makes the browser inside its parent; called once, when the web panel is first shown.
using BrowserFactory = std::function<BrowserView *(QWidget *parent)>;
