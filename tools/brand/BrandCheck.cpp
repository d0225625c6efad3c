#include "BrandCheck.h"

#include "branding/UUtils.h"
#include "platform/AnsiText.h"

#include <QByteArrayList>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace vo::brand {

namespace {

// The loader reads these in this order, each search starting where the previous one ended;
// then the numbered series, Welcome, Banner and Link, each from 1 up to 16.
constexpr std::array<const char *, 17> NamedTags = {
    "ApplicationName", "BranderCode",         "BranderType",     "AffiliateURL",  "AffiliateTYPE", "AffiliateID",
    "MasterNewsBaseURL", "PlatinumNewsBaseURL", "GoldNewsBaseURL", "MasterPublID", "PlatinumPublID", "GoldPublID",
    "MakeMoneyButton",  "AppHelpURL",          "CopyrightYears",  "CopyrightCompany", "AboutText"};
constexpr std::array<const char *, 3> Series = {"Welcome", "Banner", "Link"};
constexpr int SeriesEnd = 16;

struct Tag
{
    QByteArray name;   // as written
    int rank = 0;      // place in the reading order
    int number = 0;    // within a series, else 0
    qsizetype valueStart = 0;
    int line = 0;

    bool before(const Tag &other) const { return rank != other.rank ? rank < other.rank : number < other.number; }
    QString shown() const { return QStringLiteral("<%%") + QString::fromLatin1(name) + QStringLiteral("%%>"); }
};

bool sameName(QByteArrayView a, QByteArrayView b)
{
    return a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0;
}

// The place of a tag name in the reading order; nullopt for a name the loader never reads.
std::optional<std::pair<int, int>> rankOf(QByteArrayView name)
{
    for (std::size_t i = 0; i < NamedTags.size(); ++i)
        if (sameName(name, NamedTags[i]))
            return std::pair{int(i), 0};
    for (std::size_t i = 0; i < Series.size(); ++i) {
        const QByteArrayView stem(Series[i]);
        if (name.size() <= stem.size() || !sameName(name.first(stem.size()), stem))
            continue;
        const QByteArrayView digits = name.sliced(stem.size());
        bool ok = false;
        const int number = digits.toInt(&ok);
        // Written in decimal without leading zeros, or the loader does not find it.
        if (ok && number > 0 && digits.front() != '0' && digits.size() <= 3)
            return std::pair{int(NamedTags.size() + i), number};
        return std::nullopt;
    }
    return std::nullopt;
}

// The longest run of tags, in the order they stand, that also follows the reading order; of
// runs equally long, the one that keeps the earliest tags. The tags outside it are the ones
// out of place: moving them alone puts the text in order.
std::vector<bool> inReadingOrder(const std::vector<Tag> &tags)
{
    const std::size_t count = tags.size();
    std::vector<int> longestFrom(count, 1);
    for (std::size_t i = count; i-- > 0;) {
        for (std::size_t j = i + 1; j < count; ++j) {
            if (tags[i].before(tags[j]))
                longestFrom[i] = std::max(longestFrom[i], longestFrom[j] + 1);
        }
    }
    std::vector<bool> kept(count, false);
    int wanted = count ? *std::max_element(longestFrom.begin(), longestFrom.end()) : 0;
    const Tag *previous = nullptr;
    for (std::size_t i = 0; i < count && wanted > 0; ++i) {
        if (longestFrom[i] == wanted && (!previous || previous->before(tags[i]))) {
            kept[i] = true;
            previous = &tags[i];
            --wanted;
        }
    }
    return kept;
}

class Checker
{
public:
    Checker(QByteArrayView plain, const QString &sideFolder)
        : plain_(plain), folded_(plain.toByteArray().toUpper()), sideFolder_(sideFolder)
    {
    }

    BrandingCheck run()
    {
        std::vector<Tag> tags;
        const QByteArrayView open("<%%");
        for (qsizetype at = plain_.indexOf(open); at >= 0; at = plain_.indexOf(open, at + open.size())) {
            const qsizetype nameStart = at + open.size();
            const qsizetype close = plain_.indexOf(QByteArrayView("%%>"), nameStart);
            if (close < 0)
                break;
            const QByteArrayView name = plain_.sliced(nameStart, close - nameStart);
            if (name.startsWith('/') || sameName(name, "LastNewsId") || !isTagName(name))
                continue;
            if (std::optional<Tag> tag = recognised(name, close + 3, lineAt(at)))
                tags.push_back(std::move(*tag));
        }
        const std::vector<bool> kept = inReadingOrder(tags);
        for (std::size_t i = 0; i < tags.size(); ++i) {
            if (kept[i])
                take(tags[i]);
            else
                misplaced(tags, kept, i);
        }
        std::stable_sort(problems_.begin(), problems_.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
        for (const auto &[line, text] : problems_)
            result_.problems.append(text);
        if (result_.applicationName.isEmpty())
            result_.problems.append(
                QStringLiteral("no <%%ApplicationName%%> value: the caption and the menu entry take their name from it"));
        return result_;
    }

private:
    static bool isTagName(QByteArrayView name)
    {
        if (name.isEmpty() || name.size() > 64)
            return false;
        for (const char c : name)
            if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
                return false;
        return true;
    }

    int lineAt(qsizetype offset) const { return int(plain_.first(offset).count('\n')) + 1; }

    void problem(const Tag &tag, const QString &text)
    {
        problems_.append({tag.line, QStringLiteral("line %1: %2 %3").arg(tag.line).arg(tag.shown(), text)});
    }

    std::optional<Tag> recognised(QByteArrayView name, qsizetype valueStart, int line)
    {
        Tag tag{name.toByteArray(), 0, 0, valueStart, line};
        const std::optional<std::pair<int, int>> rank = rankOf(name);
        if (!rank) {
            problem(tag, QStringLiteral("is not a tag the console reads"));
            return std::nullopt;
        }
        tag.rank = rank->first;
        tag.number = rank->second;
        // The loader reads the name first of all, wherever it stands.
        if (const std::optional<QByteArray> value = valueOf(tag);
            tag.rank == 0 && value && result_.applicationName.isEmpty())
            result_.applicationName = ansi::toUnicode(*value);
        return tag;
    }

    // A tag outside the run in reading order: another of its name in the run, or one that
    // stands after a tag it must precede, or before one it must follow.
    void misplaced(const std::vector<Tag> &tags, const std::vector<bool> &kept, std::size_t index)
    {
        const Tag &tag = tags[index];
        for (std::size_t i = 0; i < tags.size(); ++i) {
            if (kept[i] && !tag.before(tags[i]) && !tags[i].before(tag)) {
                problem(tag, QStringLiteral("is given again (first on line %1): only the first is read").arg(tags[i].line));
                return;
            }
        }
        const Tag *follows = nullptr;
        for (std::size_t i = 0; i < tags.size(); ++i) {
            if (!kept[i])
                continue;
            if (i < index && tag.before(tags[i])) {
                problem(tag, QStringLiteral("must come before %1 (line %2): the console reads the tags in a fixed order")
                                 .arg(tags[i].shown())
                                 .arg(tags[i].line));
                return;
            }
            if (tags[i].before(tag))
                follows = &tags[i];
        }
        if (follows)
            problem(tag, QStringLiteral("must come after %1 (line %2): the console reads the tags in a fixed order")
                             .arg(follows->shown())
                             .arg(follows->line));
    }

    void take(const Tag &tag)
    {
        const std::optional<QByteArray> value = valueOf(tag);
        if (!value)
            problem(tag, QStringLiteral("has no end tag <%%/%1%%>").arg(QString::fromLatin1(tag.name)));
        if (tag.number > 0 && !seriesGoesOn(tag, value.value_or(QByteArray())))
            return;
        last_ = tag;
        if (tag.rank == int(NamedTags.size()) + 1 && value)
            checkBannerFile(tag, *value);
    }

    // The loader reads a series from 1 upward and stops at the first number that is missing or
    // empty, and after 16.
    bool seriesGoesOn(const Tag &tag, const QByteArray &value)
    {
        const int expected = (last_ && last_->rank == tag.rank) ? last_->number + 1 : 1;
        if (tag.number > SeriesEnd) {
            problem(tag, QStringLiteral("is never read: a series ends at %1").arg(SeriesEnd));
            return false;
        }
        if (tag.number != expected || seriesEnded_[tag.rank]) {
            problem(tag, QStringLiteral("is never read: its series ends before it, at the first number that is "
                                        "missing or empty"));
            return false;
        }
        if (value.isEmpty())
            seriesEnded_[tag.rank] = true;
        return true;
    }

    std::optional<QByteArray> valueOf(const Tag &tag) const
    {
        const QByteArray endTag = ("<%%/" + tag.name + "%%>").toUpper();
        const qsizetype end = folded_.indexOf(endTag, tag.valueStart);
        if (end < 0)
            return std::nullopt;
        return plain_.sliced(tag.valueStart, end - tag.valueStart).toByteArray();
    }

    void checkBannerFile(const Tag &tag, const QByteArray &value)
    {
        QByteArrayList pieces;
        SplitByChar('^', value, pieces);
        if (pieces.value(0).isEmpty())
            return;
        const QString file = QStringLiteral("banner%1.dat").arg(tag.number);
        if (!QFileInfo(QDir(sideFolder_).filePath(file)).isFile())
            problem(tag, QStringLiteral("names the picture %1, but the folder holds no %2")
                             .arg(ansi::toUnicode(pieces.value(0)), file));
    }

    QByteArrayView plain_;
    QByteArray folded_; // tag names match without regard to letter case
    QString sideFolder_;
    BrandingCheck result_;
    QList<std::pair<int, QString>> problems_; // with the line each concerns
    std::optional<Tag> last_;
    std::array<bool, NamedTags.size() + Series.size()> seriesEnded_{};
};

} // namespace

BrandingCheck checkBrandingText(QByteArrayView plain, const QString &sideFolder)
{
    return Checker(plain, sideFolder).run();
}

} // namespace vo::brand
