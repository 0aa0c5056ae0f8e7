#pragma once

#include "core/session.h"
#include "shell/browser_view.h"
#include "shell/support_links.h"
#include "store/app_context.h"
#include "store/data_store.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class BackgroundArea;
class PendingSender;
class Prompter;
class QAction;
class QLabel;
class QTimer;
class WebPanel;

// What the main window is given by the program, and by tests in its place.
struct MenuOptions
{
    QString programDir;   // the current folder at start
    QString settingsPath; // the settings file
    Prompter *prompter = nullptr;                      // null: the window's own Qt dialogs
    std::function<bool()> isOnline;                    // null: the operating system's answer
    BrowserFactory browserFactory;                     // null: the web panel shows no pages
    std::function<bool(const QUrl &)> openExternally;  // null: the user's default programs
    QString connectionPrefix;                          // database connection names (tests)
    QStringList startNotices;                          // told once the window shows
};

// The main window: menus, navigation panel, web panel and footer links. It owns the session
// values, the databases and the prompter, and hands every window the AppContext over them.
class TFormMenu final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormMenu)

public:
    // The creation step: connects the main databases and opens the working tables (a failure
    // is shown in the standard error dialog and the window is made all the same), and
    // chooses the background image.
    explicit TFormMenu(MenuOptions options, QWidget *parent = nullptr);
    ~TFormMenu() override;

    AppContext &context() { return m_context; }
    PendingSender &verifactuSender() { return *m_verifactu; }
    const Session &session() const { return m_session; }
    const QString &backgroundImage() const { return m_backgroundImage; }
    bool isOnline() const { return m_online; }

    // The show step, run once soon after the window is first shown: the active region from
    // the settings, the company data window when no region is set (and the end of the
    // program when there is still none), the region's module, the support page when online.
    void runShowStep();
    bool showStepDone() const { return m_showStepDone; }

    // A later start of the program asked this one to come to the front.
    void bringToFront();

signals:
    // The program should end (closed, or not configured).
    void quitRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QAction *makeAction(const char *name, const QString &text, std::function<void()> run);
    void buildActions();
    void buildMenus();
    QWidget *buildNavigation();
    QWidget *buildVerifactuBar();
    QWidget *buildFooter();
    void buildRegionLists();
    void startVerifactuSender();
    void placeOnScreen();

    void showStepBody();
    void takeStartRegion();
    void showSupportPage();
    void showManual(const QString &address);
    void showFooterSupport();
    bool openExternally(const QUrl &url);
    QAction *action(const char *name) const;

    MenuOptions m_options;
    std::unique_ptr<Prompter> m_ownPrompter;
    Prompter &m_prompter;
    Session m_session;
    DataStore m_store;
    AppContext m_context;
    SupportSettings m_support;
    QString m_fileVersion;
    QString m_supportPage; // the support page as built at start, for the footer links
    QString m_backgroundImage;
    BackgroundArea *m_background = nullptr;
    WebPanel *m_web = nullptr;
    QTimer *m_closeTimer = nullptr;
    PendingSender *m_verifactu = nullptr;
    QLabel *m_pendingLabel = nullptr;
    QLabel *m_verifactuNotice = nullptr;
    bool m_online = false;
    bool m_showStepQueued = false;
    bool m_showStepStarted = false;
    bool m_showStepDone = false;
};
