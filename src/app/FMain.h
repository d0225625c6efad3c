#pragma once

#include "app/CommandRunner.h"
#include "branding/BrandingProfile.h"
#include "platform/AppFolder.h"
#include "settings/ServerSettings.h"
#include "ui/LeftClick.h"

#include <QByteArrayList>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QStatusBar;
class QTimer;
class QToolButton;

namespace vo {

class LinkLabel;
class ProductArea;
class SafeHtmlView;
struct BannerPicture;
class TIdHTTP;
class TMessageBox;

// The main window. Its handlers are glue: they read the widgets, call the operations of the
// subsystems and show the outcome through msgMain.
class TfrmMain : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmMain(const AppFolder &folder, QWidget *parent = nullptr);
    ~TfrmMain() override;

    const AppFolder &appFolder() const { return folder_; }
    const BrandingProfile &brandingProfile() const { return profile_; }
    const ServerSettings &serverSettings() const { return settings_; }
    const QByteArrayList &newsList() const { return NewsList; }
    // The publisher's update site; tests put their own in its place before the window starts.
    void setUpdateBaseUrl(const QByteArray &url) { updateBaseUrl_ = url; }
    TIdHTTP &http() const { return *IdHTTP1; }

    bool FillProductList(const QByteArray &reply);

    void LoadServerSettings();
    void SaveServerSettings();

Q_SIGNALS:
    // Announced as each leg of the start-up sequence begins ("news", "updates", "server",
    // "products"), so the order can be observed from outside.
    void startupLegStarted(const QString &leg);

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildWelcomePage(QWidget *pages);
    QWidget *buildMainPage(QWidget *pages);
    QWidget *buildToolbar(QWidget *page);
    QWidget *buildBanner(QWidget *page);
    QWidget *buildLinks(QWidget *page);
    QStatusBar *buildStatusBar(QWidget *page);

    void FormCreate();
    void FormShow();
    void FormResize();
    void FormClose();
    void bsSkinButton1Click();
    void Timer1Timer();
    // Start-up legs, each a request of a command that the command runner runs.
    void StartupNewsCheck();
    void CheckForUpdates(bool silent);
    void btnSimpleClick();
    void LoadBranding();
    void showBanner(const BannerPicture &banner);
    void bannerClick();
    bool bannerMouse(QObject *watched, QEvent *event);
    void placeOnScreen();
    void btnMakeMoneyClick();
    void btnHelpClick();
    void btnAboutClick();
    void btnNewsClick();
    void btnUpdateClick();
    void SaveLastNewsId(const QByteArray &newsId);

    AppFolder folder_;
    BrandingProfile profile_;
    ServerSettings settings_;
    QByteArrayList NewsList;
    QByteArray updateBaseUrl_;
    bool shown_ = false;
    bool closing_ = false;
    LeftClick bannerPress_;

    TIdHTTP *IdHTTP1 = nullptr;
    // Every command that talks to the network runs through it.
    CommandRunner commands_;
    TMessageBox *msgMain = nullptr;
    QTimer *Timer1 = nullptr;

    QStackedWidget *pgcPrinc = nullptr;
    QWidget *stsWelcome = nullptr;
    QWidget *stsMain = nullptr;
    SafeHtmlView *prfWelcome = nullptr;
    QPushButton *bsSkinButton1 = nullptr;
    QWidget *panBanner = nullptr;
    QLabel *imgBanner = nullptr;
    QLabel *gifBanner = nullptr;
    QPushButton *btnMakeMoney = nullptr;
    QToolButton *btnNews = nullptr;
    ProductArea *bsSkinPanel1 = nullptr;
    QWidget *panLinks = nullptr;
    LinkLabel *lblLink1URL = nullptr;
    LinkLabel *lblLink2URL = nullptr;
    QLabel *MainStatusPanel = nullptr;
    QProgressBar *MainGauge = nullptr;
};

} // namespace vo
