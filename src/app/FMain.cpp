#include "app/FMain.h"

#include "app/FAbout.h"
#include "branding/BrandingLoader.h"
#include "net/IdHTTP.h"
#include "platform/Browser.h"
#include "platform/AnsiText.h"
#include "products/FGetURLs.h"
#include "products/FProduct.h"
#include "products/ProductListModel.h"
#include "products/ProductRows.h"
#include "settings/FSettings.h"
#include "settings/SettingsStore.h"
#include "ui/Accessibility.h"
#include "ui/ErrorReporter.h"
#include "ui/LinkLabel.h"
#include "ui/LoopingMovie.h"
#include "ui/MessageBox.h"
#include "ui/Skin.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace vo {

namespace {

constexpr int kActionsReadTimeout = 60000;
constexpr int kStartupDelayMs = 100;

template <typename Widget, typename... Args>
Widget *make(const char *objectName, Args &&...args)
{
    auto *widget = new Widget(std::forward<Args>(args)...);
    widget->setObjectName(QString::fromLatin1(objectName));
    return widget;
}

QFrame *makePanel(const char *objectName, int fixedHeight = -1)
{
    auto *panel = make<QFrame>(objectName);
    if (fixedHeight > 0)
        panel->setFixedHeight(fixedHeight);
    return panel;
}

QPushButton *makeToolbarButton(const char *objectName, const char *caption)
{
    auto *button = make<QPushButton>(objectName, QString::fromLatin1(caption));
    button->setFixedSize(99, 20);
    button->setAutoDefault(false);
    return button;
}

QToolButton *makeToolButton(const char *objectName, const char *hint, QStyle::StandardPixmap icon)
{
    auto *button = make<QToolButton>(objectName);
    button->setFixedSize(41, 34);
    button->setToolTip(QString::fromLatin1(hint));
    button->setIcon(QApplication::style()->standardIcon(icon));
    button->setIconSize(QSize(24, 24));
    button->setAutoRaise(true);
    nameByHint(button);
    return button;
}

// Each half is truncated before the subtraction: a strip 65 high and a picture 21 high give 32 - 10.
QPoint centredIn(const QSize &strip, const QSize &control)
{
    return {strip.width() / 2 - control.width() / 2, strip.height() / 2 - control.height() / 2};
}

} // namespace

TfrmMain::TfrmMain(const AppFolder &folder, QWidget *parent)
    : QWidget(parent), folder_(folder)
{
    setObjectName(QStringLiteral("TfrmMain"));
    setWindowTitle(QStringLiteral("Vantrel Oskel"));
    setAccessibleName(windowTitle());

    IdHTTP1 = make<TIdHTTP>("IdHTTP1", this);
    msgMain = make<TMessageBox>("msgMain", this);
    Timer1 = make<QTimer>("Timer1", this);
    Timer1->setInterval(kStartupDelayMs);
    connect(Timer1, &QTimer::timeout, this, [this] { runGuarded([this] { Timer1Timer(); }); });

    pgcPrinc = make<QStackedWidget>("pgcPrinc");
    stsWelcome = buildWelcomePage();
    stsMain = buildMainPage();
    pgcPrinc->addWidget(stsWelcome);
    pgcPrinc->addWidget(stsMain);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pgcPrinc);

    connectCommand("btnSelectAll", &TfrmMain::btnSelectAllClick);
    connectCommand("btnClearAll", &TfrmMain::btnClearAllClick);
    connectCommand("btnAdd", &TfrmMain::btnAddClick);
    connectCommand("btnEdit", &TfrmMain::btnEditClick);
    connectCommand("btnDelete", &TfrmMain::btnDeleteClick);
    connectCommand("btnDeleteAll", &TfrmMain::btnDeleteAllClick);
    connectCommand("bsSkinButton2", &TfrmMain::bsSkinButton2Click);
    connectCommand("btnRefresh", &TfrmMain::btnRefreshClick);

    resize(855, 586);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    runGuarded([this] { FormCreate(); });
}

TfrmMain::~TfrmMain() = default;

QWidget *TfrmMain::buildWelcomePage()
{
    auto *page = make<QWidget>("stsWelcome");
    prfWelcome = make<QTextBrowser>("prfWelcome");
    prfWelcome->setReadOnly(true);
    prfWelcome->setOpenLinks(false);
    prfWelcome->setAccessibleName(QStringLiteral("Welcome"));

    auto *strip = makePanel("bsSkinPanel14", 39);
    bsSkinButton1 = make<QPushButton>("bsSkinButton1", QStringLiteral("Thanks, just show me the main application"));
    bsSkinButton1->setDefault(true);
    connect(bsSkinButton1, &QPushButton::clicked, this, [this] { runGuarded([this] { bsSkinButton1Click(); }); });
    auto *stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(8, 4, 8, 4);
    stripLayout->addStretch();
    stripLayout->addWidget(bsSkinButton1);
    stripLayout->addStretch();

    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(prfWelcome, 1);
    layout->addWidget(strip);
    return page;
}

QWidget *TfrmMain::buildMainPage()
{
    auto *page = make<QWidget>("stsMain");
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildToolbar());
    layout->addWidget(buildBanner());
    layout->addWidget(buildProductArea(), 1);
    layout->addWidget(buildLinks());
    layout->addWidget(buildStatusBar());
    return page;
}

QWidget *TfrmMain::buildToolbar()
{
    auto *toolbar = makePanel("bsSkinPanel4", 43);
    auto *btnSimple = makeToolbarButton("btnSimple", "Settings");
    btnMakeMoney = makeToolbarButton("btnMakeMoney", "Make Money");
    auto *btnAbout = makeToolbarButton("btnAbout", "About");
    btnNews = makeToolButton("btnNews", "Check News", QStyle::SP_MessageBoxInformation);
    auto *btnUpdates = makeToolButton("bsSkinSpeedButton1", "Check Updates", QStyle::SP_BrowserReload);
    auto *btnHelp = makeToolButton("bsSkinSpeedButton2", "Help", QStyle::SP_DialogHelpButton);

    connect(btnSimple, &QPushButton::clicked, this, [this] { runGuarded([this] { btnSimpleClick(); }); });
    connect(btnMakeMoney, &QPushButton::clicked, this, [this] { runGuarded([this] { btnMakeMoneyClick(); }); });
    connect(btnAbout, &QPushButton::clicked, this, [this] { runGuarded([this] { btnAboutClick(); }); });
    connect(btnHelp, &QToolButton::clicked, this, [this] { runGuarded([this] { btnHelpClick(); }); });
    connect(btnUpdates, &QToolButton::clicked, this, [this] { runGuarded([this] { CheckForUpdates(false); }); });

    auto *layout = new QHBoxLayout(toolbar);
    layout->setContentsMargins(8, 0, 4, 0);
    layout->setSpacing(6);
    layout->addWidget(btnSimple);
    layout->addWidget(btnMakeMoney);
    layout->addWidget(btnAbout);
    layout->addStretch();
    layout->addWidget(btnNews);
    layout->addWidget(btnUpdates);
    layout->addWidget(btnHelp);
    return toolbar;
}

QWidget *TfrmMain::buildBanner()
{
    panBanner = makePanel("panBanner", 65);
    imgBanner = make<QLabel>("imgBanner", panBanner);
    imgBanner->setGeometry(0, 0, 468, 60);
    imgBanner->setAccessibleName(QStringLiteral("Banner"));
    gifBanner = make<QLabel>("gifBanner", panBanner);
    gifBanner->setAccessibleName(QStringLiteral("Banner"));
    gifBanner->hide();
    imgBanner->installEventFilter(this);
    gifBanner->installEventFilter(this);
    // The strip has no layout: its pictures are centred by hand on every resize.
    panBanner->installEventFilter(this);
    return panBanner;
}

QWidget *TfrmMain::buildProductArea()
{
    auto *area = makePanel("bsSkinPanel1");

    auto *note = makePanel("bsSkinPanel6", 45);
    auto *noteText = make<QLabel>("bsSkinStdLabel3", QStringLiteral(
        "Manage your products and match with your existing folders in your server. Put your archives to "
        "download packed as zip files inside this folders. If you do a chage in the product name it will "
        "change your unique Product Code and you must update your paypal buttons."));
    noteText->setWordWrap(true);
    auto *noteLayout = new QHBoxLayout(note);
    noteLayout->setContentsMargins(8, 2, 8, 2);
    noteLayout->addWidget(noteText);

    products_ = new ProductListModel(this);
    lvwProducts = make<QTableView>("lvwProducts");
    lvwProducts->setModel(products_);
    lvwProducts->setAccessibleName(QStringLiteral("Products"));
    lvwProducts->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwProducts->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvwProducts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwProducts->setShowGrid(true);
    lvwProducts->setWordWrap(false);
    lvwProducts->verticalHeader()->hide();
    lvwProducts->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lvwProducts->verticalHeader()->setDefaultSectionSize(20);
    lvwProducts->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lvwProducts->horizontalHeader()->setHighlightSections(false);
    QFont listFont(QStringLiteral("Verdana"));
    listFont.setPointSize(8);
    lvwProducts->setFont(listFont);
    for (int column = 0; column < ProductListModel::ColumnCount; ++column)
        lvwProducts->setColumnWidth(column, ProductListModel::kColumnWidths[column]);

    auto *buttons = makePanel("bsSkinPanel8", 44);
    auto *buttonLayout = new QHBoxLayout(buttons);
    buttonLayout->setContentsMargins(0, 0, 0, 0);
    buttonLayout->setSpacing(6);
    const std::pair<const char *, const char *> commands[] = {
        {"btnSelectAll", "Select All"}, {"btnClearAll", "Clear Selection"}, {"btnAdd", "Add "},
        {"btnEdit", "Edit"}, {"btnDelete", "Delete"}, {"btnDeleteAll", "Delete All"},
        {"bsSkinButton2", "Get Thanks Page URL"}, {"btnRefresh", "Refresh"},
    };
    for (const auto &[name, caption] : commands) {
        auto *button = make<QPushButton>(name, QString::fromLatin1(caption));
        button->setAutoDefault(false);
        // The strip may never hold the window wider than its 855 pixels.
        button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        button->setMinimumWidth(40);
        buttonLayout->addWidget(button);
    }
    buttonLayout->addStretch();
    lblTotal = make<QLabel>("lblTotal", QStringLiteral("Total: 0 products"));
    lblTotal->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    buttonLayout->addWidget(lblTotal);

    lvwProducts->horizontalHeader()->setSortIndicator(ProductListModel::NameColumn, Qt::AscendingOrder);
    lvwProducts->setSortingEnabled(true);

    auto *layout = new QVBoxLayout(area);
    layout->setContentsMargins(8, 8, 8, 0);
    layout->setSpacing(6);
    layout->addWidget(note);
    layout->addWidget(lvwProducts, 1);
    layout->addWidget(buttons);
    return area;
}

QWidget *TfrmMain::buildLinks()
{
    panLinks = makePanel("panLinks", 36);
    // The design state, shown until a branding file says otherwise.
    const auto makeLink = [](const char *name) {
        auto *label = make<LinkLabel>(name);
        label->setLink("Google", "http://www.google.com/");
        return label;
    };
    lblLink1URL = makeLink("lblLink1URL");
    lblLink2URL = makeLink("lblLink2URL");
    lblLink2URL->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto *layout = new QHBoxLayout(panLinks);
    layout->setContentsMargins(8, 0, 8, 0);
    layout->addWidget(lblLink1URL);
    layout->addStretch();
    layout->addWidget(lblLink2URL);
    return panLinks;
}

QStatusBar *TfrmMain::buildStatusBar()
{
    auto *bar = make<QStatusBar>("bsSkinStatusBar1");
    bar->setFixedHeight(17);
    bar->setSizeGripEnabled(false);
    MainStatusPanel = make<QLabel>("MainStatusPanel");
    MainStatusPanel->setAccessibleName(QStringLiteral("Status"));
    MainGauge = make<QProgressBar>("MainGauge");
    MainGauge->setFixedWidth(130);
    MainGauge->setRange(0, 100);
    MainGauge->setValue(0);
    MainGauge->setFormat(QStringLiteral("%p%"));
    MainGauge->setTextVisible(true);
    MainGauge->setAccessibleName(QStringLiteral("Progress"));
    bar->addWidget(MainStatusPanel, 1);
    bar->addPermanentWidget(MainGauge);
    return bar;
}

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
        prfWelcome->setHtml(ansi::toUnicode(profile_.WelcomePage));
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
    if ((watched == imgBanner || watched == gifBanner) && event->type() == QEvent::MouseButtonRelease)
        runGuarded([this] { bannerClick(); });
    return QWidget::eventFilter(watched, event);
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
    IdHTTP1->setReadTimeout(kActionsReadTimeout);

    // Each leg may wait on the network while the window goes on; once it has begun to close,
    // no further request is started.
    if (closing_)
        return;
    Q_EMIT startupLegStarted(QStringLiteral("news"));
    StartupNewsCheck();
    if (closing_)
        return;
    Q_EMIT startupLegStarted(QStringLiteral("updates"));
    CheckForUpdates(true);
    if (closing_)
        return;
    Q_EMIT startupLegStarted(QStringLiteral("server"));
    if (!CheckServer() || closing_)
        return;
    Q_EMIT startupLegStarted(QStringLiteral("products"));
    RefreshProducts();
}

void TfrmMain::StartupNewsCheck()
{
}

void TfrmMain::CheckForUpdates(bool silent)
{
    Q_UNUSED(silent);
}

void TfrmMain::connectCommand(const char *buttonName, void (TfrmMain::*handler)())
{
    auto *button = findChild<QPushButton *>(QString::fromLatin1(buttonName));
    connect(button, &QPushButton::clicked, this, [this, handler] { runGuarded([this, handler] { (this->*handler)(); }); });
}

SiteActions TfrmMain::actions()
{
    return SiteActions(*IdHTTP1, settings_);
}

bool TfrmMain::refuseWhileBusy() const
{
    if (!IdHTTP1->busy())
        return false;
    QApplication::beep();
    return true;
}

bool TfrmMain::CheckServer()
{
    return actions().CheckServer();
}

bool TfrmMain::RefreshProducts()
{
    MainStatusPanel->setText(QStringLiteral("Getting data..."));
    const QByteArray reply = actions().RequestList();
    const bool accepted = reply.contains("OK") && FillProductList(reply);
    MainStatusPanel->clear();
    return accepted;
}

bool TfrmMain::FillProductList(const QByteArray &reply)
{
    products_->clear();
    ProductListReply parsed = ParseProductList(reply);
    if (parsed.onlyOk)
        return true;
    products_->append(std::move(parsed.rows));
    {
        // The rows arrive in name order; only the header's arrow has to follow, not a second sort.
        const QSignalBlocker quiet(lvwProducts->horizontalHeader());
        lvwProducts->horizontalHeader()->setSortIndicator(ProductListModel::NameColumn, Qt::AscendingOrder);
    }
    if (!parsed.complete)
        return false;
    lblTotal->setText(QStringLiteral("Total: %1 product(s)").arg(products_->rowCount()));
    QCoreApplication::processEvents();
    return true;
}

std::vector<int> TfrmMain::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex &index : lvwProducts->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TfrmMain::showDeleteCount()
{
    lblTotal->setText(QStringLiteral("Total: %1 products(s)").arg(products_->rowCount()));
    QCoreApplication::processEvents();
}

void TfrmMain::btnSelectAllClick()
{
    lvwProducts->selectAll();
}

void TfrmMain::btnClearAllClick()
{
    lvwProducts->clearSelection();
}

void TfrmMain::btnRefreshClick()
{
    if (refuseWhileBusy())
        return;
    if (CheckServer() && !closing_)
        RefreshProducts();
}

void TfrmMain::btnDeleteClick()
{
    if (refuseWhileBusy())
        return;
    QByteArrayList keys;
    for (const int row : selectedRows())
        keys.append(products_->record(row).Key);
    if (!keys.isEmpty()
        && msgMain->confirm(TMessageBox::Kind::Warning, QStringLiteral("Are you sure do you want to delete the selected items?"))) {
        deleteProducts(keys.join(','));
    }
    showDeleteCount();
}

void TfrmMain::btnDeleteAllClick()
{
    if (refuseWhileBusy())
        return;
    if (products_->rowCount() > 0
        && msgMain->confirm(TMessageBox::Kind::Warning, QStringLiteral("Are you sure do you want to delete all?."))) {
        deleteProducts(QByteArrayLiteral("all"));
    }
    showDeleteCount();
}

void TfrmMain::deleteProducts(const QByteArray &keys)
{
    if (actions().DeleteProducts(keys)) {
        if (!closing_)
            RefreshProducts();
    } else if (!closing_) {
        msgMain->warning(QStringLiteral(
            "There is a trouble deleting items, please check your settings and your internet connection."));
    }
}

void TfrmMain::btnAddClick()
{
    if (refuseWhileBusy())
        return;
    TfrmProducts dialog(*msgMain, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const AddResult result = actions().AddProduct(dialog.name(), dialog.folder(), dialog.thanksPage());
    if (closing_)
        return;
    switch (result) {
    case AddResult::Added:
        RefreshProducts();
        break;
    case AddResult::NameExists:
        msgMain->warning(QStringLiteral("This Product Name already exists. Please enter a new Name when add a new Product."));
        break;
    case AddResult::Failed:
        msgMain->warning(QStringLiteral(
            "There is a trouble adding this affiliate, please check your settings and your internet connection."));
        break;
    }
}

std::optional<TfrmMain::SelectedProduct> TfrmMain::requestSelectedProduct()
{
    const std::vector<int> rows = selectedRows();
    if (rows.size() != 1) {
        msgMain->warning(QStringLiteral("You need to select just one product."));
        return std::nullopt;
    }
    // The key is taken before the request: the selection may move while it waits.
    SelectedProduct selected{products_->record(rows.front()).Key, {}};
    const std::optional<QByteArray> row = actions().GetProduct(selected.key);
    if (!row || closing_)
        return std::nullopt;
    selected.product = ParseProductRow(*row);
    return selected;
}

void TfrmMain::btnEditClick()
{
    if (refuseWhileBusy())
        return;
    const std::optional<SelectedProduct> selected = requestSelectedProduct();
    if (!selected)
        return;
    const std::optional<ProductRecord> &product = selected->product;
    if (!product) {
        msgMain->warning(QStringLiteral("This product cannot be edited: your site sent its data in a form that "
                                        "cannot be read back safely."));
        return;
    }

    TfrmProducts dialog(*msgMain, this);
    dialog.showProduct(*product);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const UpdateResult result = actions().UpdateProduct(selected->key, dialog.name(), dialog.folder(), dialog.thanksPage());
    if (closing_)
        return;
    switch (result) {
    case UpdateResult::Updated:
        RefreshProducts();
        break;
    case UpdateResult::NotFound:
        msgMain->warning(QStringLiteral("This product doesn't exists."));
        break;
    case UpdateResult::NameExists:
        msgMain->warning(QStringLiteral("There is another product with same name."));
        break;
    case UpdateResult::Failed:
        msgMain->warning(QStringLiteral(
            "There is a trouble adding this product, please check your settings and your internet connection."));
        break;
    }
}

void TfrmMain::bsSkinButton2Click()
{
    if (refuseWhileBusy())
        return;
    const std::optional<SelectedProduct> selected = requestSelectedProduct();
    if (!selected || !selected->product)
        return;
    TfrmGetURLs dialog(BuildThanksPageUrl(settings_.swebserver, *selected->product), this);
    dialog.exec();
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
    TfrmSettings dialog(settings_, this);
    if (dialog.exec() == QDialog::Accepted)
        SaveServerSettings();
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
    try {
        IdHTTP1->Disconnect();
    } catch (...) {
        // Closing always completes, whatever the connection does.
    }
    QCoreApplication::processEvents();
}

} // namespace vo
