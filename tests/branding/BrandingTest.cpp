#include "BrandingTestSupport.h"

#include "branding/Branding.h"

#include <QTest>

using namespace vo;
using vo::test::ScriptedRandom;
using vo::test::tagged;

namespace {

QByteArray series(const QByteArray &name, const QByteArrayList &values)
{
    QByteArray text;
    for (qsizetype i = 0; i < values.size(); ++i)
        text += tagged(name + QByteArray::number(i + 1), values.at(i));
    return text;
}

QByteArray fullFile()
{
    return "Header line outside any tag\r\n"
        + tagged("ApplicationName", "Acme") + tagged("BranderCode", "B-17") + tagged("BranderType", "Gold")
        + tagged("AffiliateURL", "http://aff.example/?id=%%AFFILIATEID%%&again=%%AFFILIATEID%%")
        + tagged("AffiliateTYPE", "cb") + tagged("AffiliateID", "joe")
        + tagged("MasterNewsBaseURL", "http://m/") + tagged("PlatinumNewsBaseURL", "http://p/")
        + tagged("GoldNewsBaseURL", "http://g/") + tagged("MasterPublID", "M1") + tagged("PlatinumPublID", "P1")
        + tagged("GoldPublID", "G1") + tagged("MakeMoneyButton", "Earn!") + tagged("AppHelpURL", "http://help/")
        + tagged("CopyrightYears", "2005-2007") + tagged("CopyrightCompany", "Acme \xC9" "ditions")
        + "<%%AboutText%%>\r\nFirst line\r\nSecond line\r\n<%%/AboutText%%>\r\n"
        + series("Welcome", {"<p>one</p>", "<p>two</p>"})
        + series("Banner", {"top.gif^http://b1/", "side.jpg^http://b2/", "low.bmp^http://b3/"})
        + series("Link", {"First^http://l1/", "Second^http://l2/", "Third^http://l3/"});
}

} // namespace

class BrandingTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cutTagValue_data()
    {
        QTest::addColumn<QByteArray>("working");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("remaining");

        QTest::newRow("value") << QByteArray("x<%%Name%%>val<%%/Name%%>rest") << QByteArray("val")
                               << QByteArray("<%%/Name%%>rest");
        QTest::newRow("other letter case") << QByteArray("<%%name%%>v<%%/NAME%%>") << QByteArray("v")
                                           << QByteArray("<%%/NAME%%>");
        QTest::newRow("no start tag") << QByteArray("<%%Other%%>v<%%/Name%%>") << QByteArray()
                                      << QByteArray("<%%Other%%>v<%%/Name%%>");
        QTest::newRow("no end tag") << QByteArray("a<%%Name%%>dangling") << QByteArray() << QByteArray("dangling");
        QTest::newRow("empty value") << QByteArray("<%%Name%%><%%/Name%%>z") << QByteArray()
                                     << QByteArray("<%%/Name%%>z");
        QTest::newRow("spans lines, not trimmed") << QByteArray("<%%Name%%> a\r\nb <%%/Name%%>") << QByteArray(" a\r\nb ")
                                                  << QByteArray("<%%/Name%%>");
        QTest::newRow("first occurrence") << QByteArray("<%%Name%%>1<%%/Name%%><%%Name%%>2<%%/Name%%>")
                                          << QByteArray("1") << QByteArray("<%%/Name%%><%%Name%%>2<%%/Name%%>");
        // Only a to z fold: accented capitals are other letters.
        QTest::newRow("accents do not fold") << QByteArray("<%%Nam\xE9%%>v<%%/Nam\xE9%%>") << QByteArray()
                                             << QByteArray("<%%Nam\xE9%%>v<%%/Nam\xE9%%>");
    }

    void cutTagValue()
    {
        QFETCH(QByteArray, working);
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, remaining);
        const QByteArray startTag = QTest::currentDataTag() == QByteArrayView("accents do not fold")
                                        ? QByteArray("<%%NAM\xC9%%>") : QByteArray("<%%Name%%>");
        const QByteArray endTag = QTest::currentDataTag() == QByteArrayView("accents do not fold")
                                      ? QByteArray("<%%/NAM\xC9%%>") : QByteArray("<%%/Name%%>");
        QCOMPARE(CutTagValue(working, startTag, endTag), value);
        QCOMPARE(working, remaining);
    }

    void joinBrandingLines_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("joined");

        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("last line without break") << QByteArray("a\r\nb") << QByteArray("a\r\nb\r\n");
        QTest::newRow("final break adds no line") << QByteArray("a\r\n") << QByteArray("a\r\n");
        QTest::newRow("every kind of break") << QByteArray("a\nb\rc\r\nd") << QByteArray("a\r\nb\r\nc\r\nd\r\n");
        QTest::newRow("CR then CR LF") << QByteArray("a\r\r\nb") << QByteArray("a\r\n\r\nb\r\n");
        QTest::newRow("LF then CR") << QByteArray("\n\r") << QByteArray("\r\n\r\n");
        QTest::newRow("ends at byte 0") << QByteArray("a\nb\0c\nd", 7) << QByteArray("a\r\nb\r\n");
    }

    void joinBrandingLines()
    {
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, joined);
        QCOMPARE(vo::joinBrandingLines(plain), joined);
    }

    void fullFileFillsTheProfile()
    {
        ScriptedRandom random({1, 2, 1, 1});
        const BrandingMarkup markup = parseBrandingMarkup(fullFile(), random);
        const BrandingProfile &p = markup.profile;

        QCOMPARE(markup.caption, QByteArray("Acme v2.01"));
        QCOMPARE(p.ApplicationName, QByteArray("Acme"));
        QCOMPARE(p.BranderCode, QByteArray("B-17"));
        QCOMPARE(p.BranderType, QByteArray("Gold"));
        QCOMPARE(p.AffiliateURL, QByteArray("http://aff.example/?id=joe&again=joe"));
        QCOMPARE(p.AffiliateTYPE, QByteArray("cb"));
        QCOMPARE(p.AffiliateID, QByteArray("joe"));
        QCOMPARE(p.MasterNewsBaseURL, QByteArray("http://m/"));
        QCOMPARE(p.PlatinumNewsBaseURL, QByteArray("http://p/"));
        QCOMPARE(p.GoldNewsBaseURL, QByteArray("http://g/"));
        QCOMPARE(p.MasterPublID, QByteArray("M1"));
        QCOMPARE(p.PlatinumPublID, QByteArray("P1"));
        QCOMPARE(p.GoldPublID, QByteArray("G1"));
        QVERIFY(markup.newsButtonVisible);
        QCOMPARE(markup.makeMoneyCaption, QByteArray("Earn!"));
        QCOMPARE(p.AppHelpURL, QByteArray("http://help/"));
        QCOMPARE(p.CopyrightYears, QByteArray("2005-2007"));
        QCOMPARE(p.CopyrightCompany, QByteArray("Acme \xC9" "ditions"));
        // Tags on lines of their own: the text starts with an empty line and ends with a break.
        QCOMPARE(p.AboutText, QByteArray("\r\nFirst line\r\nSecond line\r\n"));

        // Choices in order: welcome among 2, banner among 3, first link among 3, second among 2.
        QCOMPARE(random.counts, (QList<int>{2, 3, 3, 2}));
        QCOMPARE(p.WelcomePage, QByteArray("<p>two</p>"));
        QCOMPARE(markup.bannerNumber, 3);
        QCOMPARE(p.BannerFile, QByteArray("low.bmp"));
        QCOMPARE(p.BannerURL, QByteArray("http://b3/"));
        QCOMPARE(p.Link1Caption, QByteArray("Second"));
        QCOMPARE(p.Link1URL, QByteArray("http://l2/"));
        // The first choice is gone from the list, so index 1 now names the third entry.
        QCOMPARE(p.Link2Caption, QByteArray("Third"));
        QCOMPARE(p.Link2URL, QByteArray("http://l3/"));
        QVERIFY(p.IconFile.isEmpty());
    }

    void textWithoutTags()
    {
        ScriptedRandom random;
        const BrandingMarkup markup = parseBrandingMarkup("just some text\r\n", random);
        QCOMPARE(markup.caption, QByteArray(" v2.01"));
        QVERIFY(!markup.newsButtonVisible);
        QCOMPARE(markup.makeMoneyCaption, QByteArray("Make Money"));
        QCOMPARE(markup.bannerNumber, 0);
        QVERIFY(markup.profile.WelcomePage.isEmpty());
        QVERIFY(markup.profile.Link1Caption.isEmpty());
        QVERIFY(random.counts.isEmpty());
    }

    void tagsInOtherLetterCase()
    {
        ScriptedRandom random;
        const BrandingMarkup markup = parseBrandingMarkup(
            "<%%applicationname%%>Acme<%%/APPLICATIONNAME%%><%%WELCOME1%%>hi<%%/welcome1%%>", random);
        QCOMPARE(markup.profile.ApplicationName, QByteArray("Acme"));
        QCOMPARE(markup.profile.WelcomePage, QByteArray("hi"));
    }

    void affiliatePlaceholder_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("url");
        QTest::addColumn<QByteArray>("id");

        // Reading the address moves past an id written before it: the id is not found.
        QTest::newRow("id before address") << tagged("AffiliateID", "joe") + tagged("AffiliateURL", "http://a/%%AFFILIATEID%%/x")
                                           << QByteArray("http://a//x") << QByteArray();
        QTest::newRow("placeholder in other case stays")
            << tagged("AffiliateURL", "http://a/%%affiliateid%%") + tagged("AffiliateID", "joe")
            << QByteArray("http://a/%%affiliateid%%") << QByteArray("joe");
        QTest::newRow("empty id removes it") << tagged("AffiliateURL", "a%%AFFILIATEID%%b") + tagged("AffiliateID", "")
                                             << QByteArray("ab") << QByteArray();
    }

    void affiliatePlaceholder()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, url);
        QFETCH(QByteArray, id);
        ScriptedRandom random;
        const BrandingMarkup markup = parseBrandingMarkup(text, random);
        QCOMPARE(markup.profile.AffiliateURL, url);
        QCOMPARE(markup.profile.AffiliateID, id);
    }

    void seriesEnds_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("pick");
        QTest::addColumn<int>("entries");
        QTest::addColumn<QByteArray>("welcome");

        QByteArrayList seventeen;
        for (int i = 1; i <= 17; ++i)
            seventeen.append("page" + QByteArray::number(i));
        QTest::newRow("seventeenth never used") << series("Welcome", seventeen) << 15 << 16 << QByteArray("page16");
        QTest::newRow("empty entry ends it") << series("Welcome", {"one", "", "three"}) << 0 << 1 << QByteArray("one");
        QTest::newRow("gap ends it") << tagged("Welcome1", "one") + tagged("Welcome3", "three") << 0 << 1
                                     << QByteArray("one");
    }

    void seriesEnds()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, pick);
        QFETCH(int, entries);
        QFETCH(QByteArray, welcome);
        ScriptedRandom random({pick});
        const BrandingMarkup markup = parseBrandingMarkup(text, random);
        QCOMPARE(random.counts, QList<int>{entries});
        QCOMPARE(markup.profile.WelcomePage, welcome);
    }

    void eachSeriesContinuesWhereTheLastEnded()
    {
        // Links given before the banners are passed over while the banners are read.
        ScriptedRandom random;
        const BrandingMarkup markup = parseBrandingMarkup(
            series("Link", {"Early^http://e/"}) + series("Banner", {"b.jpg^http://b/"}), random);
        QCOMPARE(markup.profile.BannerFile, QByteArray("b.jpg"));
        QVERIFY(markup.profile.Link1Caption.isEmpty());
        QCOMPARE(random.counts, QList<int>{1});
    }

    void entriesWithFewerPieces_data()
    {
        QTest::addColumn<QByteArray>("banner");
        QTest::addColumn<QByteArray>("link");
        QTest::addColumn<QByteArrayList>("pieces");

        QTest::newRow("no separator") << QByteArray("pic.jpg") << QByteArray("Caption")
                                      << QByteArrayList{"pic.jpg", "", "Caption", ""};
        QTest::newRow("trailing separator") << QByteArray("pic.jpg^") << QByteArray("Caption^")
                                            << QByteArrayList{"pic.jpg", "", "Caption", ""};
        QTest::newRow("separator only") << QByteArray("^") << QByteArray("^") << QByteArrayList{"", "", "", ""};
        QTest::newRow("third piece ignored") << QByteArray("a.bmp^http://x/^more") << QByteArray("C^http://y/^z")
                                             << QByteArrayList{"a.bmp", "http://x/", "C", "http://y/"};
    }

    void entriesWithFewerPieces()
    {
        QFETCH(QByteArray, banner);
        QFETCH(QByteArray, link);
        QFETCH(QByteArrayList, pieces);
        ScriptedRandom random;
        const BrandingMarkup markup = parseBrandingMarkup(tagged("Banner1", banner) + tagged("Link1", link), random);
        const BrandingProfile &p = markup.profile;
        QCOMPARE((QByteArrayList{p.BannerFile, p.BannerURL, p.Link1Caption, p.Link1URL}), pieces);
        QCOMPARE(markup.bannerNumber, 1);
    }

    void oneLinkEntry()
    {
        ScriptedRandom random;
        const BrandingMarkup markup = parseBrandingMarkup(tagged("Link1", "Only^http://only/"), random);
        QCOMPARE(markup.profile.Link1Caption, QByteArray("Only"));
        QCOMPARE(markup.profile.Link1URL, QByteArray("http://only/"));
        QVERIFY(markup.profile.Link2Caption.isEmpty());
        QVERIFY(markup.profile.Link2URL.isEmpty());
        QCOMPARE(random.counts, QList<int>{1});
    }

    void tierTable_data()
    {
        QTest::addColumn<QByteArray>("tier");
        QTest::addColumn<QByteArrayList>("values"); // master id, master url, platinum id, url, gold id, url
        QTest::addColumn<bool>("visible");

        const QByteArrayList all{"M", "m/", "P", "p/", "G", "g/"};
        QTest::newRow("Master") << QByteArray("Master") << all << true;
        QTest::newRow("Master without url") << QByteArray("Master") << QByteArrayList{"M", "", "P", "p/", "G", "g/"} << false;
        QTest::newRow("Master without id") << QByteArray("Master") << QByteArrayList{"", "m/", "P", "p/", "G", "g/"} << false;
        QTest::newRow("Platinum") << QByteArray("Platinum") << all << true;
        QTest::newRow("Platinum looks at its own") << QByteArray("Platinum") << QByteArrayList{"M", "m/", "P", "", "G", "g/"} << false;
        QTest::newRow("Gold") << QByteArray("Gold") << all << true;
        QTest::newRow("Gold looks at its own") << QByteArray("Gold") << QByteArrayList{"M", "m/", "P", "p/", "", "g/"} << false;
        QTest::newRow("Free shows master's") << QByteArray("Free") << QByteArrayList{"M", "m/", "", "", "", ""} << true;
        QTest::newRow("Free without master") << QByteArray("Free") << QByteArrayList{"", "", "P", "p/", "G", "g/"} << false;
        QTest::newRow("lower-case master") << QByteArray("master") << all << false;
        QTest::newRow("empty tier") << QByteArray() << all << false;
        QTest::newRow("other tier") << QByteArray("Silver") << all << false;
    }

    void tierTable()
    {
        QFETCH(QByteArray, tier);
        QFETCH(QByteArrayList, values);
        QFETCH(bool, visible);
        BrandingProfile profile;
        profile.BranderType = tier;
        profile.MasterPublID = values.at(0);
        profile.MasterNewsBaseURL = values.at(1);
        profile.PlatinumPublID = values.at(2);
        profile.PlatinumNewsBaseURL = values.at(3);
        profile.GoldPublID = values.at(4);
        profile.GoldNewsBaseURL = values.at(5);
        QCOMPARE(newsButtonVisibleFor(profile), visible);
    }
};

QTEST_GUILESS_MAIN(BrandingTest)
#include "BrandingTest.moc"
