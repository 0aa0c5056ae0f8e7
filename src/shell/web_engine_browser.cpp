#include "shell/web_engine_browser.h"

#include <QVBoxLayout>
#include <QWebEngineSettings>
#include <QWebEngineView>

WebEngineBrowser::WebEngineBrowser(QWidget *parent)
    : BrowserView(parent)
    , m_view(new QWebEngineView(this))
{
    // The manual is a PDF document, shown by the browser's own viewer.
    m_view->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, true);
    m_view->settings()->setAttribute(QWebEngineSettings::PdfViewerEnabled, true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    connect(m_view, &QWebEngineView::urlChanged, this, &BrowserView::addressChanged);
}

void WebEngineBrowser::navigate(const QUrl &url)
{
    m_view->setUrl(url);
}

void WebEngineBrowser::back()
{
    m_view->back();
}

void WebEngineBrowser::forward()
{
    m_view->forward();
}

void WebEngineBrowser::stop()
{
    m_view->stop();
}

void WebEngineBrowser::reload()
{
    m_view->reload();
}

BrowserView *MakeWebEngineBrowser(QWidget *parent)
{
    return new WebEngineBrowser(parent);
}
