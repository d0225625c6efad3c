#pragma once

#include "branding/BrandingProfile.h"
#include "platform/AppFolder.h"
#include "products/ProductRecord.h"
#include "products/SiteActions.h"
#include "settings/ServerSettings.h"
#include "ui/LeftClick.h"

#include <QByteArrayList>
#include <QWidget>

#include <optional>
#include <vector>

class QKeyEvent;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QStatusBar;
class QTableView;
class QTimer;
class QToolButton;

namespace vo {

class LinkLabel;
class ProductListModel;
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

    // Start-up legs; each reports its outcome as its result, never as a message.
    void StartupNewsCheck();
    void CheckForUpdates(bool silent);
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
    QWidget *buildProductArea(QWidget *page);
    QWidget *buildLinks(QWidget *page);
    QStatusBar *buildStatusBar(QWidget *page);

    void FormCreate();
    void FormShow();
    void FormResize();
    void FormClose();
    void bsSkinButton1Click();
    void Timer1Timer();
    void btnSimpleClick();
    void LoadBranding();
    void showBanner(const BannerPicture &banner);
    void bannerClick();
    bool bannerMouse(QObject *watched, QEvent *event);
    bool listKeyPressed(const QKeyEvent &event);
    void placeOnScreen();
    void btnMakeMoneyClick();
    void btnHelpClick();
    void btnAboutClick();
    void btnNewsClick();
    void btnUpdateClick();
    void SaveLastNewsId(const QByteArray &newsId);

    void btnSelectAllClick();
    void btnClearAllClick();
    void btnRefreshClick();
    void btnDeleteClick();
    void btnDeleteAllClick();
    void btnAddClick();
    void btnEditClick();
    void bsSkinButton2Click();

    // The requests of one command; it keeps the site URL of the moment it is made.
    SiteActions actions();
    bool RefreshProducts(SiteActions &site);
    // The client serves one request at a time: a command that needs the network, or could
    // change the site under one, is refused with a beep while one waits and sends nothing.
    bool refuseWhileBusy() const;
    std::vector<int> selectedRows() const;
    struct SelectedProduct
    {
        QByteArray key;
        // Empty when the site's row does not split into its six fields.
        std::optional<ProductRecord> product;
        // False when reading the reply cut bytes out of the stored values.
        bool whole = true;
    };
    // Asks the site for the one selected product; nothing when the selection is not exactly
    // one row (the seller is told) or the site did not send it.
    std::optional<SelectedProduct> requestSelectedProduct(SiteActions &site);
    void deleteProducts(SiteActions &site, const QByteArray &keys);
    void showDeleteCount();
    void connectCommand(const char *buttonName, void (TfrmMain::*handler)());

    AppFolder folder_;
    BrandingProfile profile_;
    ServerSettings settings_;
    QByteArrayList NewsList;
    QByteArray updateBaseUrl_;
    bool shown_ = false;
    bool closing_ = false;
    LeftClick bannerPress_;

    TIdHTTP *IdHTTP1 = nullptr;
    TMessageBox *msgMain = nullptr;
    QTimer *Timer1 = nullptr;
    ProductListModel *products_ = nullptr;

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
    QTableView *lvwProducts = nullptr;
    QLabel *lblTotal = nullptr;
    QWidget *panLinks = nullptr;
    LinkLabel *lblLink1URL = nullptr;
    LinkLabel *lblLink2URL = nullptr;
    QLabel *MainStatusPanel = nullptr;
    QProgressBar *MainGauge = nullptr;
};

} // namespace vo
