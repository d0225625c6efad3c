#include "news/FNews.h"

#include "branding/UUtils.h"
#include "news/NewsService.h"
#include "platform/AnsiText.h"
#include "ui/DialogParts.h"
#include "ui/ErrorReporter.h"
#include "ui/SafeHtmlView.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vo {

namespace {

constexpr int kClientWidth = 682;
constexpr int kClientHeight = 411;
constexpr int kListPanelHeight = 105;
constexpr int kSplitterHeight = 10;
constexpr int kMinimumPane = 10;
constexpr int kButtonPanelHeight = 41;
constexpr int kExitLeft = 304;
constexpr int kExitTop = 7;
constexpr QSize kExitSize(97, 20);
constexpr int kPublishedWidth = 160;

// A selection model that can refuse every change, from the mouse, the keyboard or the program
// alike, while its owner says so.
class GuardedSelectionModel : public QItemSelectionModel
{
public:
    GuardedSelectionModel(QAbstractItemModel *model, std::function<bool()> refuse, QObject *parent)
        : QItemSelectionModel(model, parent), refuse_(std::move(refuse))
    {
    }

    void select(const QModelIndex &index, SelectionFlags command) override
    {
        if (!refuse_())
            QItemSelectionModel::select(index, command);
    }
    void select(const QItemSelection &selection, SelectionFlags command) override
    {
        if (!refuse_())
            QItemSelectionModel::select(selection, command);
    }
    void setCurrentIndex(const QModelIndex &index, SelectionFlags command) override
    {
        if (!refuse_())
            QItemSelectionModel::setCurrentIndex(index, command);
    }

private:
    std::function<bool()> refuse_;
};

// The busy flag and the hourglass on list, text and window for the length of one fetch.
class BusyScope
{
public:
    BusyScope(bool &flag, std::initializer_list<QWidget *> widgets) : flag_(flag), widgets_(widgets)
    {
        flag_ = true;
        for (QWidget *widget : widgets_)
            widget->setCursor(Qt::WaitCursor);
    }
    ~BusyScope()
    {
        for (QWidget *widget : widgets_)
            widget->unsetCursor();
        flag_ = false;
    }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    bool &flag_;
    QList<QWidget *> widgets_;
};

} // namespace

TfrmNews::TfrmNews(const BrandingProfile &profile, const QByteArrayList &newsList, TIdHTTP &http,
                   TMessageBox &msgMain, SaveLastNewsId saveLastNewsId, QWidget *parent)
    : QDialog(parent)
    , profile_(profile)
    , newsList_(newsList)
    , http_(http)
    , msgMain_(msgMain)
    , saveLastNewsId_(std::move(saveLastNewsId))
{
    setObjectName(QStringLiteral("frmNews"));
    setWindowTitle(QStringLiteral("News"));
    resize(kClientWidth, kClientHeight);

    auto *listPanel = new QWidget;
    listPanel->setObjectName(QStringLiteral("panList"));
    listPanel->setMinimumHeight(kMinimumPane);
    auto *listLayout = new QVBoxLayout(listPanel);
    listLayout->setContentsMargins(0, 0, 0, 0);

    lvwItems = new QTreeWidget;
    lvwItems->setObjectName(QStringLiteral("lvwItems"));
    lvwItems->setAccessibleName(QStringLiteral("News"));
    lvwItems->setColumnCount(2);
    lvwItems->setHeaderLabels({QStringLiteral("News Title"), QStringLiteral("Published")});
    lvwItems->setRootIsDecorated(false);
    lvwItems->setItemsExpandable(false);
    lvwItems->setUniformRowHeights(true);
    lvwItems->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwItems->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwItems->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    lvwItems->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QFont listFont(QStringLiteral("Arial"));
    listFont.setPixelSize(14);
    lvwItems->setFont(listFont);
    QHeaderView *header = lvwItems->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::Fixed);
    header->resizeSection(1, kPublishedWidth);
    // The selected row stays marked while the text view has the focus.
    QPalette listPalette = lvwItems->palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        listPalette.setColor(QPalette::Inactive, role, listPalette.color(QPalette::Active, role));
    lvwItems->setPalette(listPalette);
    QItemSelectionModel *defaultModel = lvwItems->selectionModel();
    lvwItems->setSelectionModel(
        new GuardedSelectionModel(lvwItems->model(), [this] { return lvwItemsChanging(); }, lvwItems));
    delete defaultModel; // the view does not own the model it was built with
    connect(lvwItems->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { runGuarded([this] { lvwItemsChange(); }); });
    listLayout->addWidget(lvwItems);

    prfEditorNews = new SafeHtmlView;
    prfEditorNews->setObjectName(QStringLiteral("prfEditorNews"));
    prfEditorNews->setAccessibleName(QStringLiteral("News text"));
    prfEditorNews->setMinimumHeight(kMinimumPane);

    splitter_ = new QSplitter(Qt::Vertical);
    splitter_->setObjectName(QStringLiteral("splNews"));
    splitter_->setHandleWidth(kSplitterHeight);
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(listPanel);
    splitter_->addWidget(prfEditorNews);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({kListPanelHeight, kClientHeight - kListPanelHeight - kSplitterHeight - kButtonPanelHeight});

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(splitter_, 1);
    layout->addWidget(buildButtonPanel());
    centreOnScreen(*this);
}

TfrmNews::~TfrmNews()
{
    // The list's selection model asks this window for permission as the list clears itself, so
    // the list goes while the window is still whole.
    delete lvwItems;
}

QWidget *TfrmNews::buildButtonPanel()
{
    buttonPanel_ = new QWidget;
    buttonPanel_->setObjectName(QStringLiteral("panButtons"));
    buttonPanel_->setFixedHeight(kButtonPanelHeight);
    btnExit = new QPushButton(QStringLiteral("Close"), buttonPanel_);
    btnExit->setObjectName(QStringLiteral("btnExit"));
    btnExit->setFixedSize(kExitSize);
    btnExit->move(kExitLeft, kExitTop);
    connect(btnExit, &QPushButton::clicked, this, [this] { runGuarded([this] { btnExitClick(); }); });
    buttonPanel_->installEventFilter(this);
    return buttonPanel_;
}

// The button keeps its centre at the same fraction of the panel's width as at design size.
void TfrmNews::placeExitButton(int panelWidth)
{
    const int designCentreTwice = 2 * kExitLeft + kExitSize.width();
    const int centreTwice = designCentreTwice * panelWidth / kClientWidth;
    btnExit->move((centreTwice - kExitSize.width()) / 2, kExitTop);
}

bool TfrmNews::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == buttonPanel_ && event->type() == QEvent::Resize)
        placeExitButton(buttonPanel_->width());
    return QDialog::eventFilter(watched, event);
}

void TfrmNews::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!filled_) {
        filled_ = true;
        runGuarded([this] { FormShow(); });
    }
}

void TfrmNews::FormShow()
{
    for (const QByteArray &entry : newsList_) {
        QByteArrayList fields;
        SplitByChar('^', entry, fields);
        auto *row = new QTreeWidgetItem(lvwItems); // owned by the list
        row->setText(0, ansi::toUnicode(fields.value(1)));
        row->setText(1, ansi::toUnicode(fields.value(2)));
        row->setData(0, kNewsIdRole, fields.value(0));
    }
    lvwItems->setCurrentItem(nullptr);
}

bool TfrmNews::lvwItemsChanging() const
{
    return busy_;
}

void TfrmNews::lvwItemsChange()
{
    const QList<QTreeWidgetItem *> selected = lvwItems->selectedItems();
    if (selected.isEmpty())
        return;
    const QByteArray newsId = selected.constFirst()->data(0, kNewsIdRole).toByteArray();

    // The text view's viewport keeps a cursor of its own, so it gets the hourglass too.
    const BusyScope busy(busy_, {lvwItems, prfEditorNews, prfEditorNews->viewport(), this});
    const std::optional<NewsRequest> request = newsRequestFor(profile_);
    if (!request)
        return;
    NewsService service(http_, msgMain_, profile_);
    QByteArray html;
    if (!service.FetchNewsDetails(*request, newsId, html))
        return;
    prfEditorNews->showHtml(ansi::toUnicode(html));
    saveLastNewsId_(newsId);
}

void TfrmNews::btnExitClick()
{
    accept();
}

} // namespace vo
