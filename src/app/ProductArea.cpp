#include "app/ProductArea.h"

#include "app/CommandRunner.h"
#include "products/FGetURLs.h"
#include "products/FProduct.h"
#include "products/ProductListModel.h"
#include "products/ProductRows.h"
#include "products/SiteReplies.h"
#include "ui/DialogParts.h"
#include "ui/ErrorReporter.h"
#include "ui/MessageBox.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace vo {

namespace {

const QString kCannotEdit = QStringLiteral(
    "This product cannot be edited here: its name, folder or thanks page holds characters that this window "
    "cannot show as they are stored, and saving would change them.");
const QString kRowNotWhole = QStringLiteral(
    "This product cannot be edited here: the site's row for it does not split into the six fields of a product "
    "(a comma or a quote inside a value shifts them), so its name, folder and thanks page cannot be told apart.");

// The status bar's text while a load lasts, however it ends.
class StatusWhile
{
public:
    StatusWhile(QLabel &status, const QString &text) : status_(status) { status_.setText(text); }
    ~StatusWhile() { status_.clear(); }
    StatusWhile(const StatusWhile &) = delete;
    StatusWhile &operator=(const StatusWhile &) = delete;

private:
    QLabel &status_;
};

bool showsUnchanged(const TfrmProducts &dialog, const ProductRecord &product)
{
    return dialog.name() == product.Name && dialog.folder() == product.Folder
        && dialog.thanksPage() == product.ThanksPage;
}

} // namespace

ProductArea::ProductArea(TIdHTTP &client, CommandRunner &commands, TMessageBox &msgMain,
                         const ServerSettings &settings, QLabel &statusText, QWidget *parent)
    : QFrame(parent)
    , client_(client)
    , commands_(commands)
    , msgMain_(msgMain)
    , settings_(settings)
    , MainStatusPanel(statusText)
{
    setObjectName(QStringLiteral("bsSkinPanel1"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 0);
    layout->setSpacing(6);
    layout->addWidget(buildNote());
    layout->addWidget(buildList(), 1);
    layout->addWidget(buildButtonStrip());
}

// Every control is made inside its final parent: moving a built subtree into another parent
// makes Qt restyle the whole subtree again under the application's style sheet.
QWidget *ProductArea::buildNote()
{
    // 45 pixels hold the note at the window's design width; a narrower window wraps it into
    // more lines, and the strip grows with them so that it still shows whole.
    auto *note = makeNamed<QFrame>("bsSkinPanel6", this);
    note->setMinimumHeight(45);
    auto *noteText = makeNamed<QLabel>("bsSkinStdLabel3", QStringLiteral(
        "Manage your products and match with your existing folders in your server. Put your archives to "
        "download packed as zip files inside this folders. If you do a chage in the product name it will "
        "change your unique Product Code and you must update your paypal buttons."), note);
    noteText->setWordWrap(true);
    auto *noteLayout = new QHBoxLayout(note);
    noteLayout->setContentsMargins(8, 2, 8, 2);
    noteLayout->addWidget(noteText);
    return note;
}

QTableView *ProductArea::buildList()
{
    products_ = new ProductListModel(this);
    lvwProducts = makeNamed<QTableView>("lvwProducts", this);
    lvwProducts->setModel(products_);
    lvwProducts->setAccessibleName(QStringLiteral("Products"));
    lvwProducts->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwProducts->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvwProducts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the list for the buttons below instead of walking its cells.
    lvwProducts->setTabKeyNavigation(false);
    lvwProducts->installEventFilter(this);
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
    lvwProducts->horizontalHeader()->setSortIndicator(ProductListModel::NameColumn, Qt::AscendingOrder);
    lvwProducts->setSortingEnabled(true);
    return lvwProducts;
}

QPushButton *ProductArea::addCommand(QWidget *strip, const char *objectName, const char *caption,
                                     void (ProductArea::*command)())
{
    auto *button = makeNamed<QPushButton>(objectName, QString::fromLatin1(caption), strip);
    button->setAutoDefault(false);
    // A screen reader has no use for the caption's trailing space ("Add ").
    button->setAccessibleName(button->text().trimmed());
    // Never narrower than its caption: the window's minimum size follows from it.
    button->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    connect(button, &QPushButton::clicked, this, [this, command] { runGuarded([this, command] { (this->*command)(); }); });
    strip->layout()->addWidget(button);
    return button;
}

QWidget *ProductArea::buildButtonStrip()
{
    auto *strip = makeNamed<QFrame>("bsSkinPanel8", this);
    strip->setFixedHeight(44);
    auto *layout = new QHBoxLayout(strip);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    btnSelectAll = addCommand(strip, "btnSelectAll", "Select All", &ProductArea::btnSelectAllClick);
    btnClearAll = addCommand(strip, "btnClearAll", "Clear Selection", &ProductArea::btnClearAllClick);
    btnAdd = addCommand(strip, "btnAdd", "Add ", &ProductArea::btnAddClick);
    btnEdit = addCommand(strip, "btnEdit", "Edit", &ProductArea::btnEditClick);
    btnDelete = addCommand(strip, "btnDelete", "Delete", &ProductArea::btnDeleteClick);
    btnDeleteAll = addCommand(strip, "btnDeleteAll", "Delete All", &ProductArea::btnDeleteAllClick);
    bsSkinButton2 = addCommand(strip, "bsSkinButton2", "Get Thanks Page URL", &ProductArea::bsSkinButton2Click);
    btnRefresh = addCommand(strip, "btnRefresh", "Refresh", &ProductArea::btnRefreshClick);
    // A double-click on a row edits it, as Enter does (see eventFilter).
    connect(lvwProducts, &QAbstractItemView::doubleClicked, btnEdit, &QAbstractButton::click);

    layout->addStretch();
    // Hidden while there is nothing to say, so that no empty text is read out.
    lblSiteStatus = makeNamed<QLabel>("lblSiteStatus", strip);
    lblSiteStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblSiteStatus->hide();
    layout->addWidget(lblSiteStatus);
    lblTotal = makeNamed<QLabel>("lblTotal", QStringLiteral("Total: 0 products"), strip);
    lblTotal->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(lblTotal);
    return strip;
}

bool ProductArea::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lvwProducts && event->type() == QEvent::KeyPress
        && listKeyPressed(*static_cast<QKeyEvent *>(event)))
        return true;
    return QFrame::eventFilter(watched, event);
}

// The keys a desktop user expects on a list: Enter edits the row, Delete deletes the selection
// (which still asks), and Home, End, Page Up and Page Down move the current row, which the
// table would otherwise move along the row's cells or not at all.
bool ProductArea::listKeyPressed(const QKeyEvent &event)
{
    if ((event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    const int last = products_->rowCount() - 1;
    const int current = lvwProducts->currentIndex().isValid() ? lvwProducts->currentIndex().row() : 0;
    const int rowHeight = qMax(1, lvwProducts->verticalHeader()->defaultSectionSize());
    const int page = qMax(1, lvwProducts->viewport()->height() / rowHeight - 1);
    int target = 0;
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        btnEdit->click();
        return true;
    case Qt::Key_Delete:
        btnDelete->click();
        return true;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = last;
        break;
    case Qt::Key_PageUp:
        target = qMax(0, current - page);
        break;
    case Qt::Key_PageDown:
        target = qMin(last, current + page);
        break;
    default:
        return false;
    }
    if (last < 0)
        return true;
    const QModelIndex to = products_->index(target, ProductListModel::NameColumn);
    lvwProducts->selectionModel()->setCurrentIndex(to, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    lvwProducts->scrollTo(to);
    return true;
}

SiteActions ProductArea::actions() const
{
    return SiteActions(client_, settings_);
}

void ProductArea::showSiteReached(bool reached)
{
    lblSiteStatus->setText(reached ? QString() : QStringLiteral("Site not reached \u2014 press Refresh (F5) to try again"));
    lblSiteStatus->setVisible(!reached);
}

bool ProductArea::CheckServer(SiteActions &site)
{
    const bool answered = commands_.request([&] { return site.CheckServer(); });
    if (!answered)
        showSiteReached(false);
    return answered;
}

bool ProductArea::RefreshProducts(SiteActions &site)
{
    bool accepted = false;
    {
        const StatusWhile loading(MainStatusPanel, QStringLiteral("Getting data..."));
        const QByteArray reply = commands_.request([&] { return site.RequestList(); });
        accepted = IsListReplyAccepted(reply) && FillProductList(reply);
    }
    showSiteReached(accepted);
    return accepted;
}

bool ProductArea::FillProductList(const QByteArray &reply)
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

void ProductArea::CheckServerAndLoad(const std::function<void()> &loading)
{
    SiteActions site = actions();
    if (!CheckServer(site))
        return;
    if (loading)
        loading();
    RefreshProducts(site);
}

std::vector<int> ProductArea::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex &index : lvwProducts->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void ProductArea::showDeleteCount()
{
    lblTotal->setText(QStringLiteral("Total: %1 products(s)").arg(products_->rowCount()));
    QCoreApplication::processEvents();
}

void ProductArea::btnSelectAllClick()
{
    lvwProducts->selectAll();
}

void ProductArea::btnClearAllClick()
{
    lvwProducts->clearSelection();
}

void ProductArea::btnRefreshClick()
{
    commands_.run([this] { CheckServerAndLoad(); });
}

void ProductArea::btnDeleteClick()
{
    commands_.run([this] {
        QByteArrayList keys;
        for (const int row : selectedRows())
            keys.append(products_->record(row).Key);
        // One selected row whose key is blank joins to nothing: there is nothing to ask about.
        const QByteArray joined = keys.join(',');
        if (!joined.isEmpty()
            && msgMain_.confirmDeletion(TMessageBox::Kind::Warning,
                                        QStringLiteral("Are you sure do you want to delete the selected items?"))) {
            SiteActions site = actions();
            deleteProducts(site, joined);
        }
        showDeleteCount();
    });
}

void ProductArea::btnDeleteAllClick()
{
    commands_.run([this] {
        if (products_->rowCount() > 0
            && msgMain_.confirmDeletion(TMessageBox::Kind::Warning,
                                        QStringLiteral("Are you sure do you want to delete all?."))) {
            SiteActions site = actions();
            deleteProducts(site, QByteArrayLiteral("all"));
        }
        showDeleteCount();
    });
}

void ProductArea::deleteProducts(SiteActions &site, const QByteArray &keys)
{
    if (commands_.request([&] { return site.DeleteProducts(keys); }))
        RefreshProducts(site);
    else
        msgMain_.warning(QStringLiteral(
            "There is a trouble deleting items, please check your settings and your internet connection."));
}

void ProductArea::btnAddClick()
{
    commands_.run([this] {
        TfrmProducts dialog(msgMain_, window());
        if (dialog.exec() != QDialog::Accepted)
            return;
        SiteActions site = actions();
        switch (commands_.request([&] { return site.AddProduct(dialog.name(), dialog.folder(), dialog.thanksPage()); })) {
        case AddResult::Added:
            RefreshProducts(site);
            break;
        case AddResult::NameExists:
            msgMain_.warning(
                QStringLiteral("This Product Name already exists. Please enter a new Name when add a new Product."));
            break;
        case AddResult::Failed:
            msgMain_.warning(QStringLiteral(
                "There is a trouble adding this affiliate, please check your settings and your internet connection."));
            break;
        }
    });
}

std::optional<ProductArea::SelectedProduct> ProductArea::requestSelectedProduct(SiteActions &site)
{
    const std::vector<int> rows = selectedRows();
    if (rows.size() != 1) {
        msgMain_.warning(QStringLiteral("You need to select just one product."));
        return std::nullopt;
    }
    // The key is taken before the request: the selection may move while it waits.
    SelectedProduct selected{products_->record(rows.front()).Key, {}, true};
    const std::optional<ProductRowReply> reply = commands_.request([&] { return site.GetProduct(selected.key); });
    if (!reply)
        return std::nullopt;
    selected.product = ParseProductRow(reply->row);
    selected.whole = reply->whole;
    return selected;
}

void ProductArea::btnEditClick()
{
    commands_.run([this] {
        SiteActions site = actions();
        const std::optional<SelectedProduct> selected = requestSelectedProduct(site);
        if (!selected)
            return;
        const std::optional<ProductRecord> &product = selected->product;
        if (!product) {
            msgMain_.warning(kRowNotWhole);
            return;
        }
        TfrmProducts dialog(msgMain_, window());
        dialog.showProduct(*product);
        // Ok sends back what the boxes hold: a value that did not reach them byte for byte
        // would be saved over the stored one although the seller never typed it.
        if (!selected->whole || !showsUnchanged(dialog, *product)) {
            msgMain_.warning(kCannotEdit);
            return;
        }
        if (dialog.exec() != QDialog::Accepted)
            return;
        switch (commands_.request(
            [&] { return site.UpdateProduct(selected->key, dialog.name(), dialog.folder(), dialog.thanksPage()); })) {
        case UpdateResult::Updated:
            RefreshProducts(site);
            break;
        case UpdateResult::NotFound:
            msgMain_.warning(QStringLiteral("This product doesn't exists."));
            break;
        case UpdateResult::NameExists:
            msgMain_.warning(QStringLiteral("There is another product with same name."));
            break;
        case UpdateResult::Failed:
            msgMain_.warning(QStringLiteral(
                "There is a trouble adding this product, please check your settings and your internet connection."));
            break;
        }
    });
}

void ProductArea::bsSkinButton2Click()
{
    commands_.run([this] {
        SiteActions site = actions();
        const std::optional<SelectedProduct> selected = requestSelectedProduct(site);
        if (!selected || !selected->product)
            return;
        TfrmGetURLs dialog(BuildThanksPageUrl(site.siteUrl(), *selected->product), window());
        dialog.exec();
    });
}

} // namespace vo
