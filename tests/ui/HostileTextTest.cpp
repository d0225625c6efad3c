// Text from a branding file or a news server, shown the way a hostile author would write it.
#include "ui/MessageBox.h"
#include "ui/SafeHtmlView.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

using namespace vo;

namespace {

QString dataImage(const QSize &size, QRgb colour, const char *format = "PNG")
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return QStringLiteral("data:image/x;base64,") + QString::fromLatin1(bytes.toBase64());
}

// What the document got for a resource once laid out and painted: a picture's size, or the
// length of any other content; empty when nothing was loaded.
QSize loaded(SafeHtmlView &view, int type, const QString &name)
{
    view.grab();
    const QVariant resource = view.document()->resource(type, QUrl(name));
    if (const QImage image = resource.value<QImage>(); !image.isNull())
        return image.size();
    if (const QPixmap pixmap = resource.value<QPixmap>(); !pixmap.isNull())
        return pixmap.size();
    const qsizetype length = resource.toByteArray().size() + resource.toString().size();
    return length > 0 ? QSize(int(length), 1) : QSize();
}

} // namespace

class HostileTextTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void viewReadsNoFile()
    {
        QTemporaryDir dir;
        const QString picture = dir.filePath(QStringLiteral("p.png"));
        const QString sheet = dir.filePath(QStringLiteral("s.css"));
        QFile sheetFile(sheet);
        QVERIFY(QImage(5, 5, QImage::Format_RGB32).save(picture) && sheetFile.open(QIODevice::WriteOnly));
        sheetFile.write("body { color: red }");
        sheetFile.close();

        SafeHtmlView view;
        view.resize(300, 200);
        view.document()->setBaseUrl(QUrl::fromLocalFile(dir.path() + u'/'));
        const QStringList pictures{QStringLiteral("/dev/zero"), picture, QUrl::fromLocalFile(picture).toString(),
                                   QStringLiteral("p.png"), QStringLiteral("http://example.invalid/p.png")};
        QString html = QStringLiteral("<link rel=\"stylesheet\" type=\"text/css\" href=\"%1\">").arg(sheet);
        for (const QString &name : pictures)
            html += QStringLiteral("<img src=\"%1\"><table background=\"%1\"><tr><td>x</td></tr></table>").arg(name);
        QVERIFY(view.showHtml(html));
        for (const QString &name : pictures)
            QVERIFY2(loaded(view, QTextDocument::ImageResource, name).isEmpty(), qPrintable(name));
        QVERIFY(loaded(view, QTextDocument::StyleSheetResource, sheet).isEmpty());
    }

    void inlinePicturesAreSmallAndFew()
    {
        SafeHtmlView view;
        view.resize(300, 200);
        const QString small = dataImage(QSize(4, 3), 0x00ff00);
        const QString tooLarge = dataImage(QSize(3000, 3000), 0x0000ff);
        const QString manyBytes = dataImage(QSize(300, 300), 0xff0000, "BMP"); // 352 KiB, few pixels
        // A 1 x 1 frame on a 4000 x 4000 screen: Qt's decoder allocates the screen.
        const QString bigScreen = QStringLiteral("data:image/gif;base64,")
            + QString::fromLatin1(QByteArray::fromHex("474946383961a00fa00f800000000000ffffff2c00000000010001000002024401003b").toBase64());

        QStringList many;
        const QSize side(1500, 1500);
        for (int i = 0; i < 12; ++i)
            many << dataImage(side, qRgb(i, 0, 0));
        QString html;
        for (const QString &name : QStringList{small, tooLarge, bigScreen, manyBytes} + many)
            html += QStringLiteral("<img src=\"%1\">").arg(name);
        QVERIFY(view.showHtml(html));

        QCOMPARE(loaded(view, QTextDocument::ImageResource, small), QSize(4, 3));
        QVERIFY(loaded(view, QTextDocument::ImageResource, tooLarge).isEmpty());
        QVERIFY(loaded(view, QTextDocument::ImageResource, bigScreen).isEmpty());
        QVERIFY(loaded(view, QTextDocument::ImageResource, manyBytes).isEmpty());
        int shown = 0;
        for (const QString &name : std::as_const(many))
            shown += loaded(view, QTextDocument::ImageResource, name) == side;
        QCOMPARE(shown, int((SafeHtmlView::kPixelBudget - 12) / (side.width() * side.height())));
    }

    void documentsThatWouldHangOrCrashShowANotice_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<bool>("shown");
        const auto times = [](const char *piece, int count) { return QString::fromLatin1(piece).repeated(count); };
        const QString mark = QStringLiteral("MARK");
        QTest::newRow("4000 nested tables") << times("<table><tr><td>", 4000) + mark << false;
        QTest::newRow("closings hidden in attributes") << times("<table><tr><td><a title=\"</table></td>\">MARK</a>", 4000) << false;
        QTest::newRow("quoted tag names") << times("<\"div\">", 500) + mark << false;
        QTest::newRow("unclosed divs") << times("<div>", 101) + mark << false;
        QTest::newRow("30 nested tables") << times("<table><tr><td>", 30) + mark << false;
        QTest::newRow("much text five tables deep") << times("<table><tr><td>", 5) + times("<p>MARK</p>", 20000) << false;
        QTest::newRow("over a MiB") << QStringLiteral("<p>") + mark.repeated(SafeHtmlView::kMaxTextLength / 4) << false;
        // Sloppy but flat: cells, rows, paragraphs and items that never close, stray closings.
        QTest::newRow("flat") << QStringLiteral("<table>") + times("<tr><td>a<td>b", 300) + QStringLiteral("</table>")
                                     + times("<p>x", 300) + QStringLiteral("<ul>") + times("<li>i", 300)
                                     + QStringLiteral("</ul>") + times("</div></table>", 300)
                                     + times("<div>d</div><br><img src=x>", 300)
                                     + QStringLiteral("<!-- ") + times("<table>", 300) + QStringLiteral("-->") + mark << true;
        QTest::newRow("8 nested tables") << times("<table><tr><td>", 8) + mark << true;
    }

    void documentsThatWouldHangOrCrashShowANotice()
    {
        QFETCH(QString, html);
        QFETCH(bool, shown);
        SafeHtmlView view;
        view.resize(400, 300);
        view.setHtml(QStringLiteral("<b>earlier</b>"));
        QCOMPARE(view.showHtml(html), shown);
        view.grab();
        const QString text = view.toPlainText();
        QCOMPARE(text.contains(QStringLiteral("MARK")), shown);
        // Refused: a short notice in place of the earlier document, nothing of the new one.
        if (!shown)
            QVERIFY(!text.contains(QStringLiteral("earlier")) && !text.isEmpty());
    }

    void messageShowsMarkupAsWritten()
    {
        const QString text = QStringLiteral("The banner picture <font color=red>WARNING</font><img src=\"/dev/zero\"> cannot be loaded.");
        TMessageBox box(nullptr);
        QString shownText;
        Qt::TextFormat format = Qt::RichText;
        QTimer::singleShot(0, [&] {
            auto *modal = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(modal);
            auto *label = modal->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
            shownText = label->text();
            format = label->textFormat();
            modal->grab();
            modal->button(QMessageBox::Ok)->click();
        });
        box.warning(text);
        QCOMPARE(shownText, text);
        QCOMPARE(format, Qt::PlainText);
    }
};

QTEST_MAIN(HostileTextTest)
#include "HostileTextTest.moc"
