// The dialogs as the built-in skin draws them: every caption whole, every label in its own
// window's colours.
#include "common/ModalDriver.h"
#include "products/FGetURLs.h"
#include "products/FProduct.h"
#include "settings/FSettings.h"
#include "ui/MessageBox.h"
#include "ui/Skin.h"

#include <QLabel>
#include <QTest>

#include <memory>

using namespace vo;
using vo::test::child;

class DialogSkinTest : public QObject
{
    Q_OBJECT

    ServerSettings settings_;
    TMessageBox msgMain_;

    std::unique_ptr<QDialog> make(const QString &which)
    {
        if (which == QLatin1String("settings"))
            return std::make_unique<TfrmSettings>(settings_);
        if (which == QLatin1String("product"))
            return std::make_unique<TfrmProducts>(msgMain_);
        return std::make_unique<TfrmGetURLs>("http://shop.example/thanks.php?id=1&sk=2");
    }

private Q_SLOTS:
    void initTestCase() { skin::apply(skin::builtIn()); }

    void captionsShowWholeInTheSkinsFont_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::newRow("settings") << QStringLiteral("settings");
        QTest::newRow("product") << QStringLiteral("product");
        QTest::newRow("thanks URL") << QStringLiteral("thanks");
    }
    void captionsShowWholeInTheSkinsFont()
    {
        QFETCH(QString, dialog);
        const std::unique_ptr<QDialog> window = make(dialog);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const QList<QLabel *> labels = window->findChildren<QLabel *>();
        QVERIFY(labels.size() >= 2);
        for (const QLabel *label : labels) {
            const QRect room = label->contentsRect();
            const QString what = label->text().left(30);
            if (label->wordWrap())
                QVERIFY2(label->heightForWidth(room.width()) <= room.height(), qPrintable(what));
            else
                QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= room.width(), qPrintable(what));
            QVERIFY2(window->rect().contains(label->geometry()), qPrintable(what));
            // A caption under a field or a button would be painted over.
            for (const QWidget *other : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                if (other != label && !qobject_cast<const QLabel *>(other) && other->isVisible())
                    QVERIFY2(!label->geometry().intersects(other->geometry()),
                             qPrintable(what + QStringLiteral(" under ") + other->objectName()));
            }
        }
    }

    void dialogLabelsKeepTheirWindowsColours()
    {
        // bsSkinStdLabel3 is also the main window's note, which the skin draws in its own colour.
        const std::pair<const char *, const char *> sameNameAndPlainLabel[] = {
            {"settings", "bsSkinStdLabel1"},
            {"thanks", "bsSkinStdLabel2"},
        };
        for (const auto &[dialog, plain] : sameNameAndPlainLabel) {
            const std::unique_ptr<QDialog> window = make(QString::fromLatin1(dialog));
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window.get()));
            const QColor expected = child<QLabel>(window.get(), plain)->palette().color(QPalette::WindowText);
            QCOMPARE(child<QLabel>(window.get(), "bsSkinStdLabel3")->palette().color(QPalette::WindowText), expected);
        }
    }
};

QTEST_MAIN(DialogSkinTest)
#include "DialogSkinTest.moc"
