#include "ui/AnsiLineEdit.h"
#include "ui/IntegerEdit.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QTest>
#include <QToolTip>

using namespace vo;

namespace {
// QTest::keyClicks only knows Latin-1; a real keyboard can type any character.
void typeCharacter(QWidget *widget, QChar c)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
}
} // namespace

class TextFieldsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { TMessageBox::beginScript(); }
    void cleanup() { TMessageBox::endScript(); }

    void integerFieldStartsAtZeroAndShowsItsValue()
    {
        TIntegerEdit edit;
        QCOMPARE(edit.text(), QStringLiteral("0"));
        QCOMPARE(edit.value(), 0);
        edit.setValue(-17);
        QCOMPARE(edit.text(), QStringLiteral("-17"));
        QCOMPARE(edit.value(), -17);
    }

    void integerFieldRefusesAllButDigitsMinusAndControlKeys()
    {
        TIntegerEdit edit;
        edit.clear();
        QTest::keyClicks(&edit, QStringLiteral("1a2.b 3+"));
        QCOMPARE(edit.text(), QStringLiteral("123"));
        QTest::keyClick(&edit, Qt::Key_Return);
        QTest::keyClick(&edit, Qt::Key_Enter);
        QCOMPARE(edit.text(), QStringLiteral("123"));
        QCOMPARE(edit.value(), 123);
        QTest::keyClick(&edit, Qt::Key_Up);
        QTest::keyClick(&edit, Qt::Key_Down);
        QCOMPARE(edit.value(), 123);
        QCOMPARE(edit.text(), QStringLiteral("123"));
    }

    void backspacingKeepsTheLastWholeNumber()
    {
        TIntegerEdit edit;
        edit.setValue(24);
        edit.end(false);
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QCOMPARE(edit.value(), 2);
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QCOMPARE(edit.text(), QString());
        QCOMPARE(edit.value(), 2);

        edit.setValue(24);
        edit.selectAll();
        QTest::keyClick(&edit, Qt::Key_Delete);
        QCOMPARE(edit.text(), QString());
        QCOMPARE(edit.value(), 24);
    }

    void textsThatAreNoWholeNumberKeepTheValue()
    {
        TIntegerEdit edit;
        edit.clear();
        QTest::keyClicks(&edit, QStringLiteral("-3"));
        QCOMPARE(edit.value(), -3);
        edit.setValue(1);
        QTest::keyClicks(&edit, QStringLiteral("-2")); // "1-2"
        QCOMPARE(edit.text(), QStringLiteral("1-2"));
        QCOMPARE(edit.value(), 1);

        edit.setValue(5);
        edit.selectAll();
        QApplication::clipboard()->setText(QStringLiteral("twelve"));
        edit.paste();
        QCOMPARE(edit.text(), QStringLiteral("twelve"));
        QCOMPARE(edit.value(), 5);
        QVERIFY(TMessageBox::takeShown().isEmpty());
    }

    void numberOutsideTheRangeIsAConversionError()
    {
        TIntegerEdit edit;
        edit.setValue(7);
        edit.end(false);
        // Each key makes a whole number until the tenth digit leaves the 32-bit range.
        QTest::keyClicks(&edit, QStringLiteral("777777777"));
        QCOMPARE(edit.value(), 777777777);
        const auto shown = TMessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.front().kind, TMessageBox::Kind::Error);
        QCOMPARE(shown.front().text, QStringLiteral("'7777777777' is not a valid integer value"));
        QCOMPARE(edit.text(), QStringLiteral("7777777777"));

        edit.setText(QStringLiteral("-2147483648"));
        QCOMPARE(edit.value(), -2147483647 - 1);
        edit.setText(QStringLiteral("2147483648"));
        QCOMPARE(edit.value(), -2147483647 - 1);
        QCOMPARE(TMessageBox::takeShown().size(), 1);
    }

    void lineEditDropsLineBreaksFromPastedText()
    {
        AnsiLineEdit edit;
        QApplication::clipboard()->setText(QStringLiteral("first\r\nsecond\nthird\r"));
        edit.paste();
        QCOMPARE(edit.text(), QStringLiteral("firstsecondthird"));
        QCOMPARE(edit.bytes(), QByteArray("firstsecondthird"));
    }

    // What Windows-1252 cannot carry is left out, typed or pasted; the rest of a paste is kept.
    void lineEditDropsWhatWindows1252CannotCarry()
    {
        AnsiLineEdit edit;
        edit.setBytes("caf\xE9 \x80");
        QCOMPARE(edit.text(), QString::fromUtf8("caf\u00E9 \u20AC"));
        edit.end(false);
        typeCharacter(&edit, QChar(0x4E2D));
        QCOMPARE(edit.bytes(), QByteArray("caf\xE9 \x80"));
        QApplication::clipboard()->setText(QString::fromUtf8("x\u0101y\U0001F600z"));
        edit.paste();
        QCOMPARE(edit.bytes(), QByteArray("caf\xE9 \x80xyz"));
        QCOMPARE(edit.cursorPosition(), edit.text().size());
        typeCharacter(&edit, QChar(0x2122));
        QCOMPARE(edit.bytes(), QByteArray("caf\xE9 \x80xyz\x99"));
    }

    void lineEditTakesTextOfAnyLength()
    {
        AnsiLineEdit edit;
        const QString longValue(100000, u'k');
        QApplication::clipboard()->setText(longValue);
        edit.paste();
        QCOMPARE(edit.text(), longValue);
    }

    void refusedCharacterIsNamedToTheSeller()
    {
        AnsiLineEdit edit;
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        const QString typed = QString::fromUtf8("\u0141\u00F3d\u017A"); // "Łódź"
        QStringList tips;
        for (const QChar c : typed) {
            typeCharacter(&edit, c);
            tips << QToolTip::text();
        }
        QCOMPARE(edit.text(), QString::fromUtf8("\u00F3d"));
        QVERIFY2(tips[0].startsWith(QString::fromUtf8("\"\u0141\" (U+0141)")), qPrintable(tips[0]));
        QVERIFY2(tips[3].startsWith(QString::fromUtf8("\"\u017A\" (U+017A)")), qPrintable(tips[3]));

        QApplication::clipboard()->setText(QString::fromUtf8("x\U0001F600y\u0141"));
        edit.paste();
        QCOMPARE(edit.text(), QString::fromUtf8("\u00F3dxy"));
        QVERIFY2(QToolTip::text().startsWith(QString::fromUtf8("\"\U0001F600\" (U+1F600), \"\u0141\" (U+0141) cannot")),
                 qPrintable(QToolTip::text()));
    }
};

QTEST_MAIN(TextFieldsTest)
#include "TextFieldsTest.moc"
