#include "products/FProduct.h"

#include "products/ProductRows.h"
#include "ui/AnsiLineEdit.h"
#include "ui/MessageBox.h"

#include <QLabel>
#include <QPushButton>

namespace vo {

namespace {

constexpr int kLabelLeft = 12;
constexpr int kFieldLeft = 112;
constexpr int kFieldWidth = 242;

const QString kValueDoesNotFitRow = QStringLiteral(
    "The product name, folder and thanks page cannot contain a comma (,), a caret (^), a double quote (\") or a "
    "line break: your site could not send such a value back correctly.");

AnsiLineEdit *makeProductField(QWidget *parent, const char *name, const char *caption, int top)
{
    QLabel *label = makeFieldCaption(parent, "", QString::fromLatin1(caption), kLabelLeft, top, kFieldLeft);
    return makeLabelledField<AnsiLineEdit>(parent, name, label, QRect(kFieldLeft, top, kFieldWidth, kFieldHeight));
}

} // namespace

TfrmProducts::TfrmProducts(TMessageBox &msgMain, QWidget *parent)
    : ButtonClosedDialog(parent), msgMain_(msgMain)
{
    setObjectName(QStringLiteral("TfrmProducts"));
    setWindowTitle(QStringLiteral("Add Product"));
    setFixedSize(366, 202);

    edtProdName_ = makeProductField(this, "edtProdName", "Product Name*:", 12);
    edtProdFolder_ = makeProductField(this, "edtProdFolder", "Folder*:", 40);
    edtProdThanksPage_ = makeProductField(this, "edtProdThanksPage", "Thanks page*:", 68);
    makeCaption(this, "bsSkinStdLabel5",
                QStringLiteral("The Code value will be generate automatically. Use this code to setup the product in "
                               "your Paypal Account."),
                QPoint(kLabelLeft, 96), 342);
    edtCode_ = makeProductField(this, "edtCode", "Code:", 134);
    edtCode_->setReadOnly(true);

    const OkCancel buttons = addOkCancel(QPoint(104, 168));
    connect(buttons.ok, &QPushButton::clicked, this, &TfrmProducts::btnOkClick);
    connect(buttons.cancel, &QPushButton::clicked, this, &TfrmProducts::btnCancelClick);

    QWidget::setTabOrder(edtProdName_, edtProdFolder_);
    QWidget::setTabOrder(edtProdFolder_, edtProdThanksPage_);
    QWidget::setTabOrder(edtProdThanksPage_, edtCode_);
    edtProdName_->setFocus();
    centreOnScreen(*this);
}

void TfrmProducts::showProduct(const ProductRecord &product)
{
    setWindowTitle(QStringLiteral("Edit Product"));
    edtProdName_->setBytes(product.Name);
    edtProdFolder_->setBytes(product.Folder);
    edtProdThanksPage_->setBytes(product.ThanksPage);
    edtCode_->setBytes(product.Code);
}

QByteArray TfrmProducts::name() const
{
    return edtProdName_->bytes();
}

QByteArray TfrmProducts::folder() const
{
    return edtProdFolder_->bytes();
}

QByteArray TfrmProducts::thanksPage() const
{
    return edtProdThanksPage_->bytes();
}

void TfrmProducts::refuse(AnsiLineEdit *field, const QString &message)
{
    msgMain_.warning(message);
    field->setFocus();
}

void TfrmProducts::btnOkClick()
{
    const std::pair<AnsiLineEdit *, const char *> required[] = {
        {edtProdName_, "Please provide a valid Product Name"},
        {edtProdFolder_, "Please provide a valid Product Folder"},
        {edtProdThanksPage_, "Please provide a valid Thanks Page"},
    };
    for (const auto &[field, message] : required) {
        if (TrimControls(field->bytes()).isEmpty()) {
            refuse(field, QString::fromLatin1(message));
            return;
        }
    }
    // The site sends products back as rows of quoted, comma-separated fields joined by "^";
    // such a value would come back in the wrong columns and could then be saved over others.
    for (AnsiLineEdit *field : {edtProdName_, edtProdFolder_, edtProdThanksPage_}) {
        if (!FitsProductRow(field->bytes())) {
            refuse(field, kValueDoesNotFitRow);
            return;
        }
    }
    done(QDialog::Accepted);
}

void TfrmProducts::btnCancelClick()
{
    done(QDialog::Rejected);
}

} // namespace vo
