#pragma once

#include "products/ProductRecord.h"
#include "ui/DialogParts.h"

namespace vo {

class AnsiLineEdit;
class TMessageBox;

// The product dialog of Add and Edit. It refuses to close with Ok until name, folder and thanks
// page hold something, and only values that a product row can carry back from the site.
class TfrmProducts : public ButtonClosedDialog
{
    Q_OBJECT
public:
    TfrmProducts(TMessageBox &msgMain, QWidget *parent = nullptr);

    // Opens for editing: "Edit Product" with the product's values and its code.
    void showProduct(const ProductRecord &product);

    QByteArray name() const;
    QByteArray folder() const;
    QByteArray thanksPage() const;

private:
    void btnOkClick();
    void btnCancelClick();
    void refuse(AnsiLineEdit *field, const QString &message);

    TMessageBox &msgMain_;
    AnsiLineEdit *edtProdName_ = nullptr;
    AnsiLineEdit *edtProdFolder_ = nullptr;
    AnsiLineEdit *edtProdThanksPage_ = nullptr;
    AnsiLineEdit *edtCode_ = nullptr;
};

} // namespace vo
