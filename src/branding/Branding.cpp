#include "branding/Branding.h"

#include "branding/UUtils.h"
#include "platform/TextLines.h"

#include <QByteArrayList>
#include <QRandomGenerator>

#include <tuple>
#include <utility>

namespace vo {

int SystemRandom::below(int count)
{
    return int(QRandomGenerator::global()->bounded(count));
}

namespace {

// Only a to z are folded: the file is Windows-1252, and its accented letters must not match
// their capitals, as they never did.
QByteArray foldAsciiToUpper(QByteArrayView text)
{
    QByteArray folded = text.toByteArray();
    for (char &c : folded) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    return folded;
}

QByteArray startTag(QByteArrayView name)
{
    return QByteArrayLiteral("<%%") + name.toByteArray() + QByteArrayLiteral("%%>");
}

QByteArray endTag(QByteArrayView name)
{
    return QByteArrayLiteral("<%%/") + name.toByteArray() + QByteArrayLiteral("%%>");
}

QByteArray cutNamedValue(QByteArray &working, QByteArrayView name)
{
    return CutTagValue(working, startTag(name), endTag(name));
}

// Series entries carry their number in the tag name; the series ends at the first empty value.
QByteArrayList cutSeries(QByteArray &working, QByteArrayView name)
{
    constexpr int MaxEntries = 16;
    QByteArrayList entries;
    for (int number = 1; number <= MaxEntries; ++number) {
        const QByteArray value = cutNamedValue(working, name.toByteArray() + QByteArray::number(number));
        if (value.isEmpty())
            break;
        entries.append(value);
    }
    return entries;
}

// An entry is "first^second"; an entry that splits into fewer pieces leaves the rest empty.
std::pair<QByteArray, QByteArray> splitEntry(const QByteArray &entry)
{
    QByteArrayList pieces;
    SplitByChar('^', entry, pieces);
    return {pieces.value(0), pieces.value(1)};
}

bool bothSet(const QByteArray &first, const QByteArray &second)
{
    return !first.isEmpty() && !second.isEmpty();
}

} // namespace

QByteArray CutTagValue(QByteArray &working, QByteArrayView startTag, QByteArrayView endTag)
{
    const qsizetype start = foldAsciiToUpper(working).indexOf(foldAsciiToUpper(startTag));
    if (start < 0)
        return {};
    working.remove(0, start + startTag.size());

    const qsizetype end = foldAsciiToUpper(working).indexOf(foldAsciiToUpper(endTag));
    if (end < 0)
        return {};
    const QByteArray value = working.left(end);
    working.remove(0, end);
    return value;
}

QByteArray joinBrandingLines(QByteArrayView plain)
{
    const qsizetype zero = plain.indexOf('\0');
    if (zero >= 0)
        plain = plain.first(zero);

    QByteArray joined;
    joined.reserve(plain.size() + plain.size() / 16 + 2);
    for (const QByteArray &line : splitLines(plain))
        joined += line + "\r\n";
    return joined;
}

bool newsButtonVisibleFor(const BrandingProfile &profile)
{
    const QByteArray &tier = profile.BranderType;
    // "Free" members see the button with the master's news, though no request is made for them.
    if (tier == "Master" || tier == "Free")
        return bothSet(profile.MasterPublID, profile.MasterNewsBaseURL);
    if (tier == "Platinum")
        return bothSet(profile.PlatinumPublID, profile.PlatinumNewsBaseURL);
    if (tier == "Gold")
        return bothSet(profile.GoldPublID, profile.GoldNewsBaseURL);
    return false;
}

BrandingMarkup parseBrandingMarkup(QByteArray working, RandomSource &random)
{
    BrandingMarkup markup;
    BrandingProfile &profile = markup.profile;

    // The order is part of the file format: each read starts where the previous one ended.
    profile.ApplicationName = cutNamedValue(working, "ApplicationName");
    markup.caption = profile.ApplicationName + " v" + ProgramVersion;
    profile.BranderCode = cutNamedValue(working, "BranderCode");
    profile.BranderType = cutNamedValue(working, "BranderType");
    profile.AffiliateURL = cutNamedValue(working, "AffiliateURL");
    profile.AffiliateTYPE = cutNamedValue(working, "AffiliateTYPE");
    profile.AffiliateID = cutNamedValue(working, "AffiliateID");
    profile.AffiliateURL.replace(QByteArrayView("%%AFFILIATEID%%"), profile.AffiliateID);
    profile.MasterNewsBaseURL = cutNamedValue(working, "MasterNewsBaseURL");
    profile.PlatinumNewsBaseURL = cutNamedValue(working, "PlatinumNewsBaseURL");
    profile.GoldNewsBaseURL = cutNamedValue(working, "GoldNewsBaseURL");
    profile.MasterPublID = cutNamedValue(working, "MasterPublID");
    profile.PlatinumPublID = cutNamedValue(working, "PlatinumPublID");
    profile.GoldPublID = cutNamedValue(working, "GoldPublID");
    markup.newsButtonVisible = newsButtonVisibleFor(profile);
    markup.makeMoneyCaption = cutNamedValue(working, "MakeMoneyButton");
    if (markup.makeMoneyCaption.isEmpty())
        markup.makeMoneyCaption = QByteArrayLiteral("Make Money");
    profile.AppHelpURL = cutNamedValue(working, "AppHelpURL");
    profile.CopyrightYears = cutNamedValue(working, "CopyrightYears");
    profile.CopyrightCompany = cutNamedValue(working, "CopyrightCompany");
    profile.AboutText = cutNamedValue(working, "AboutText");

    const QByteArrayList welcomes = cutSeries(working, "Welcome");
    const QByteArrayList banners = cutSeries(working, "Banner");
    QByteArrayList links = cutSeries(working, "Link");

    if (!welcomes.isEmpty())
        profile.WelcomePage = welcomes.at(random.below(int(welcomes.size())));

    if (!banners.isEmpty()) {
        const int chosen = random.below(int(banners.size()));
        markup.bannerNumber = chosen + 1;
        std::tie(profile.BannerFile, profile.BannerURL) = splitEntry(banners.at(chosen));
    }

    if (!links.isEmpty()) {
        const int first = random.below(int(links.size()));
        std::tie(profile.Link1Caption, profile.Link1URL) = splitEntry(links.takeAt(first));
        if (!links.isEmpty())
            std::tie(profile.Link2Caption, profile.Link2URL) = splitEntry(links.at(random.below(int(links.size()))));
    }
    return markup;
}

} // namespace vo
