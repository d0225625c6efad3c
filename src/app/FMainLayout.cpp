// How the main window is put together: its pages, strips and controls with their names.
#include "app/FMain.h"

#include "products/ProductListModel.h"
#include "ui/Accessibility.h"
#include "ui/DialogParts.h"
#include "ui/ErrorReporter.h"
#include "ui/LinkLabel.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

namespace vo {

namespace {

QFrame *makePanel(const char *objectName, int fixedHeight = -1)
{
    auto *panel = makeNamed<QFrame>(objectName);
    if (fixedHeight > 0)
        panel->setFixedHeight(fixedHeight);
    return panel;
}

QPushButton *makeToolbarButton(const char *objectName, const char *caption)
{
    auto *button = makeNamed<QPushButton>(objectName, QString::fromLatin1(caption));
    button->setFixedSize(99, 20);
    button->setAutoDefault(false);
    return button;
}

QToolButton *makeToolButton(const char *objectName, const char *hint, QStyle::StandardPixmap icon)
{
    auto *button = makeNamed<QToolButton>(objectName);
    button->setFixedSize(41, 34);
    button->setToolTip(QString::fromLatin1(hint));
    button->setIcon(QApplication::style()->standardIcon(icon));
    button->setIconSize(QSize(24, 24));
    button->setAutoRaise(true);
    nameByHint(button);
    return button;
}

} // namespace

QWidget *TfrmMain::buildWelcomePage()
{
    auto *page = makeNamed<QWidget>("stsWelcome");
    prfWelcome = makeNamed<QTextBrowser>("prfWelcome");
    prfWelcome->setReadOnly(true);
    prfWelcome->setOpenLinks(false);
    prfWelcome->setAccessibleName(QStringLiteral("Welcome"));

    auto *strip = makePanel("bsSkinPanel14", 39);
    bsSkinButton1 = makeNamed<QPushButton>("bsSkinButton1", QStringLiteral("Thanks, just show me the main application"));
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
    auto *page = makeNamed<QWidget>("stsMain");
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
    connect(btnUpdates, &QToolButton::clicked, this, [this] { runGuarded([this] { btnUpdateClick(); }); });
    connect(btnNews, &QToolButton::clicked, this, [this] { runGuarded([this] { btnNewsClick(); }); });

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
    imgBanner = makeNamed<QLabel>("imgBanner", panBanner);
    imgBanner->setGeometry(0, 0, 468, 60);
    imgBanner->setAccessibleName(QStringLiteral("Banner"));
    gifBanner = makeNamed<QLabel>("gifBanner", panBanner);
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
    auto *noteText = makeNamed<QLabel>("bsSkinStdLabel3", QStringLiteral(
        "Manage your products and match with your existing folders in your server. Put your archives to "
        "download packed as zip files inside this folders. If you do a chage in the product name it will "
        "change your unique Product Code and you must update your paypal buttons."));
    noteText->setWordWrap(true);
    auto *noteLayout = new QHBoxLayout(note);
    noteLayout->setContentsMargins(8, 2, 8, 2);
    noteLayout->addWidget(noteText);

    products_ = new ProductListModel(this);
    lvwProducts = makeNamed<QTableView>("lvwProducts");
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
        auto *button = makeNamed<QPushButton>(name, QString::fromLatin1(caption));
        button->setAutoDefault(false);
        // The strip may never hold the window wider than its 855 pixels.
        button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        button->setMinimumWidth(40);
        buttonLayout->addWidget(button);
    }
    buttonLayout->addStretch();
    lblTotal = makeNamed<QLabel>("lblTotal", QStringLiteral("Total: 0 products"));
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
        auto *label = makeNamed<LinkLabel>(name);
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
    auto *bar = makeNamed<QStatusBar>("bsSkinStatusBar1");
    bar->setFixedHeight(17);
    bar->setSizeGripEnabled(false);
    MainStatusPanel = makeNamed<QLabel>("MainStatusPanel");
    MainStatusPanel->setAccessibleName(QStringLiteral("Status"));
    MainGauge = makeNamed<QProgressBar>("MainGauge");
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

} // namespace vo
