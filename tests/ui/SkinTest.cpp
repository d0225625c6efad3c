#include "ui/Skin.h"
#include "ui/SkinCodec.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QToolTip>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <memory>

using namespace vo;

class SkinTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    QString writeSkinFile(const QByteArray &bytes)
    {
        const QString name = dir_.filePath(QStringLiteral("mainskin.dat"));
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            return {};
        return name;
    }

private Q_SLOTS:
    void builtInSkinInflatesToTheStyleSheet()
    {
        const QString sheet = skin::builtIn();
        QVERIFY(sheet.contains(QStringLiteral("QPushButton")));
        QVERIFY(sheet.contains(QStringLiteral("#bsSkinPanel4")));
        skin::apply(sheet);
        QCOMPARE(qApp->styleSheet(), sheet);
    }

    void skinFileRoundTrip()
    {
        const QByteArray sheet = "QWidget { color: #123456; }";
        const QByteArray file = skin::packFile(sheet, 3);
        QCOMPARE(qFromLittleEndian<quint32>(file.constData()), 3u);
        QCOMPARE(qFromLittleEndian<quint32>(file.constData() + 4), quint32(file.size() - 8));
        QCOMPARE(skin::loadCompressedSkinFile(writeSkinFile(file)), std::optional<QString>(QString::fromLatin1(sheet)));
        // Bytes after the counted data belong to nothing and are ignored.
        QCOMPARE(skin::unpackFile(file + "trailing"), std::optional<QByteArray>(sheet));
    }

    void filesThatHoldNoSkin_data()
    {
        QTest::addColumn<QByteArray>("file");
        const QByteArray good = skin::packFile("QWidget {}");
        QByteArray format4 = good;
        qToLittleEndian<quint32>(4, format4.data());
        QByteArray overlong = good;
        qToLittleEndian<quint32>(quint32(good.size()), overlong.data() + 4);
        QByteArray damaged = good;
        damaged[10] = char(damaged[10] ^ 0x5A);
        QTest::newRow("format above 3") << format4;
        QTest::newRow("count beyond the file") << overlong;
        QTest::newRow("cut data") << good.left(good.size() - 3);
        QTest::newRow("damaged data") << damaged;
        QTest::newRow("header only") << good.left(8);
        QTest::newRow("shorter than a header") << good.left(5);
        QTest::newRow("not compressed") << QByteArray("\x01\0\0\0\x04\0\0\0abcd", 12);
    }
    void filesThatHoldNoSkin()
    {
        QFETCH(QByteArray, file);
        QCOMPARE(skin::loadCompressedSkinFile(writeSkinFile(file)), std::nullopt);
    }

    // A dark desktop's palette is in place before the skin: no text may end up dark on dark.
    void darkDesktopPaletteNeverMixesWithTheSkin()
    {
        const QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x2b, 0x2b, 0x2b));
        QApplication::setPalette(dark);
        QToolTip::setPalette(dark);
        skin::apply(skin::builtIn());
        const auto readable = [](const QPalette &palette, QPalette::ColorRole back, QPalette::ColorRole front) {
            return palette.color(back).lightness() > 200 && palette.color(front).lightness() < 100;
        };
        QLineEdit box;
        const std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
        menu->ensurePolished();
        QVERIFY(readable(menu->palette(), QPalette::Window, QPalette::WindowText));
        QMessageBox message(QMessageBox::Warning, QStringLiteral("Vantrel Oskel"), QStringLiteral("Sure?"));
        message.ensurePolished();
        QVERIFY(readable(message.palette(), QPalette::Window, QPalette::WindowText));
        QVERIFY(readable(QToolTip::palette(), QPalette::ToolTipBase, QPalette::ToolTipText));
    }

    void missingFileHoldsNoSkin()
    {
        QCOMPARE(skin::loadCompressedSkinFile(dir_.filePath(QStringLiteral("absent.dat"))), std::nullopt);
    }
};

QTEST_MAIN(SkinTest)
#include "SkinTest.moc"
