#pragma once

#include "products/ProductRecord.h"
#include "products/SiteActions.h"
#include "settings/ServerSettings.h"

#include <QFrame>

#include <functional>
#include <optional>
#include <vector>

class QKeyEvent;
class QLabel;
class QPushButton;
class QTableView;

namespace vo {

class CommandRunner;
class ProductListModel;
class TIdHTTP;
class TMessageBox;

// The main page's product area: the seller's products as the site lists them, the buttons
// under the list with their commands, and the count label. Every request goes through the
// window's one client and its command runner; the status bar's text is the window's.
class ProductArea : public QFrame
{
    Q_OBJECT
public:
    ProductArea(TIdHTTP &client, CommandRunner &commands, TMessageBox &msgMain, const ServerSettings &settings,
                QLabel &statusText, QWidget *parent);

    // The start-up sequence's last legs: the server check and, only when it succeeds, the
    // list. `loading` is called between the two.
    void CheckServerAndLoad(const std::function<void()> &loading = {});
    bool FillProductList(const QByteArray &reply);

    // F5 presses it wherever the focus is on the page.
    QPushButton *refreshButton() const { return btnRefresh; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildNote();
    QTableView *buildList();
    QWidget *buildButtonStrip();
    // A button of the strip whose click runs `command` under the error handler.
    QPushButton *addCommand(QWidget *strip, const char *objectName, const char *caption, void (ProductArea::*command)());
    bool listKeyPressed(const QKeyEvent &event);

    void btnSelectAllClick();
    void btnClearAllClick();
    void btnRefreshClick();
    void btnDeleteClick();
    void btnDeleteAllClick();
    void btnAddClick();
    void btnEditClick();
    void bsSkinButton2Click();

    // The requests of one command; it keeps the site URL of the moment it is made.
    SiteActions actions() const;
    bool CheckServer(SiteActions &site);
    bool RefreshProducts(SiteActions &site);
    // The site did not answer as it should: said beside the count, never in a message box.
    void showSiteReached(bool reached);
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

    TIdHTTP &client_;
    CommandRunner &commands_;
    TMessageBox &msgMain_;
    const ServerSettings &settings_;
    QLabel &MainStatusPanel;

    ProductListModel *products_ = nullptr;
    QTableView *lvwProducts = nullptr;
    QPushButton *btnSelectAll = nullptr;
    QPushButton *btnClearAll = nullptr;
    QPushButton *btnAdd = nullptr;
    QPushButton *btnEdit = nullptr;
    QPushButton *btnDelete = nullptr;
    QPushButton *btnDeleteAll = nullptr;
    QPushButton *bsSkinButton2 = nullptr;
    QPushButton *btnRefresh = nullptr;
    QLabel *lblSiteStatus = nullptr;
    QLabel *lblTotal = nullptr;
};

} // namespace vo
