#pragma once

#include "branding/BrandingProfile.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vo {

// The About dialog: the branded product name, the program version, the copyright line and the
// distributor's free text. Filled once when created; "Ok" closes it.
class TfrmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmAbout(const BrandingProfile &profile, QWidget *parent = nullptr);

private:
    void FormCreate(const BrandingProfile &profile);
    void editAboutClick();

    QLabel *lblProductName = nullptr;
    QLabel *lblProductVersion = nullptr;
    QLabel *lblCopyright = nullptr;
    QPlainTextEdit *memAbout = nullptr;
    QPushButton *editAbout = nullptr;
};

} // namespace vo
