// The dialogs as the built-in skin draws them: every caption whole, every label in its own
// window's colours.
#include "app/FMain.h"
#include "common/ModalDriver.h"
#include "products/FGetURLs.h"
#include "products/FProduct.h"
#include "settings/FSettings.h"
#include "ui/MessageBox.h"
#include "ui/Skin.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <tuple>

using namespace vo;
using vo::test::child;

class DialogSkinTest : public QObject
{
    Q_OBJECT

    ServerSettings settings_;
    TMessageBox msgMain_;
    QTemporaryDir dir_;
    // The dialogs' owner, as in the program: the main window's skin rules must not reach them.
    std::unique_ptr<TfrmMain> main_;

    std::unique_ptr<QDialog> shown(std::unique_ptr<QDialog> dialog)
    {
        dialog->show();
        return QTest::qWaitForWindowExposed(dialog.get()) ? std::move(dialog) : nullptr;
    }
    std::unique_ptr<QDialog> settings() { return shown(std::make_unique<TfrmSettings>(settings_, main_.get())); }
    std::unique_ptr<QDialog> thanks()
    {
        return shown(std::make_unique<TfrmGetURLs>("http://shop.example/t", main_.get()));
    }

private Q_SLOTS:
    void initTestCase()
    {
        skin::apply(skin::builtIn());
        main_ = std::make_unique<TfrmMain>(AppFolder(dir_.path()));
    }

    // The Alt letters show as a mnemonic's underline, while each caption reads as before.
    void altLettersAreUnderlined()
    {
        const auto sameButtonWith = [](const QPushButton *button, const QString &caption) {
            QPushButton twin(caption, button->parentWidget());
            twin.setObjectName(button->objectName());
            twin.setGeometry(button->geometry());
            twin.setFocusPolicy(button->focusPolicy());
            twin.setAutoDefault(false);
            twin.show();
            return twin.grab().toImage();
        };
        for (const auto &[dialog, name, underlined] : {std::tuple{settings(), "btnOk", "&Ok"},
                                                        std::tuple{settings(), "btnCancel", "&Cancel"},
                                                        std::tuple{thanks(), "btnOk", "&Close"}}) {
            QVERIFY(dialog);
            const auto *button = child<QPushButton>(dialog.get(), name);
            const QString caption = QString::fromLatin1(underlined).remove(u'&');
            QCOMPARE(button->text(), caption);
            const QImage drawn = const_cast<QPushButton *>(button)->grab().toImage();
            QVERIFY2(drawn == sameButtonWith(button, QString::fromLatin1(underlined)), underlined);
            QVERIFY2(drawn != sameButtonWith(button, caption), underlined);
        }
    }

    void captionsShowWholeInTheSkinsFont()
    {
        for (const auto &window : {settings(), thanks(), shown(std::make_unique<TfrmProducts>(msgMain_, main_.get()))}) {
            QVERIFY(window);
            for (const QLabel *label : window->findChildren<QLabel *>()) {
                const QRect room = label->contentsRect();
                const QByteArray what = label->text().left(30).toUtf8();
                if (label->wordWrap())
                    QVERIFY2(label->heightForWidth(room.width()) <= room.height(), what.constData());
                else
                    QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= room.width(), what.constData());
                QVERIFY2(window->rect().contains(label->geometry()), what.constData());
                // A caption under a field or a button would be painted over.
                for (const QWidget *other : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                    if (!qobject_cast<const QLabel *>(other))
                        QVERIFY2(!label->geometry().intersects(other->geometry()),
                                 (what + " under " + other->objectName().toUtf8()).constData());
                }
            }
        }
    }

    void dialogLabelsKeepTheirWindowsColours()
    {
        // bsSkinStdLabel3 is also the main window's note, which the skin draws in its own colour.
        const std::pair<std::unique_ptr<QDialog>, const char *> dialogAndPlainLabel[] = {
            {settings(), "bsSkinStdLabel1"},
            {thanks(), "bsSkinStdLabel2"},
        };
        for (const auto &[window, plain] : dialogAndPlainLabel) {
            QVERIFY(window);
            QCOMPARE(child<QLabel>(window.get(), "bsSkinStdLabel3")->palette().color(QPalette::WindowText),
                     child<QLabel>(window.get(), plain)->palette().color(QPalette::WindowText));
        }
    }
};

QTEST_MAIN(DialogSkinTest)
#include "DialogSkinTest.moc"

