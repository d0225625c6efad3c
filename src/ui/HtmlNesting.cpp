#include "ui/HtmlNesting.h"

#include <QList>
#include <QString>

#include <algorithm>
#include <initializer_list>

namespace vo {

namespace {

// Reads the tags of the text with the same word and quote rules as QTextHtmlParser, keeping
// a stack of the open elements.
class TagWalk
{
public:
    TagWalk(QStringView text, int depthLimit, qint64 workLimit)
        : text_(text), depthLimit_(depthLimit), workLimit_(workLimit)
    {
    }

    HtmlShape measure()
    {
        // Qt lays a nested table out again for each pass over the table around it, so the
        // text inside costs twice as much for every table that holds it.
        qsizetype runStart = 0;
        while (shape_.depth <= depthLimit_ && shape_.layoutWork <= workLimit_) {
            const qsizetype tag = text_.indexOf(u'<', pos_);
            const qsizetype runEnd = tag < 0 ? text_.size() : tag;
            shape_.layoutWork += qint64(runEnd - runStart) << std::min(tables_, 32);
            if (tag < 0)
                break;
            runStart = tag;
            pos_ = tag + 1;
            readTag();
        }
        return shape_;
    }

private:
    bool at(QChar c, qsizetype ahead = 0) const
    {
        return pos_ + ahead < text_.size() && text_[pos_ + ahead] == c;
    }

    void eatSpace()
    {
        while (pos_ < text_.size() && text_[pos_].isSpace() && text_[pos_] != QChar::ParagraphSeparator)
            ++pos_;
    }

    void skipPast(QChar end)
    {
        while (pos_ < text_.size() && text_[pos_++] != end) {
        }
    }

    // One word, quoted or not; returns its text in lower case (entities left as written).
    QString word()
    {
        const qsizetype start = pos_;
        if (at(u'"')) {
            ++pos_;
            skipPast(u'"');
            return text_.sliced(start + 1, std::max<qsizetype>(0, pos_ - start - 2)).toString().toLower();
        }
        if (at(u'\'')) {
            ++pos_;
            while (pos_ < text_.size()) {
                const QChar c = text_[pos_++];
                if (c == u'\'' && text_[pos_ - 2] != u'\\')
                    break;
            }
            return text_.sliced(start + 1, std::max<qsizetype>(0, pos_ - start - 2)).toString().toLower();
        }
        while (pos_ < text_.size()) {
            const QChar c = text_[pos_];
            if (c == u'>' || (c == u'/' && at(u'>', 1)) || c == u'<' || c == u'=' || c.isSpace())
                break;
            ++pos_;
        }
        return text_.sliced(start, pos_ - start).toString().toLower();
    }

    void readAttributes()
    {
        while (pos_ < text_.size()) {
            eatSpace();
            if (at(u'>') || at(u'/'))
                return;
            if (word().isEmpty())
                return;
            eatSpace();
            if (at(u'=')) {
                ++pos_;
                eatSpace();
                word();
            }
        }
    }

    void readTag()
    {
        eatSpace();
        if (at(u'!')) {
            ++pos_;
            if (at(u'-') && at(u'-', 1)) {
                const qsizetype end = text_.indexOf(u"-->", pos_ + 2);
                pos_ = end < 0 ? text_.size() : end + 3;
            } else {
                skipPast(u'>');
            }
            return;
        }
        if (at(u'/')) {
            ++pos_;
            const QString name = word().trimmed();
            skipPast(u'>');
            close(name);
            return;
        }
        const QString name = word();
        if (pos_ < text_.size() && text_[pos_].isSpace())
            readAttributes();
        bool selfClosed = false;
        while (pos_ < text_.size() && text_[pos_] != u'>')
            selfClosed |= text_[pos_++] == u'/';
        ++pos_;
        open(name, selfClosed);
    }

    // The nearest open element named one of `names`, or -1.
    qsizetype nearest(std::initializer_list<QStringView> names) const
    {
        for (qsizetype i = open_.size() - 1; i >= 0; --i) {
            if (std::find(names.begin(), names.end(), open_[i]) != names.end())
                return i;
        }
        return -1;
    }

    void push(const QString &name)
    {
        open_.append(name);
        shape_.depth = std::max(shape_.depth, int(open_.size()));
        tables_ += name == u"table";
    }

    void truncate(qsizetype size)
    {
        tables_ -= int(std::count(open_.cbegin() + size, open_.cend(), u"table"));
        open_.resize(size);
    }

    void open(const QString &name, bool selfClosed)
    {
        // A tag without a name makes no element that could hold another.
        if (name.isEmpty() || selfClosed || name == u"img" || name == u"br" || name == u"hr" || name == u"meta")
            return;
        if (name == u"td" || name == u"th") {
            // A cell belongs to the nearest row; without one the parser makes a table and a row.
            if (const qsizetype row = nearest({u"tr"}); row >= 0) {
                truncate(row + 1);
            } else {
                push(QStringLiteral("table"));
                push(QStringLiteral("tr"));
            }
        } else if (name == u"tr") {
            if (const qsizetype table = nearest({u"table", u"thead", u"tbody", u"tfoot"}); table >= 0)
                truncate(table + 1);
            else
                push(QStringLiteral("table"));
        } else if ((name == u"p" || name == u"li") && !open_.isEmpty() && open_.constLast() == name) {
            truncate(open_.size() - 1);
        }
        push(name);
    }

    void close(const QString &name)
    {
        if (const qsizetype match = nearest({name}); match >= 0)
            truncate(match);
    }

    QStringView text_;
    const int depthLimit_;
    const qint64 workLimit_;
    qsizetype pos_ = 0;
    QList<QString> open_;
    int tables_ = 0;
    HtmlShape shape_;
};

} // namespace

HtmlShape measureHtml(QStringView html, int depthLimit, qint64 workLimit)
{
    return TagWalk(html, depthLimit, workLimit).measure();
}

} // namespace vo
