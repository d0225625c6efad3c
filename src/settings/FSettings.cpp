#include "settings/FSettings.h"

#include "ui/AnsiLineEdit.h"
#include "ui/IntegerEdit.h"

#include <QLabel>
#include <QPushButton>

namespace vo {

namespace {

constexpr QSize kClientSize(444, 382);
constexpr int labelLeft = 16;
constexpr int textLeft = 116;
constexpr int numberLeft = 160;
constexpr int noteLeft = 236;

QLabel *makeLabel(QWidget *parent, const char *name, const char *caption, int left, int top, int roomEnd)
{
    return makeFieldCaption(parent, name, QString::fromLatin1(caption), left, top, roomEnd);
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
    resize(kClientSize);

    // A text row: caption in the first column, box from textLeft.
    const auto textRow = [this](const char *field, const char *label, const char *caption, int top, int width) {
        return makeField<AnsiLineEdit>(this, field, makeLabel(this, label, caption, labelLeft, top, textLeft),
                                       textLeft, top, width);
    };
    // A limit row: caption, whole-number field, and its note from noteLeft to the dialog's edge.
    const auto limitRow = [this](const char *field, const char *label, const char *caption, int top,
                                 const char *noteLabel, const char *note) {
        makeLabel(this, noteLabel, note, noteLeft, top, kClientSize.width());
        return makeField<TIntegerEdit>(this, field, makeLabel(this, label, caption, labelLeft, top, numberLeft),
                                       numberLeft, top, 65);
    };
    edtSite_ = textRow("edtSite", "bsSkinStdLabel1", "Site URL:", 14, 270);
    edtHostname_ = textRow("edtHostname", "bsSkinStdLabel3", "MYSQL Host:", 40, 269);
    edtDatabase_ = textRow("edtDatabase", "bsSkinStdLabel5", "Database:", 67, 177);
    edtUsername_ = textRow("edtUsername", "bsSkinStdLabel7", "Database User:", 94, 177);
    edtPassword_ = textRow("edtPassword", "bsSkinStdLabel10", "User Password:", 121, 177);
    edtSecretKey_ = textRow("edtSecretKey", "bsSkinStdLabel13", "Secret Key:", 147, 177);
    const char *const disable = "Set 0 to disable this feature.";
    edtExpire_ = limitRow("edtExpire", "bsSkinStdLabel4", "Link Expire Timeout:", 190, "bsSkinStdLabel6",
                          "hours. Set 0 to disable this feature.");
    edtDownloads_ = limitRow("edtDownloads", "bsSkinStdLabel8", "Max. Number of Downloads:", 221, "bsSkinStdLabel9",
                             disable);
    edtIPs_ = limitRow("edtIPs", "bsSkinStdLabel11", "Max Number of IP addresses:", 251, "bsSkinStdLabel12", disable);
    makeCaption(this, "bsSkinStdLabel2",
                QStringLiteral("After save the changes a new configuration file (config.php) will be created and you "
                               "must upload to your server."),
                QPoint(18, 284), 396);

    const OkCancel buttons = addOkCancel(QPoint(132, 327));
    connect(buttons.ok, &QPushButton::clicked, this, &TfrmSettings::btnOkClick);
    connect(buttons.cancel, &QPushButton::clicked, this, &TfrmSettings::btnCancelClick);

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
    centreOnScreen(*this);
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
