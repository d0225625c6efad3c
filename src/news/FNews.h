#pragma once

#include "branding/BrandingProfile.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QDialog>

#include <functional>

class QPushButton;
class QSplitter;
class QTreeWidget;

namespace vo {

class TIdHTTP;
class SafeHtmlView;
class TMessageBox;

// The news window: the items that the News button has just fetched, and the text of the one
// the user selects. Opening an item's text records it as read through `saveLastNewsId`.
class TfrmNews : public QDialog
{
    Q_OBJECT
public:
    using SaveLastNewsId = std::function<void(const QByteArray &newsId)>;

    TfrmNews(const BrandingProfile &profile, const QByteArrayList &newsList, TIdHTTP &http, TMessageBox &msgMain,
             SaveLastNewsId saveLastNewsId, QWidget *parent = nullptr);
    ~TfrmNews() override;

    // True while the text of the selected item is being fetched.
    bool busy() const { return busy_; }

    // Role of the column-0 data that holds the row's news id.
    static constexpr int kNewsIdRole = Qt::UserRole + 1;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow();
    void lvwItemsChange();
    bool lvwItemsChanging() const;
    void btnExitClick();

    QWidget *buildButtonPanel();
    void placeExitButton(int panelWidth);

    const BrandingProfile &profile_;
    const QByteArrayList &newsList_;
    TIdHTTP &http_;
    TMessageBox &msgMain_;
    SaveLastNewsId saveLastNewsId_;
    bool busy_ = false;
    bool filled_ = false;

    QTreeWidget *lvwItems = nullptr;
    QSplitter *splitter_ = nullptr;
    SafeHtmlView *prfEditorNews = nullptr;
    QWidget *buttonPanel_ = nullptr;
    QPushButton *btnExit = nullptr;
};

} // namespace vo
