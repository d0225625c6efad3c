#include "platform/AnsiText.h"

#include <QTest>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

using namespace vo;

class AnsiTextTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyByteSurvivesTheRoundTrip()
    {
        QByteArray all(256, Qt::Uninitialized);
        for (int i = 0; i < 256; ++i)
            all[i] = static_cast<char>(i);
        const QString text = ansi::toUnicode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(ansi::fromUnicode(text), std::optional<QByteArray>(all));
    }

    void windowsCharactersMapToTheirBytes()
    {
        QCOMPARE(ansi::toUnicode("\x80\x99\x9F\xE9"), QString::fromUtf8("\u20AC\u2122\u0178\u00E9"));
        QCOMPARE(ansi::fromUnicode(QString::fromUtf8("\u201Cq\u201D \u2013 \u00A3")),
                 std::optional<QByteArray>(QByteArray("\x93q\x94 \x96 \xA3")));
        QCOMPARE(ansi::toUnicode("\xAF").front(), QChar(0x00AF));
    }

    void charactersOutsideTheCodePageAreRefused()
    {
        QCOMPARE(ansi::fromUnicode(QString::fromUtf8("price \u4E2D")), std::nullopt);
        QCOMPARE(ansi::fromUnicode(QString::fromUtf8("\U0001F600")), std::nullopt);
        QVERIFY(!ansi::canEncode(QChar(0x0100)));
        QVERIFY(ansi::canEncode(QChar(0x20AC)));
    }

#ifdef Q_OS_WIN
    // scripts/test-windows runs this case, with the round trip above, once more in a Russian
    // locale, and names the code page that Wine gives it there.
    void followsTheSystemAnsiCodePage()
    {
        const int expected = qEnvironmentVariableIntValue("VO_EXPECTED_ANSI_CODE_PAGE");
        QCOMPARE(GetACP(), UINT(expected ? expected : 1252));
        const QByteArray bytes("\x80\xC0\xFF");
        const bool cyrillic = expected == 1251;
        QCOMPARE(ansi::toUnicode(bytes), cyrillic ? QString::fromUtf8("\u0402\u0410\u044F") : QString::fromUtf8("\u20AC\u00C0\u00FF"));
        QCOMPARE(ansi::fromUnicode(ansi::toUnicode(bytes)), std::optional<QByteArray>(bytes));
        QCOMPARE(ansi::canEncode(QChar(0x00E9)), !cyrillic);
        QCOMPARE(ansi::canEncode(QChar(0x0436)), cyrillic);
    }
#endif
};

QTEST_APPLESS_MAIN(AnsiTextTest)
#include "AnsiTextTest.moc"
