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
#include "news/NewsHint.h"
#include "products/FGetURLs.h"
#include "products/FProduct.h"
#include "settings/FSettings.h"
#include "support/X11Probe.h"
#include "ui/IntegerEdit.h"
#include "ui/MessageBox.h"
#include "ui/Skin.h"

#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
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

    // Keys as X11 sends them: Home, End, Page Down and Page Up move the list's current row,
    // and it is the one row selected.
    void productListTakesTheListKeys()
    {
        TfrmMain window{AppFolder(dir_.path())};
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QByteArray rows;
        for (int i = 0; i < 200; ++i)
            rows += QStringLiteral("\"%1\",\"Product %2\",\"f\",\"t.html\",\"C%1\"^").arg(i).arg(i, 3, 10, QLatin1Char('0')).toLatin1();
        QVERIFY(window.FillProductList(rows + "OK"));
        auto *list = child<QTableView>(&window, "lvwProducts");
        list->setFocus();
        QTRY_VERIFY(list->hasFocus());
        const auto currentRow = [list] { return list->currentIndex().row(); };
        const auto press = [](const char *key) { return x11::xdotool({QStringLiteral("key"), QLatin1String(key)}); };

        QVERIFY(press("End"));
        QTRY_COMPARE(currentRow(), 199);
        QVERIFY(press("Home"));
        QTRY_COMPARE(currentRow(), 0);
        QVERIFY(press("Next"));
        QTRY_VERIFY(currentRow() > 1);
        const int onePage = currentRow();
        QVERIFY(press("Next"));
        QTRY_COMPARE(currentRow(), 2 * onePage);
        QVERIFY(press("Prior"));
        QTRY_COMPARE(currentRow(), onePage);
        QCOMPARE(list->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(list->selectionModel()->selectedRows().constFirst().row(), onePage);
    }

    // The toolbar shows where the keyboard is: a button that Tab reached is drawn otherwise.
    void toolbarButtonsShowTheFocus()
    {
        TfrmMain window{AppFolder(dir_.path())};
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        // The keyboard starts on the list, away from the toolbar.
        auto *list = child<QWidget>(&window, "lvwProducts");
        list->setFocus();
        QTRY_VERIFY(list->hasFocus());
        for (const char *name : {"btnSimple", "bsSkinSpeedButton1"}) {
            auto *button = child<QWidget>(&window, name);
            const QImage resting = button->grab().toImage();
            for (int tabs = 0; tabs < 30 && !button->hasFocus(); ++tabs) {
                QVERIFY(x11::xdotool({QStringLiteral("key"), QStringLiteral("Tab")}));
                QTest::qWait(20);
            }
            QVERIFY2(button->hasFocus(), name);
            QVERIFY2(button->grab().toImage() != resting, name);
        }
    }

    // The balloon goes at Escape, and never stands above a modal dialog: the X server maps no
    // window of it while one is open.
    void balloonGivesWayToEscapeAndToModalDialogs()
    {
        QWidget owner;
        owner.resize(400, 300);
        auto *news = new QPushButton(QStringLiteral("News"), &owner);
        news->setGeometry(300, 5, 41, 34);
        owner.show();
        owner.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&owner));
        const qint64 pid = QCoreApplication::applicationPid();

        QPointer<TNewsHint> hint = ShowNewsHint(*news, "You've Got A Message!\r\nSale");
        QTRY_COMPARE(x11::windowsOf(pid).size(), 2);
        QVERIFY(x11::xdotool({QStringLiteral("key"), QStringLiteral("Escape")}));
        QTRY_VERIFY(hint.isNull());
        QTRY_COMPARE(x11::windowsOf(pid).size(), 1);

        hint = ShowNewsHint(*news, "You've Got A Message!\r\nSale");
        QTRY_COMPARE(x11::windowsOf(pid).size(), 2);
        QDialog dialog(&owner);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTRY_VERIFY(hint.isNull());
        QCOMPARE(ShowNewsHint(*news, "You've Got A Message!\r\nLater"), nullptr);
        QTRY_COMPARE(x11::windowsOf(pid).size(), 2); // the owner and the dialog
        // Held back, not lost: it comes once the dialog is answered.
        dialog.accept();
        QTRY_VERIFY(TNewsHint::current() != nullptr);
        QCOMPARE(TNewsHint::current()->text(), QStringLiteral("You've Got A Message!\nLater"));
        QTRY_COMPARE(x11::windowsOf(pid).size(), 2); // the owner and the balloon
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
