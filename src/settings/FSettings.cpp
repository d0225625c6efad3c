#include "settings/FSettings.h"

#include "ui/AnsiLineEdit.h"
#include "ui/IntegerEdit.h"

#include <QLabel>
#include <QPushButton>

namespace vo {

namespace {


QLabel *makeLabel(QWidget *parent, const char *name, const char *caption, int left, int top)
{
    return makeFieldCaption(parent, name, QString::fromLatin1(caption), left, top);
}

template <typename Field>
Field *makeField(QWidget *parent, const char *name, QLabel *label, int left, int top, int width)
{
    return makeLabelledField<Field>(parent, name, label, QRect(left, top, width, kFieldHeight));
}

} // namespace

TfrmSettings::TfrmSettings(ServerSettings &settings, QWidget *parent)
    : ButtonClosedDialog(parent), settings_(settings)
{
    setObjectName(QStringLiteral("TfrmSettings"));
    setWindowTitle(QStringLiteral("Settings"));
    resize(444, 382);

    constexpr int labelLeft = 16;
    edtSite_ = makeField<AnsiLineEdit>(this, "edtSite", makeLabel(this, "bsSkinStdLabel1", "Site URL:", labelLeft, 14), 116, 14, 270);
    edtHostname_ = makeField<AnsiLineEdit>(this, "edtHostname", makeLabel(this, "bsSkinStdLabel3", "MYSQL Host:", labelLeft, 40), 116, 40, 269);
    edtDatabase_ = makeField<AnsiLineEdit>(this, "edtDatabase", makeLabel(this, "bsSkinStdLabel5", "Database:", labelLeft, 67), 116, 67, 177);
    edtUsername_ = makeField<AnsiLineEdit>(this, "edtUsername", makeLabel(this, "bsSkinStdLabel7", "Database User:", labelLeft, 94), 116, 94, 177);
    edtPassword_ = makeField<AnsiLineEdit>(this, "edtPassword", makeLabel(this, "bsSkinStdLabel10", "User Password:", labelLeft, 121), 116, 121, 177);
    edtSecretKey_ = makeField<AnsiLineEdit>(this, "edtSecretKey", makeLabel(this, "bsSkinStdLabel13", "Secret Key:", labelLeft, 147), 116, 147, 177);
    edtExpire_ = makeField<TIntegerEdit>(this, "edtExpire", makeLabel(this, "bsSkinStdLabel4", "Link Expire Timeout:", labelLeft, 190), 160, 190, 65);
    edtDownloads_ = makeField<TIntegerEdit>(this, "edtDownloads", makeLabel(this, "bsSkinStdLabel8", "Max. Number of Downloads:", labelLeft, 221), 160, 221, 65);
    edtIPs_ = makeField<TIntegerEdit>(this, "edtIPs", makeLabel(this, "bsSkinStdLabel11", "Max Number of IP addresses:", labelLeft, 251), 160, 251, 65);

    makeLabel(this, "bsSkinStdLabel6", "hours. Set 0 to disable this feature.", 236, 190);
    makeLabel(this, "bsSkinStdLabel9", "Set 0 to disable this feature.", 236, 221);
    makeLabel(this, "bsSkinStdLabel12", "Set 0 to disable this feature.", 236, 251);
    makeCaption(this, "bsSkinStdLabel2",
                QStringLiteral("After save the changes a new configuration file (config.php) will be created and you "
                               "must upload to your server."),
                QPoint(18, 284), 396);

    connect(makeMouseButton(this, "btnOk", QStringLiteral("Ok"), QRect(132, 327, 75, 25)), &QPushButton::clicked, this,
            &TfrmSettings::btnOkClick);
    connect(makeMouseButton(this, "btnCancel", QStringLiteral("Cancel"), QRect(215, 327, 75, 25)),
            &QPushButton::clicked, this, &TfrmSettings::btnCancelClick);

    // The secret key comes last although it stands above the limits.
    QWidget::setTabOrder(edtSite_, edtHostname_);
    QWidget::setTabOrder(edtHostname_, edtDatabase_);
    QWidget::setTabOrder(edtDatabase_, edtUsername_);
    QWidget::setTabOrder(edtUsername_, edtPassword_);
    QWidget::setTabOrder(edtPassword_, edtExpire_);
    QWidget::setTabOrder(edtExpire_, edtDownloads_);
    QWidget::setTabOrder(edtDownloads_, edtIPs_);
    QWidget::setTabOrder(edtIPs_, edtSecretKey_);
    edtSite_->setFocus();

    fillFrom(settings_);
}

void TfrmSettings::fillFrom(const ServerSettings &settings)
{
    edtSite_->setBytes(settings.swebserver);
    edtHostname_->setBytes(settings.shostname);
    edtDatabase_->setBytes(settings.sdatabase);
    edtUsername_->setBytes(settings.susername);
    edtPassword_->setBytes(settings.spassword);
    edtExpire_->setValue(settings.sExpireTimeout);
    edtDownloads_->setValue(settings.sMaxDownloads);
    edtIPs_->setValue(settings.sMaxIPs);
    edtSecretKey_->setBytes(settings.sSecretKey);
}

void TfrmSettings::StoreSettings()
{
    settings_.swebserver = edtSite_->bytes();
    settings_.shostname = edtHostname_->bytes();
    settings_.sdatabase = edtDatabase_->bytes();
    settings_.susername = edtUsername_->bytes();
    settings_.spassword = edtPassword_->bytes();
    settings_.sExpireTimeout = edtExpire_->value();
    settings_.sMaxDownloads = edtDownloads_->value();
    settings_.sMaxIPs = edtIPs_->value();
    settings_.sSecretKey = edtSecretKey_->bytes();
}

void TfrmSettings::btnOkClick()
{
    StoreSettings();
    done(QDialog::Accepted);
}

void TfrmSettings::btnCancelClick()
{
    done(QDialog::Rejected);
}

} // namespace vo
