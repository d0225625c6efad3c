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
    constexpr int urlLeft = 92;
    QLabel *label = makeFieldCaption(this, "bsSkinStdLabel2", QStringLiteral("Thanks URL:"), 12, 67, urlLeft);
    auto *edtURLs = makeLabelledField<AnsiLineEdit>(this, "edtURLs", label, QRect(urlLeft, 67, 574, kFieldHeight));
    edtURLs->setBytes(url);
    edtURLs->setReadOnly(true);
    edtURLs->setCursorPosition(0);

    // The only way out, so it stays reachable from the keyboard too.
    auto *btnOk = makeMouseButton(this, "btnOk", QStringLiteral("Close"), QRect(298, 104, 75, 25));
    btnOk->setFocusPolicy(Qt::StrongFocus);
    connect(btnOk, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
    addAltShortcut(btnOk, Qt::Key_C);
    setWayOut(btnOk);
    edtURLs->setFocus();
    centreOnScreen(*this);
}

} // namespace vo
