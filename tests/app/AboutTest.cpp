#include "common/ModalDriver.h"

#include "app/FAbout.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace vo;
using vo::test::child;

class AboutTest : public QObject
{
    Q_OBJECT

    static QString text(QWidget *dialog, const char *name) { return child<QLabel>(dialog, name)->text(); }

private Q_SLOTS:
    void withoutBranding()
    {
        TfrmAbout dialog{BrandingProfile()};
        QCOMPARE(dialog.windowTitle(), QStringLiteral("About ..."));
        QCOMPARE(text(&dialog, "lblProductName"), QString());
        QCOMPARE(text(&dialog, "lblProductVersion"), QStringLiteral("Product Version: 2.01"));
        // No year and no company: no bare "Copyright (c)".
        QVERIFY(child<QLabel>(&dialog, "lblCopyright")->isHidden());
        QVERIFY(!text(&dialog, "lblCopyright").contains(QStringLiteral("Copyright")));
        QCOMPARE(child<QPlainTextEdit>(&dialog, "memAbout")->toPlainText(), QString());

        BrandingProfile companyOnly;
        companyOnly.CopyrightCompany = "Acme Ltd";
        TfrmAbout branded(companyOnly);
        QVERIFY(!child<QLabel>(&branded, "lblCopyright")->isHidden());
        QCOMPARE(text(&branded, "lblCopyright"), QStringLiteral("Copyright (c) Acme Ltd"));
    }

    void withBranding()
    {
        BrandingProfile profile;
        profile.ApplicationName = "Acme Caf\xE9";
        profile.CopyrightYears = "2005-2007";
        profile.CopyrightCompany = "Acme Ltd";
        // Tags on lines of their own, and every kind of line break inside.
        profile.AboutText = "\r\nFirst\rSecond\nThird\r\n";
        TfrmAbout dialog(profile);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("About Acme Caf\u00E9..."));
        QCOMPARE(text(&dialog, "lblProductName"), QStringLiteral("Acme Caf\u00E9"));
        QVERIFY(child<QLabel>(&dialog, "lblProductName")->font().bold());
        QCOMPARE(text(&dialog, "lblCopyright"), QStringLiteral("Copyright (c) 2005-2007 Acme Ltd"));
        auto *memo = child<QPlainTextEdit>(&dialog, "memAbout");
        QCOMPARE(memo->toPlainText(), QStringLiteral("\nFirst\nSecond\nThird\n"));
        QCOMPARE(memo->document()->blockCount(), 5);
    }

    void brandingTextsAreNotMarkup()
    {
        BrandingProfile profile;
        profile.ApplicationName = "<img src=\"/dev/zero\">";
        profile.CopyrightCompany = "<font color=red>Acme</font>";
        TfrmAbout dialog(profile);
        dialog.grab();
        for (const char *name : {"lblProductName", "lblCopyright"}) {
            auto *label = child<QLabel>(&dialog, name);
            // Drawn as written: as wide as its characters, not as a picture or a coloured word.
            QVERIFY2(label->sizeHint().width() >= label->fontMetrics().horizontalAdvance(label->text()), name);
        }
        QCOMPARE(text(&dialog, "lblProductName"), QStringLiteral("<img src=\"/dev/zero\">"));
    }

    void layout()
    {
        TfrmAbout dialog{BrandingProfile()};
        QCOMPARE(dialog.size(), QSize(368, 211));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowMinMaxButtonsHint));
        auto *memo = child<QPlainTextEdit>(&dialog, "memAbout");
        QCOMPARE(memo->size(), QSize(348, 71));
        QVERIFY(memo->isReadOnly());
        auto *ok = child<QPushButton>(&dialog, "editAbout");
        QCOMPARE(ok->text(), QStringLiteral("Ok"));
        QCOMPARE(ok->size(), QSize(87, 21));
        QVERIFY(qAbs(ok->geometry().center().x() - dialog.rect().center().x()) <= 1);
        QVERIFY(ok->geometry().bottom() < dialog.height());
        // Top to bottom: name, version, copyright, text, button.
        const int name = child<QLabel>(&dialog, "lblProductName")->y();
        const int version = child<QLabel>(&dialog, "lblProductVersion")->y();
        const int copyright = child<QLabel>(&dialog, "lblCopyright")->y();
        QVERIFY(name < version && version < copyright && copyright < memo->y() && memo->geometry().bottom() < ok->y());
    }

    void okClosesTheDialog()
    {
        TfrmAbout dialog{BrandingProfile()};
        bool clicked = false;
        test::whenModalShown([&clicked](QWidget *modal) {
            if (auto *ok = child<QPushButton>(modal, "editAbout")) {
                clicked = true;
                ok->click();
            }
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QVERIFY(clicked);
        QVERIFY(!dialog.isVisible());
    }
};

QTEST_MAIN(AboutTest)
#include "AboutTest.moc"
