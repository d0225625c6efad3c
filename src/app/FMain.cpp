#include "app/FMain.h"

#include "app/FAbout.h"
#include "app/ProductArea.h"
#include "branding/BrandingLoader.h"
#include "net/IdHTTP.h"
#include "news/FNews.h"
#include "news/NewsHint.h"
#include "news/NewsMarker.h"
#include "news/NewsService.h"
#include "platform/AnsiText.h"
#include "platform/AppError.h"
#include "platform/Browser.h"
#include "settings/FSettings.h"
#include "settings/SettingsStore.h"
#include "ui/DialogParts.h"
#include "ui/ErrorReporter.h"
#include "ui/LinkLabel.h"
#include "ui/LoopingMovie.h"
#include "ui/MessageBox.h"
#include "ui/SafeHtmlView.h"
#include "ui/Skin.h"
#include "ui/WindowPlacement.h"
#include "update/UpdateCheck.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace vo {

namespace {

constexpr int kStartupDelayMs = 100;
constexpr QSize kClientSize(855, 586);
// Each half is truncated before the subtraction: a strip 65 high and a picture 21 high give 32 - 10.
QPoint centredIn(const QSize &strip, const QSize &control)
{
    return {strip.width() / 2 - control.width() / 2, strip.height() / 2 - control.height() / 2};
}

} // namespace

TfrmMain::TfrmMain(const AppFolder &folder, QWidget *parent)
    : QWidget(parent)
    , folder_(folder)
    , updateBaseUrl_(UpdateBaseURL)
    , IdHTTP1(makeNamed<TIdHTTP>("IdHTTP1", this))
    , commands_(*IdHTTP1, closing_)
{
    setObjectName(QStringLiteral("TfrmMain"));
    announcePlainWindowsAsFrames();
    setWindowTitle(QStringLiteral("Vantrel Oskel"));
    setAccessibleName(windowTitle());

    msgMain = makeNamed<TMessageBox>("msgMain", this);
    Timer1 = makeNamed<QTimer>("Timer1", this);
    Timer1->setInterval(kStartupDelayMs);
    connect(Timer1, &QTimer::timeout, this, [this] { runGuarded([this] { Timer1Timer(); }); });

    pgcPrinc = makeNamed<QStackedWidget>("pgcPrinc", this);
    stsWelcome = buildWelcomePage(pgcPrinc);
    stsMain = buildMainPage(pgcPrinc);
    pgcPrinc->addWidget(stsWelcome);
    pgcPrinc->addWidget(stsMain);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pgcPrinc);

    runGuarded([this] { FormCreate(); });
    // After the branding: its banner and captions take part in the window's minimum size.
    placeOnScreen();
}

void TfrmMain::placeOnScreen()
{
    layout()->activate();
    const QScreen *shownOn = screen();
    if (!shownOn) {
        resize(kClientSize);
        return;
    }
    const QRect client = placeWindow(kClientSize, minimumSize(), kFrameAllowance, shownOn->availableGeometry());
    resize(client.size());
    move(client.topLeft() - QPoint(kFrameAllowance.left(), kFrameAllowance.top()));
}

TfrmMain::~TfrmMain() = default;
void TfrmMain::FormCreate()
{
    gifBanner->setGeometry(imgBanner->geometry());
    LoadBranding();
    if (profile_.WelcomePage.isEmpty())
        Timer1->start();
    NewsList.clear();
    LoadServerSettings();
}

void TfrmMain::LoadBranding()
{
    SystemRandom random;
    BrandingResult branding = LoadBrandingFile(folder_, random);
    // Whatever could not be loaded is told once; the window is usable all the same.
    for (const QString &problem : std::as_const(branding.problems))
        msgMain->warning(problem);
    if (!branding.applied)
        return;

    profile_ = branding.profile;
    setWindowTitle(ansi::toUnicode(branding.caption));
    setAccessibleName(windowTitle());
    btnNews->setVisible(branding.newsButtonVisible);
    btnMakeMoney->setText(ansi::toUnicode(branding.makeMoneyCaption));
    showBanner(branding.banner);
    panLinks->setVisible(branding.linksVisible);
    lblLink1URL->setLink(profile_.Link1Caption, profile_.Link1URL);
    lblLink2URL->setLink(profile_.Link2Caption, profile_.Link2URL);
    if (branding.skinStyleSheet)
        skin::apply(*branding.skinStyleSheet);
    if (branding.icon) {
        QApplication::setWindowIcon(*branding.icon);
        setWindowIcon(*branding.icon);
    }
}

void TfrmMain::showBanner(const BannerPicture &banner)
{
    if (!profile_.BannerURL.isEmpty()) {
        imgBanner->setCursor(Qt::PointingHandCursor);
        gifBanner->setCursor(Qt::PointingHandCursor);
    }
    QLabel *shown = nullptr;
    switch (banner.kind) {
    case BannerPicture::Kind::None:
        panBanner->hide();
        return;
    case BannerPicture::Kind::Still:
        imgBanner->setPixmap(QPixmap::fromImage(banner.still));
        shown = imgBanner;
        break;
    case BannerPicture::Kind::Animated: {
        auto *movie = new LoopingMovie(banner.animation, gifBanner);
        gifBanner->setMovie(movie);
        movie->start();
        shown = gifBanner;
        break;
    }
    }
    imgBanner->setVisible(shown == imgBanner);
    gifBanner->setVisible(shown == gifBanner);
    // Only a picture is announced; an empty banner label is not read out.
    shown->setAccessibleName(QStringLiteral("Banner"));
    shown->resize(banner.size);
    panBanner->setFixedHeight(banner.size.height() + 10);
}

void TfrmMain::bannerClick()
{
    if (!profile_.BannerURL.isEmpty())
        OpenURL(profile_.BannerURL);
}

void TfrmMain::btnMakeMoneyClick()
{
    OpenURL(profile_.AffiliateURL);
}

void TfrmMain::btnHelpClick()
{
    OpenURL(profile_.AppHelpURL);
}

void TfrmMain::btnAboutClick()
{
    TfrmAbout dialog(profile_, this);
    dialog.exec();
}

void TfrmMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    runGuarded([this] { FormShow(); });
}

void TfrmMain::FormShow()
{
    // Every page is laid out once before the first one is shown.
    for (int i = 0; i < pgcPrinc->count(); ++i) {
        pgcPrinc->setCurrentIndex(i);
        QCoreApplication::processEvents();
    }
    pgcPrinc->setCurrentIndex(0);
    if (!profile_.WelcomePage.isEmpty()) {
        prfWelcome->showHtml(ansi::toUnicode(profile_.WelcomePage));
        pgcPrinc->setCurrentWidget(stsWelcome);
    } else if (stsWelcome) {
        pgcPrinc->removeWidget(stsWelcome);
        stsWelcome->deleteLater();
        stsWelcome = nullptr;
        prfWelcome = nullptr;
        bsSkinButton1 = nullptr;
    }
    pgcPrinc->setCurrentIndex(0);
    FormResize();
}

void TfrmMain::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == panBanner && event->type() == QEvent::Resize)
        FormResize();
    if ((watched == imgBanner || watched == gifBanner) && bannerMouse(watched, event))
        return true;
    return QWidget::eventFilter(watched, event);
}

bool TfrmMain::bannerMouse(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        bannerPress_.press(*static_cast<QMouseEvent *>(event));
    } else if (event->type() == QEvent::MouseButtonRelease) {
        if (bannerPress_.release(*static_cast<QMouseEvent *>(event), static_cast<QWidget *>(watched)->rect()))
            runGuarded([this] { bannerClick(); });
    }
    return false;
}

void TfrmMain::FormResize()
{
    for (QLabel *banner : {imgBanner, gifBanner})
        banner->move(centredIn(panBanner->size(), banner->size()));
}

void TfrmMain::bsSkinButton1Click()
{
    pgcPrinc->setCurrentWidget(stsMain);
    if (!profile_.WelcomePage.isEmpty())
        Timer1->start();
}

void TfrmMain::Timer1Timer()
{
    Timer1->stop();
    // No request may wait without limit, news and update legs included.
    IdHTTP1->setReadTimeout(SiteActions::kReadTimeoutMs);

    // Each leg may wait on the network while the window goes on; once it has begun to close,
    // no further request is started.
    commands_.sequence([this] {
        Q_EMIT startupLegStarted(QStringLiteral("news"));
        StartupNewsCheck();
        Q_EMIT startupLegStarted(QStringLiteral("updates"));
        try {
            CheckForUpdates(true);
        } catch (const AppError &) {
            // The start-up sequence is quiet: a description that cannot be stored only means
            // no offer this time, and the site is still asked.
        }
        Q_EMIT startupLegStarted(QStringLiteral("server"));
        bsSkinPanel1->CheckServerAndLoad([this] { Q_EMIT startupLegStarted(QStringLiteral("products")); });
    });
}

bool TfrmMain::FillProductList(const QByteArray &reply)
{
    return bsSkinPanel1->FillProductList(reply);
}

void TfrmMain::StartupNewsCheck()
{
    NewsService service(*IdHTTP1, *msgMain, profile_);
    const std::optional<QByteArray> hint =
        commands_.request([&] { return vo::StartupNewsCheck(service, profile_, NewsMarker(folder_)); });
    if (hint)
        ShowNewsHint(*btnNews, *hint);
}

void TfrmMain::CheckForUpdates(bool silent)
{
    // Accepting an update hands over to the updater, which needs the program gone; closing
    // within the request ends whatever would have followed it.
    commands_.request([&] {
        const UpdateOutcome outcome = vo::CheckForUpdates(*IdHTTP1, *msgMain, folder_, silent, updateBaseUrl_);
        if (outcome == UpdateOutcome::UpdaterStarted)
            close();
        return outcome;
    });
}

void TfrmMain::btnUpdateClick()
{
    commands_.run([this] { CheckForUpdates(false); });
}

void TfrmMain::btnNewsClick()
{
    commands_.run([this] {
        NewsService service(*IdHTTP1, *msgMain, profile_);
        if (!commands_.request([&] { return service.FetchNewsForButton(NewsList); }))
            return;
        TfrmNews dialog(profile_, NewsList, *IdHTTP1, *msgMain,
                        [this](const QByteArray &newsId) { SaveLastNewsId(newsId); }, this);
        dialog.exec();
    });
}

void TfrmMain::SaveLastNewsId(const QByteArray &newsId)
{
    NewsMarker(folder_).SaveLastNewsId(newsId);
}

void TfrmMain::LoadServerSettings()
{
    vo::LoadServerSettings(folder_, settings_);
}

void TfrmMain::SaveServerSettings()
{
    vo::SaveServerSettings(folder_, settings_);
}

void TfrmMain::btnSimpleClick()
{
    // The settings may not change under a request that waits: it keeps the site it began with.
    commands_.run([this] {
        TfrmSettings dialog(settings_, this);
        if (dialog.exec() == QDialog::Accepted)
            SaveServerSettings();
    });
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    runGuarded([this] { FormClose(); });
    event->accept();
}

void TfrmMain::FormClose()
{
    closing_ = true;
    Timer1->stop();
    msgMain->silence();
    try {
        IdHTTP1->Disconnect();
    } catch (...) {
        // Closing always completes, whatever the connection does.
    }
    QCoreApplication::processEvents();
}

} // namespace vo
