// What only the window system shows: titles as the X server holds them, where dialogs stand on
// the screen, the window manager's close, and keys as a real keyboard sends them.
#include "app/Application.h"
#include "app/FAbout.h"
#include "app/FMain.h"
#include "branding/AesLib.h"
#include "common/ModalDriver.h"
#include "common/TestSites.h"
#include "net/IdHTTP.h"
#include "news/FNews.h"
#include "products/FGetURLs.h"
#include "products/FProduct.h"
#include "settings/FSettings.h"
#include "support/X11Probe.h"
#include "ui/IntegerEdit.h"
#include "ui/MessageBox.h"
#include "ui/Skin.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace vo;
using vo::test::child;
namespace x11 = vo::test::x11;

namespace {

ServerSettings someSettings()
{
    ServerSettings settings;
    settings.swebserver = "http://shop.example";
    settings.sExpireTimeout = 24;
    return settings;
}

// The dialog shown and holding the keyboard, so that xdotool's keys reach it.
bool showActive(QDialog &dialog)
{
    dialog.show();
    dialog.activateWindow();
    return QTest::qWaitForWindowActive(&dialog);
}

} // namespace

class WindowSystemTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    ServerSettings settings_ = someSettings();
    TMessageBox msgMain_;
    TIdHTTP http_;
    BrandingProfile profile_;
    QByteArrayList newsList_{"7^Seven^2026-01-01"};

    // Every dialog that opens centred on the screen, made for `owner`.
    std::vector<std::pair<const char *, std::function<std::unique_ptr<QDialog>(QWidget *)>>> dialogs()
    {
        return {
            {"Settings", [this](QWidget *o) { return std::make_unique<TfrmSettings>(settings_, o); }},
            {"Product", [this](QWidget *o) { return std::make_unique<TfrmProducts>(msgMain_, o); }},
            {"Thanks URL", [](QWidget *o) { return std::make_unique<TfrmGetURLs>("http://shop.example/t", o); }},
            {"About", [this](QWidget *o) { return std::make_unique<TfrmAbout>(profile_, o); }},
            {"News",
             [this](QWidget *o) {
                 return std::make_unique<TfrmNews>(profile_, newsList_, http_, msgMain_, [](const QByteArray &) {}, o);
             }},
        };
    }

private Q_SLOTS:
    void titlesAreExactlyEachWindowsCaption()
    {
        const QByteArray markup = "<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n"
                                  "<%%BranderType%%>Free<%%/BranderType%%>\r\n";
        QFile plain(dir_.filePath(QStringLiteral("plain.txt")));
        QVERIFY(plain.open(QIODevice::WriteOnly) && plain.write(markup) == markup.size());
        plain.close();
        QVERIFY(EncryptFileTo(plain.fileName(), dir_.filePath(QStringLiteral("dbsettings.dat"))));
        QVERIFY(plain.remove());

        TfrmMain window{AppFolder(dir_.path())};
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(x11::windowName(window), QStringLiteral("Acme v2.01"));

        TfrmSettings settings(settings_, &window);
        TfrmAbout about(window.brandingProfile(), &window);
        TfrmProducts product(msgMain_, &window);
        product.showProduct(ProductRecord{"1", "Beta", "beta", "thanks.html", "C0DE", "k"});
        TfrmNews news(window.brandingProfile(), newsList_, http_, msgMain_, [](const QByteArray &) {}, &window);
        const std::pair<QDialog *, QString> expected[] = {
            {&settings, QStringLiteral("Settings")},
            {&about, QStringLiteral("About Acme...")},
            {&product, QStringLiteral("Edit Product")},
            {&news, QStringLiteral("News")},
        };
        for (const auto &[dialog, title] : expected) {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            QCOMPARE(x11::windowName(*dialog), title);
            dialog->hide();
        }

        QString boxTitle;
        vo::test::whenModalShown([&](QWidget *box) {
            boxTitle = x11::windowName(*box);
            box->close();
        });
        window.findChild<TMessageBox *>(QStringLiteral("msgMain"))->warning(QStringLiteral("Look"));
        QCOMPARE(boxTitle, QStringLiteral("Acme v2.01"));
    }

    void dialogsOpenCentredOnTheScreen()
    {
        // The seller has moved the main window into a corner.
        QWidget owner;
        owner.setGeometry(0, 0, 300, 200);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        const QRect screen = x11::rootGeometry();
        for (const auto &[name, make] : dialogs()) {
            const std::unique_ptr<QDialog> dialog = make(&owner);
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
            const QPoint offCentre = x11::frameGeometry(*dialog).center() - screen.center();
            QVERIFY2(qAbs(offCentre.x()) <= 1 && qAbs(offCentre.y()) <= 1, name);
        }
    }

    void numberFieldsTakeTheKeyboardsEditingKeys()
    {
        TfrmSettings dialog(settings_);
        QVERIFY(showActive(dialog));
        auto *expire = child<TIntegerEdit>(&dialog, "edtExpire");
        expire->setFocus();
        expire->home(false);
        QTRY_VERIFY(expire->hasFocus());

        // X11's Delete carries 0x7F, its BackSpace 0x08.
        QVERIFY(x11::xdotool({QStringLiteral("key"), QStringLiteral("Delete")}));
        QTRY_COMPARE(expire->text(), QStringLiteral("4"));
        QCOMPARE(expire->value(), 4);
        QVERIFY(x11::xdotool({QStringLiteral("type"), QStringLiteral("a.9+")}));
        QVERIFY(x11::xdotool({QStringLiteral("key"), QStringLiteral("End"), QStringLiteral("BackSpace"),
                              QStringLiteral("minus"), QStringLiteral("Return")}));
        QTRY_COMPARE(expire->text(), QStringLiteral("9-"));
        QCOMPARE(expire->value(), 9);
        QVERIFY(dialog.isVisible());
    }

    void keyboardAndWindowManagerLeaveTheDialogs()
    {
        const QString wmClose = QStringLiteral("WM_DELETE_WINDOW");
        const struct
        {
            std::size_t dialog;
            QString way;
            QDialog::DialogCode result;
        } cases[] = {
            {0, wmClose, QDialog::Rejected}, {0, QStringLiteral("alt+c"), QDialog::Rejected},
            {0, QStringLiteral("alt+o"), QDialog::Accepted}, {1, wmClose, QDialog::Rejected},
            {1, QStringLiteral("alt+c"), QDialog::Rejected}, {1, QStringLiteral("alt+o"), QDialog::Accepted},
            // The thanks dialog's one button is "Close".
            {2, wmClose, QDialog::Accepted}, {2, QStringLiteral("alt+c"), QDialog::Accepted},
        };
        for (const auto &[index, way, result] : cases) {
            const std::unique_ptr<QDialog> dialog = dialogs().at(index).second(nullptr);
            for (auto *field : dialog->findChildren<QLineEdit *>())
                if (field->text().isEmpty())
                    field->setText(QStringLiteral("x")); // Ok of the product dialog wants every box
            QVERIFY(showActive(*dialog));
            if (way == wmClose)
                x11::sendDeleteWindow(*dialog);
            else
                QVERIFY(x11::xdotool({QStringLiteral("key"), way}));
            const QString what = QLatin1String(dialogs().at(index).first) + u' ' + way;
            QTRY_VERIFY2(!dialog->isVisible(), qPrintable(what));
            QVERIFY2(dialog->result() == result, qPrintable(what));
        }
        QCOMPARE(settings_.shostname, QByteArray("x"));
    }
};

int main(int argc, char **argv)
{
    if (!x11::useTestDisplay())
        return 1;
    TApplication app(argc, argv);
    skin::apply(skin::builtIn());
    WindowSystemTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WindowSystemTest.moc"
