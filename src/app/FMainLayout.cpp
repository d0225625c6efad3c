// How the main window is put together: its pages, strips and controls with their names.
#include "app/FMain.h"

#include "app/ProductArea.h"
#include "ui/Accessibility.h"
#include "ui/DialogParts.h"
#include "ui/ErrorReporter.h"
#include "ui/LinkLabel.h"
#include "ui/SafeHtmlView.h"
#include "ui/ToolIcons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace vo {

namespace {

// Every control is made inside its final parent: moving a built subtree into another parent
// makes Qt restyle the whole subtree again under the application's style sheet.
QFrame *makePanel(QWidget *parent, const char *objectName, int fixedHeight = -1)
{
    auto *panel = makeNamed<QFrame>(objectName, parent);
    if (fixedHeight > 0)
        panel->setFixedHeight(fixedHeight);
    return panel;
}

QPushButton *makeToolbarButton(QWidget *toolbar, const char *objectName, const char *caption)
{
    auto *button = makeNamed<QPushButton>(objectName, QString::fromLatin1(caption), toolbar);
    button->setFixedSize(99, 20);
    button->setAutoDefault(false);
    return button;
}

QToolButton *makeToolButton(QWidget *toolbar, const char *objectName, const char *hint, ToolGlyph glyph)
{
    auto *button = makeNamed<QToolButton>(objectName, toolbar);
    button->setFixedSize(41, 34);
    button->setToolTip(QString::fromLatin1(hint));
    button->setIcon(toolIcon(glyph));
    button->setIconSize(QSize(24, 24));
    button->setAutoRaise(true);
    nameByHint(button);
    return button;
}

// Keys that press a button while `scope` is shown, wherever the focus is in its window.
void pressOnKeys(QWidget *scope, std::initializer_list<Qt::Key> keys, QAbstractButton *button)
{
    for (const Qt::Key key : keys) {
        auto *shortcut = new QShortcut(QKeySequence(key), scope); // owned by the scope
        QObject::connect(shortcut, &QShortcut::activated, button, &QAbstractButton::click);
    }
}

} // namespace

QWidget *TfrmMain::buildWelcomePage(QWidget *pages)
{
    auto *page = makeNamed<QWidget>("stsWelcome", pages);
    prfWelcome = makeNamed<SafeHtmlView>("prfWelcome", page);
    prfWelcome->setAccessibleName(QStringLiteral("Welcome"));

    auto *strip = makePanel(page, "bsSkinPanel14", 39);
    bsSkinButton1 = makeNamed<QPushButton>("bsSkinButton1", QStringLiteral("Thanks, just show me the main application"), strip);
    bsSkinButton1->setDefault(true);
    connect(bsSkinButton1, &QPushButton::clicked, this, [this] { runGuarded([this] { bsSkinButton1Click(); }); });
    // Outside a dialog no button is pressed by Enter on its own.
    pressOnKeys(page, {Qt::Key_Return, Qt::Key_Enter}, bsSkinButton1);
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

QWidget *TfrmMain::buildMainPage(QWidget *pages)
{
    auto *page = makeNamed<QWidget>("stsMain", pages);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildToolbar(page));
    layout->addWidget(buildBanner(page));
    // The product area shows its loads in the status bar, so the bar comes first.
    QStatusBar *statusBar = buildStatusBar(page);
    bsSkinPanel1 = new ProductArea(*IdHTTP1, commands_, *msgMain, settings_, *MainStatusPanel, page);
    layout->addWidget(bsSkinPanel1, 1);
    layout->addWidget(buildLinks(page));
    layout->addWidget(statusBar);
    pressOnKeys(page, {Qt::Key_F5}, bsSkinPanel1->refreshButton());
    return page;
}

QWidget *TfrmMain::buildToolbar(QWidget *page)
{
    auto *toolbar = makePanel(page, "bsSkinPanel4", 43);
    auto *btnSimple = makeToolbarButton(toolbar, "btnSimple", "Settings");
    btnMakeMoney = makeToolbarButton(toolbar, "btnMakeMoney", "Make Money");
    auto *btnAbout = makeToolbarButton(toolbar, "btnAbout", "About");
    btnNews = makeToolButton(toolbar, "btnNews", "Check News", ToolGlyph::News);
    auto *btnUpdates = makeToolButton(toolbar, "bsSkinSpeedButton1", "Check Updates", ToolGlyph::Updates);
    auto *btnHelp = makeToolButton(toolbar, "bsSkinSpeedButton2", "Help", ToolGlyph::Help);

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

QWidget *TfrmMain::buildBanner(QWidget *page)
{
    panBanner = makePanel(page, "panBanner", 65);
    imgBanner = makeNamed<QLabel>("imgBanner", panBanner);
    imgBanner->setGeometry(0, 0, 468, 60);
    gifBanner = makeNamed<QLabel>("gifBanner", panBanner);
    gifBanner->hide();
    imgBanner->installEventFilter(this);
    gifBanner->installEventFilter(this);
    // The strip has no layout: its pictures are centred by hand on every resize.
    panBanner->installEventFilter(this);
    return panBanner;
}

QWidget *TfrmMain::buildLinks(QWidget *page)
{
    panLinks = makePanel(page, "panLinks", 36);
    // The design state, shown until a branding file says otherwise.
    const auto makeLink = [this](const char *name) {
        auto *label = makeNamed<LinkLabel>(name, panLinks);
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

QStatusBar *TfrmMain::buildStatusBar(QWidget *page)
{
    auto *bar = makeNamed<QStatusBar>("bsSkinStatusBar1", page);
    bar->setFixedHeight(17);
    bar->setSizeGripEnabled(false);
    // Named by its text alone, so that an empty status is not read out.
    MainStatusPanel = makeNamed<QLabel>("MainStatusPanel", bar);
    MainGauge = makeNamed<QProgressBar>("MainGauge", bar);
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
