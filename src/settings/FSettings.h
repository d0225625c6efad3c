#pragma once

#include "settings/ServerSettings.h"

#include "ui/DialogParts.h"

namespace vo {

class AnsiLineEdit;
class TIntegerEdit;

// The settings dialog. It checks nothing: every entry is accepted as typed, and Ok puts the
// values into the record before the caller writes the files.
class TfrmSettings : public ButtonClosedDialog
{
    Q_OBJECT
public:
    TfrmSettings(ServerSettings &settings, QWidget *parent = nullptr);

    void StoreSettings();

private:
    void fillFrom(const ServerSettings &settings);
    void btnOkClick();
    void btnCancelClick();

    ServerSettings &settings_;
    AnsiLineEdit *edtSite_ = nullptr;
    AnsiLineEdit *edtHostname_ = nullptr;
    AnsiLineEdit *edtDatabase_ = nullptr;
    AnsiLineEdit *edtUsername_ = nullptr;
    AnsiLineEdit *edtPassword_ = nullptr;
    AnsiLineEdit *edtSecretKey_ = nullptr;
    TIntegerEdit *edtExpire_ = nullptr;
    TIntegerEdit *edtDownloads_ = nullptr;
    TIntegerEdit *edtIPs_ = nullptr;
};

} // namespace vo
