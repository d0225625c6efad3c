#pragma once

#include "ui/DialogParts.h"

namespace vo {

// Shows a buyer's thanks-page link so the seller can copy it.
class TfrmGetURLs : public ButtonClosedDialog
{
    Q_OBJECT
public:
    explicit TfrmGetURLs(const QByteArray &url, QWidget *parent = nullptr);
};

} // namespace vo
