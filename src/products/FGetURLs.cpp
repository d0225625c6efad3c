#include "products/FGetURLs.h"

#include "ui/AnsiLineEdit.h"

#include <QLabel>
#include <QPushButton>

namespace vo {

TfrmGetURLs::TfrmGetURLs(const QByteArray &url, QWidget *parent)
    : ButtonClosedDialog(parent)
{
    setObjectName(QStringLiteral("TfrmGetURLs"));
    setWindowTitle(QStringLiteral("Get Thanks Page URL"));
    setFixedSize(672, 140);

    makeCaption(this, "bsSkinStdLabel3",
                QStringLiteral("If user after payment forgot to download a product, you will need to provide him the "
                               "link that you find in the box below. We suggest you that you change your Secret Key and "
                               "upload the config.php after you confirm that user got the product."),
                QPoint(12, 10), 648);
    QLabel *label = makeCaption(this, "bsSkinStdLabel2", QStringLiteral("Thanks URL:"), QPoint(12, 70));
    auto *edtURLs = makeLabelledField<AnsiLineEdit>(this, "edtURLs", label, QRect(86, 67, 574, 21));
    edtURLs->setBytes(url);
    edtURLs->setReadOnly(true);
    edtURLs->setCursorPosition(0);

    // The only way out, so it stays reachable from the keyboard too.
    auto *btnOk = makeMouseButton(this, "btnOk", QStringLiteral("Close"), QRect(298, 104, 75, 25));
    btnOk->setFocusPolicy(Qt::StrongFocus);
    connect(btnOk, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
    edtURLs->setFocus();
}

} // namespace vo
