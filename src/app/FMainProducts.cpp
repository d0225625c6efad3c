// The product area's commands: the list, its buttons and the requests behind them.
#include "app/FMain.h"

#include "net/IdHTTP.h"
#include "products/FGetURLs.h"
#include "products/FProduct.h"
#include "products/ProductListModel.h"
#include "products/ProductRows.h"
#include "products/SiteReplies.h"
#include "ui/ErrorReporter.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace vo {

namespace {

const QString kCannotEdit = QStringLiteral(
    "This product cannot be edited here: its name, folder or thanks page holds characters that this window "
    "cannot show as they are stored, and saving would change them.");

bool showsUnchanged(const TfrmProducts &dialog, const ProductRecord &product)
{
    return dialog.name() == product.Name && dialog.folder() == product.Folder
        && dialog.thanksPage() == product.ThanksPage;
}

} // namespace

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

bool TfrmMain::RefreshProducts(SiteActions &site)
{
    MainStatusPanel->setText(QStringLiteral("Getting data..."));
    const QByteArray reply = site.RequestList();
    const bool accepted = IsListReplyAccepted(reply) && FillProductList(reply);
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
    SiteActions site = actions();
    if (site.CheckServer() && !closing_)
        RefreshProducts(site);
}

void TfrmMain::btnDeleteClick()
{
    if (refuseWhileBusy())
        return;
    QByteArrayList keys;
    for (const int row : selectedRows())
        keys.append(products_->record(row).Key);
    // One selected row whose key is blank joins to nothing: there is nothing to ask about.
    const QByteArray joined = keys.join(',');
    if (!joined.isEmpty()
        && msgMain->confirmDeletion(TMessageBox::Kind::Warning,
                                    QStringLiteral("Are you sure do you want to delete the selected items?"))) {
        SiteActions site = actions();
        deleteProducts(site, joined);
    }
    showDeleteCount();
}

void TfrmMain::btnDeleteAllClick()
{
    if (refuseWhileBusy())
        return;
    if (products_->rowCount() > 0
        && msgMain->confirmDeletion(TMessageBox::Kind::Warning, QStringLiteral("Are you sure do you want to delete all?."))) {
        SiteActions site = actions();
        deleteProducts(site, QByteArrayLiteral("all"));
    }
    showDeleteCount();
}

void TfrmMain::deleteProducts(SiteActions &site, const QByteArray &keys)
{
    if (site.DeleteProducts(keys)) {
        if (!closing_)
            RefreshProducts(site);
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
    SiteActions site = actions();
    const AddResult result = site.AddProduct(dialog.name(), dialog.folder(), dialog.thanksPage());
    if (closing_)
        return;
    switch (result) {
    case AddResult::Added:
        RefreshProducts(site);
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

std::optional<TfrmMain::SelectedProduct> TfrmMain::requestSelectedProduct(SiteActions &site)
{
    const std::vector<int> rows = selectedRows();
    if (rows.size() != 1) {
        msgMain->warning(QStringLiteral("You need to select just one product."));
        return std::nullopt;
    }
    // The key is taken before the request: the selection may move while it waits.
    SelectedProduct selected{products_->record(rows.front()).Key, {}, true};
    const std::optional<ProductRowReply> reply = site.GetProduct(selected.key);
    if (!reply || closing_)
        return std::nullopt;
    selected.product = ParseProductRow(reply->row);
    selected.whole = reply->whole;
    return selected;
}

void TfrmMain::btnEditClick()
{
    if (refuseWhileBusy())
        return;
    SiteActions site = actions();
    const std::optional<SelectedProduct> selected = requestSelectedProduct(site);
    if (!selected)
        return;
    const std::optional<ProductRecord> &product = selected->product;
    TfrmProducts dialog(*msgMain, this);
    if (product)
        dialog.showProduct(*product);
    // Ok sends back what the boxes hold: a value that did not reach them byte for byte would
    // be saved over the stored one although the seller never typed it.
    if (!product || !selected->whole || !showsUnchanged(dialog, *product)) {
        msgMain->warning(kCannotEdit);
        return;
    }
    if (dialog.exec() != QDialog::Accepted)
        return;
    const UpdateResult result = site.UpdateProduct(selected->key, dialog.name(), dialog.folder(), dialog.thanksPage());
    if (closing_)
        return;
    switch (result) {
    case UpdateResult::Updated:
        RefreshProducts(site);
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
    SiteActions site = actions();
    const std::optional<SelectedProduct> selected = requestSelectedProduct(site);
    if (!selected || !selected->product)
        return;
    TfrmGetURLs dialog(BuildThanksPageUrl(site.siteUrl(), *selected->product), this);
    dialog.exec();
}

} // namespace vo
