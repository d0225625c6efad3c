#include "app/FAbout.h"

#include "branding/Branding.h"
#include "platform/AnsiText.h"
#include "ui/DialogParts.h"
#include "ui/ErrorReporter.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace vo {

namespace {

constexpr QSize kClientSize(368, 211);

// The About text may break its lines with CR, LF or CR LF; each starts a new line.
QString withUnixLineBreaks(const QByteArray &text)
{
    QByteArray lines = text;
    lines.replace("\r\n", "\n");
    lines.replace('\r', '\n');
    return ansi::toUnicode(lines);
}

} // namespace

TfrmAbout::TfrmAbout(const BrandingProfile &profile, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("TfrmAbout"));
    setModal(true);
    setFixedSize(kClientSize);

    lblProductName = new QLabel(this);
    lblProductName->setObjectName(QStringLiteral("lblProductName"));
    lblProductName->setGeometry(12, 10, 344, 18);
    QFont bold = lblProductName->font();
    bold.setBold(true);
    lblProductName->setFont(bold);

    lblProductVersion = new QLabel(this);
    lblProductVersion->setObjectName(QStringLiteral("lblProductVersion"));
    lblProductVersion->setGeometry(12, 32, 344, 16);

    lblCopyright = new QLabel(this);
    lblCopyright->setObjectName(QStringLiteral("lblCopyright"));
    lblCopyright->setGeometry(12, 50, 344, 16);

    // The branding file is anyone's to write: its texts are shown as they stand, never as markup.
    for (QLabel *label : {lblProductName, lblProductVersion, lblCopyright})
        label->setTextFormat(Qt::PlainText);

    memAbout = new QPlainTextEdit(this);
    memAbout->setObjectName(QStringLiteral("memAbout"));
    memAbout->setGeometry(10, 72, 348, 71);
    memAbout->setReadOnly(true);
    memAbout->setAccessibleName(QStringLiteral("About"));

    editAbout = new QPushButton(QStringLiteral("Ok"), this);
    editAbout->setObjectName(QStringLiteral("editAbout"));
    editAbout->setGeometry((kClientSize.width() - 87) / 2, kClientSize.height() - 21 - 14, 87, 21);
    editAbout->setDefault(true);
    connect(editAbout, &QPushButton::clicked, this, [this] { runGuarded([this] { editAboutClick(); }); });

    FormCreate(profile);
    centreOnScreen(*this);
}

void TfrmAbout::FormCreate(const BrandingProfile &profile)
{
    const QString name = ansi::toUnicode(profile.ApplicationName);
    setWindowTitle(QStringLiteral("About ") + name + QStringLiteral("..."));
    lblProductName->setText(name);
    lblProductVersion->setText(QStringLiteral("Product Version: ") + QLatin1String(ProgramVersion));
    // The line stands only when it has a year or a company to show, each said once.
    QStringList owner;
    for (const QByteArray &part : {profile.CopyrightYears, profile.CopyrightCompany}) {
        if (!part.trimmed().isEmpty())
            owner << ansi::toUnicode(part);
    }
    lblCopyright->setText(owner.isEmpty() ? QString() : QStringLiteral("Copyright (c) ") + owner.join(u' '));
    lblCopyright->setVisible(!owner.isEmpty());
    memAbout->setPlainText(withUnixLineBreaks(profile.AboutText));
}

void TfrmAbout::editAboutClick()
{
    accept();
}

} // namespace vo
