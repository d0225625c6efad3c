#include "BrandingTestSupport.h"

#include "branding/AesLib.h"
#include "branding/BrandingLoader.h"
#include "ui/SkinCodec.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace vo;
using vo::test::ScriptedRandom;
using vo::test::tagged;

namespace {

const QString kDamaged = QStringLiteral("The branding file dbsettings.dat is damaged and was not applied.");
const QString kUnreadable = QStringLiteral("The branding file dbsettings.dat could not be read and was not applied.");

QByteArray picture(const char *format, QSize size = QSize(7, 3))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, format) ? buffer.data() : QByteArray();
}

} // namespace

class BrandingFileTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QTemporaryDir plainDir_;

    AppFolder folder() const { return AppFolder(dir_->path()); }
    QString path(const char *name) const { return dir_->filePath(QString::fromLatin1(name)); }

    bool write(const char *name, const QByteArray &bytes) const
    {
        QFile file(path(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    QByteArray read(const char *name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    bool writeBranding(const QByteArray &plain) const
    {
        const QString plainFile = plainDir_.filePath(QStringLiteral("plain.txt"));
        QFile file(plainFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(plain) != plain.size())
            return false;
        file.close();
        return EncryptFileTo(plainFile, path("dbsettings.dat"));
    }

    QStringList entries() const
    {
        return QDir(dir_->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    }

    BrandingResult load(QList<int> picks = {}) const
    {
        ScriptedRandom random(std::move(picks));
        return LoadBrandingFile(folder(), random);
    }

    void writeSkinAndIcon()
    {
        QVERIFY(write("mainskin.dat", skin::packFile("QWidget { color: #010203; }")));
        QVERIFY(write("main.ico", picture("ICO", QSize(16, 16))));
    }

private Q_SLOTS:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }

    void noBrandingFileKeepsTheDesign()
    {
        writeSkinAndIcon();
        const BrandingResult result = load();
        QVERIFY(!result.present);
        QVERIFY(!result.applied);
        QVERIFY(result.problems.isEmpty());
        // Skin and icon belong to a branding: without one they stay unused.
        QVERIFY(!result.skinStyleSheet);
        QVERIFY(!result.icon);
        QVERIFY(result.newsButtonVisible);
        QVERIFY(result.linksVisible);
        QVERIFY(!result.bannerHidden());
        QVERIFY(result.profile.IconFile.isEmpty());
    }

    void fileWithoutTags()
    {
        writeSkinAndIcon();
        QVERIFY(writeBranding("nothing tagged here\r\n"));
        const BrandingResult result = load();
        QVERIFY(result.present);
        QVERIFY(result.applied);
        QVERIFY(!result.damaged);
        QCOMPARE(result.caption, QByteArray(" v2.01"));
        QVERIFY(!result.newsButtonVisible);
        QCOMPARE(result.makeMoneyCaption, QByteArray("Make Money"));
        QVERIFY(result.profile.WelcomePage.isEmpty());
        QVERIFY(result.bannerHidden());
        QVERIFY(!result.linksVisible);
        QCOMPARE(result.skinStyleSheet, std::optional<QString>(QStringLiteral("QWidget { color: #010203; }")));
        QVERIFY(result.icon && !result.icon->isNull());
        QCOMPARE(result.profile.IconFile, QByteArray("main.ico"));
        QVERIFY(result.problems.isEmpty());
        QCOMPARE(entries(), (QStringList{QStringLiteral("dbsettings.dat"), QStringLiteral("main.ico"),
                                         QStringLiteral("mainskin.dat")}));
    }

    void brandingIsReadThroughTheLines()
    {
        // Line breaks of any kind inside a value come back as CR LF, and a byte 0 ends the text.
        QVERIFY(writeBranding(tagged("ApplicationName", "Acme") + "<%%AboutText%%>one\ntwo\rthree<%%/AboutText%%>\n"
                              + tagged("Link1", "Left^http://left/") + QByteArray("\0", 1) + tagged("Link2", "Lost^x")));
        const BrandingResult result = load();
        QCOMPARE(result.caption, QByteArray("Acme v2.01"));
        QCOMPARE(result.profile.AboutText, QByteArray("one\r\ntwo\r\nthree"));
        QCOMPARE(result.profile.Link1Caption, QByteArray("Left"));
        QVERIFY(result.profile.Link2Caption.isEmpty());
        QVERIFY(result.linksVisible);
        QVERIFY(!QFile::exists(path("dbsettings.sim")));
    }

    void damagedFileIsNotApplied_data()
    {
        QTest::addColumn<int>("position"); // from the end when negative

        QTest::newRow("data") << 30;
        QTest::newRow("authentication code") << -1;
        QTest::newRow("verifier") << 8; // after the 8-byte salt
    }

    void damagedFileIsNotApplied()
    {
        QFETCH(int, position);
        writeSkinAndIcon();
        QVERIFY(writeBranding(tagged("ApplicationName", "Intruder") + tagged("Link1", "Theirs^http://theirs/")
                              + QByteArray(40, 'x')));
        QByteArray container = read("dbsettings.dat");
        const qsizetype at = position < 0 ? container.size() + position : position;
        container[at] = char(container.at(at) ^ 0x01);
        QVERIFY(write("dbsettings.dat", container));

        const BrandingResult result = load();
        QVERIFY(result.present);
        QVERIFY(result.damaged);
        QVERIFY(!result.applied);
        QCOMPARE(result.problems, QStringList{kDamaged});
        QVERIFY(result.profile.ApplicationName.isEmpty());
        QVERIFY(!result.skinStyleSheet);
        QVERIFY(!result.icon);
        QVERIFY(!QFile::exists(path("dbsettings.sim")));
        QCOMPARE(read("dbsettings.dat"), container);
    }

    void plainFileThatCannotBeCreated()
    {
        QVERIFY(writeBranding(tagged("ApplicationName", "Acme")));
        // A folder in the plain file's place fails its creation even where permissions do not.
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("dbsettings.sim")));
        const BrandingResult result = load();
        QVERIFY(result.present);
        QVERIFY(!result.applied);
        QVERIFY(!result.damaged);
        QCOMPARE(result.problems.size(), 1);
        QVERIFY2(result.problems.first().startsWith(kUnreadable), qPrintable(result.problems.first()));
        QVERIFY(result.problems.first().contains(QStringLiteral("dbsettings.sim")));
        QVERIFY(QFileInfo(path("dbsettings.sim")).isDir());
    }

    void brandingFileThatCannotBeOpened()
    {
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("dbsettings.dat")));
        const BrandingResult result = load();
        QVERIFY(result.present);
        QVERIFY(!result.applied);
        QCOMPARE(result.problems.size(), 1);
        QVERIFY(result.problems.first().startsWith(kUnreadable));
        QVERIFY(!QFile::exists(path("dbsettings.sim")));
    }

    void stalePlainFileIsReplacedAndRemoved()
    {
        QVERIFY(write("dbsettings.sim", tagged("ApplicationName", "Stale") + QByteArray(500, 's')));
        QVERIFY(writeBranding(tagged("ApplicationName", "Fresh")));
        const BrandingResult result = load();
        QCOMPARE(result.profile.ApplicationName, QByteArray("Fresh"));
        QVERIFY(!QFile::exists(path("dbsettings.sim")));
    }

#ifdef Q_OS_UNIX
    // A link planted as the plain file never receives the decrypted text, whether its target
    // exists or not; the link stays, and loading fails as for a plain file that cannot be made.
    // (On Windows QFile::link makes a shortcut, an ordinary file.)
    void plantedPlainFileLinkReceivesNothing()
    {
        QVERIFY(writeBranding(tagged("ApplicationName", "Secret")));
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath(QStringLiteral("collected"));
        QVERIFY(QFile::link(target, path("dbsettings.sim")));
        const BrandingResult dangling = load();
        QVERIFY(!QFile::exists(target));
        QVERIFY(QFile::copy(path("dbsettings.dat"), target));
        const BrandingResult linked = load();
        for (const BrandingResult &result : {dangling, linked}) {
            QVERIFY(!result.applied);
            QCOMPARE(result.problems.size(), 1);
            QVERIFY2(result.problems.first().contains(QStringLiteral("dbsettings.sim")), qPrintable(result.problems.first()));
        }
        QCOMPARE(read("dbsettings.sim"), read("dbsettings.dat"));
        QVERIFY(QFileInfo(path("dbsettings.sim")).isSymbolicLink());
    }
#endif

    void bannerPicture_data()
    {
        QTest::addColumn<QByteArray>("fileName");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QSize>("size");

        const int still = int(BannerPicture::Kind::Still);
        const int animated = int(BannerPicture::Kind::Animated);
        const int none = int(BannerPicture::Kind::None);
        const QByteArray jpeg = picture("JPEG");
        const QByteArray bmp = picture("BMP");
        QTest::newRow("jpg") << QByteArray("top.jpg") << jpeg << still << QSize(7, 3);
        QTest::newRow("JPEG upper case") << QByteArray("TOP.JPEG") << jpeg << still << QSize(7, 3);
        QTest::newRow("bmp") << QByteArray("top.bmp") << bmp << still << QSize(7, 3);
        QTest::newRow("ico") << QByteArray("top.ico") << picture("ICO", QSize(16, 16)) << still << QSize(16, 16);
        QTest::newRow("windows folder part") << QByteArray("C:\\Pictures\\Top.Bmp") << bmp << still << QSize(7, 3);
        QTest::newRow("unix folder part") << QByteArray("pics/sub/top.jpg") << jpeg << still << QSize(7, 3);
        QTest::newRow("gif") << QByteArray("anim.GIF") << test::twoFrameGif() << animated << QSize(1, 1);
        QTest::newRow(".gif inside the name") << QByteArray("a.gift.jpg") << test::twoFrameGif() << animated << QSize(1, 1);
        // The animated control decodes GIF only, whatever the name ends with.
        QTest::newRow("jpeg sent to the animated control") << QByteArray("a.gift.jpg") << jpeg << none << QSize();
        QTest::newRow("emf") << QByteArray("top.emf") << QByteArray("\x01\0\0\0metafile", 12) << none << QSize();
        QTest::newRow("wmf") << QByteArray("top.WMF") << QByteArray("\xD7\xCD\xC6\x9A", 4) << none << QSize();
        QTest::newRow("png is not a banner type") << QByteArray("top.png") << picture("PNG") << none << QSize();
        QTest::newRow("no extension") << QByteArray("top") << jpeg << none << QSize();
        QTest::newRow("bitmap named jpg") << QByteArray("top.jpg") << bmp << none << QSize();
        QTest::newRow("cut jpeg") << QByteArray("top.jpg") << jpeg.left(20) << none << QSize();
    }

    void bannerPicture()
    {
        QFETCH(QByteArray, fileName);
        QFETCH(QByteArray, data);
        QFETCH(int, kind);
        QFETCH(QSize, size);
        QVERIFY(!data.isEmpty());
        QVERIFY(writeBranding(tagged("Banner1", fileName + "^http://banner/")));
        QVERIFY(write("banner1.dat", data));
        const QStringList before = entries();

        const BrandingResult result = load();
        QCOMPARE(int(result.banner.kind), kind);
        QCOMPARE(result.banner.size, size);
        QCOMPARE(result.profile.BannerFile, fileName);
        QCOMPARE(result.profile.BannerURL, QByteArray("http://banner/"));
        if (kind == int(BannerPicture::Kind::None)) {
            const QByteArray shown = fileName.mid(fileName.lastIndexOf('/') + 1);
            QCOMPARE(result.problems, QStringList{QStringLiteral("The banner picture %1 (banner1.dat) cannot be loaded.")
                                                      .arg(QString::fromLatin1(shown))});
            QVERIFY(result.bannerHidden());
        } else {
            QVERIFY(result.problems.isEmpty());
            QVERIFY(!result.bannerHidden());
        }
        if (kind == int(BannerPicture::Kind::Still))
            QCOMPARE(result.banner.still.size(), size);
        if (kind == int(BannerPicture::Kind::Animated))
            QCOMPARE(result.banner.animation, data);
        // The picture is read where it lies: nothing is renamed or left behind.
        QCOMPARE(entries(), before);
        QCOMPARE(read("banner1.dat"), data);
    }

    void bannerWithoutPictureIsHiddenQuietly_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<bool>("pictureFile");

        QTest::newRow("no banner1.dat") << QByteArray("top.jpg^http://b/") << false;
        QTest::newRow("empty file name") << QByteArray("^http://b/") << true;
    }

    void bannerWithoutPictureIsHiddenQuietly()
    {
        QFETCH(QByteArray, entry);
        QFETCH(bool, pictureFile);
        QVERIFY(writeBranding(tagged("Banner1", entry)));
        if (pictureFile)
            QVERIFY(write("banner1.dat", picture("JPEG")));
        const BrandingResult result = load();
        QVERIFY(result.bannerHidden());
        QVERIFY(result.problems.isEmpty());
        QCOMPARE(result.profile.BannerURL, QByteArray("http://b/"));
    }

    void oversizedAnimationIsRefused_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("frames");
        QTest::newRow("4000 x 4000 screen, 1 x 1 frame") << QSize(4000, 4000) << 1;
        QTest::newRow("wide") << QSize(2001, 20) << 1;
        QTest::newRow("small frames, too many") << QSize(1000, 1000) << 65;
    }

    void oversizedAnimationIsRefused()
    {
        QFETCH(QSize, screen);
        QFETCH(int, frames);
        const auto word = [](int value) { return QByteArray(1, char(value & 0xFF)) + char(value >> 8); };
        // Each frame one pixel at the corner; Qt's decoder still makes a whole screen per frame.
        QByteArray gif = "GIF89a" + word(screen.width()) + word(screen.height()) + QByteArray::fromHex("800000000000ffffff");
        for (int i = 0; i < frames; ++i)
            gif += QByteArray::fromHex("21f90400010000002c0000000001000100000202440100");
        gif += ';';
        QVERIFY(writeBranding(tagged("Banner1", "<i>ad<i>.gif^http://b/")));
        QVERIFY(write("banner1.dat", gif));
        const BrandingResult result = load();
        QCOMPARE(int(result.banner.kind), int(BannerPicture::Kind::None));
        QVERIFY(result.bannerHidden());
        QCOMPARE(result.problems, QStringList{QStringLiteral("The banner picture <i>ad<i>.gif (banner1.dat) is too large to be shown.")});
    }

    void chosenBannerUsesItsOwnNumber()
    {
        QVERIFY(writeBranding(tagged("Banner1", "one.bmp^http://1/") + tagged("Banner2", "two.bmp^http://2/")));
        QVERIFY(write("banner2.dat", picture("BMP", QSize(9, 4))));
        const BrandingResult result = load({1});
        QCOMPARE(result.profile.BannerURL, QByteArray("http://2/"));
        QCOMPARE(result.banner.size, QSize(9, 4));
        QVERIFY(result.problems.isEmpty());
    }

    void sideFilesThatCannotBeLoaded()
    {
        QVERIFY(writeBranding(tagged("ApplicationName", "Acme") + tagged("Banner1", "x.emf^")));
        QVERIFY(write("banner1.dat", "metafile"));
        QByteArray format4 = skin::packFile("QWidget {}");
        format4[0] = 4;
        QVERIFY(write("mainskin.dat", format4));
        QVERIFY(write("main.ico", "not an icon"));
        const BrandingResult result = load();
        // Each is reported once, and the branding itself still applies.
        QVERIFY(result.applied);
        QCOMPARE(result.caption, QByteArray("Acme v2.01"));
        QCOMPARE(result.problems, (QStringList{QStringLiteral("The banner picture x.emf (banner1.dat) cannot be loaded."),
                                               QStringLiteral("The skin file mainskin.dat cannot be loaded."),
                                               QStringLiteral("The icon file main.ico cannot be loaded.")}));
        QVERIFY(!result.skinStyleSheet);
        QVERIFY(!result.icon);
        QCOMPARE(result.profile.IconFile, QByteArray("main.ico"));
    }
};

QTEST_MAIN(BrandingFileTest)
#include "BrandingFileTest.moc"
