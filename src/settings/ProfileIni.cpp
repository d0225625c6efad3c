#include "settings/ProfileIni.h"

#include "platform/TextLines.h"

#include <limits>
#include <optional>

namespace vo {

namespace {

constexpr qsizetype kMaxValueLength = 2047;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// "[name]" with optional blanks around; the name as written, else nullopt.
std::optional<QByteArrayView> sectionName(QByteArrayView line)
{
    line = trimBlanks(line);
    if (!line.startsWith('['))
        return std::nullopt;
    const qsizetype close = line.indexOf(']');
    if (close < 0)
        return std::nullopt;
    return trimBlanks(line.sliced(1, close - 1));
}

std::optional<qint64> parseDigits(QByteArrayView digits, int base)
{
    if (digits.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (const char c : digits) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * base + digit;
        if (value > qint64(std::numeric_limits<qint32>::max()) + 1)
            return std::nullopt;
    }
    return value;
}

} // namespace

ProfileIni::ProfileIni(const QByteArray &fileBytes)
    : lines_(splitLines(fileBytes))
{
}

ProfileIni::Range ProfileIni::findSection(QByteArrayView section) const
{
    Range range;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const auto name = sectionName(lines_[i]);
        if (!name)
            continue;
        if (range.first >= 0) {
            range.end = i;
            return range;
        }
        if (sameName(*name, section))
            range.first = i + 1;
    }
    if (range.first >= 0)
        range.end = lines_.size();
    return range;
}

qsizetype ProfileIni::findKey(const Range &range, QByteArrayView key) const
{
    for (qsizetype i = range.first; i >= 0 && i < range.end; ++i) {
        const QByteArray &line = lines_[i];
        const qsizetype equals = line.indexOf('=');
        if (equals >= 0 && sameName(trimBlanks(QByteArrayView(line).first(equals)), key))
            return i;
    }
    return -1;
}

QByteArray ProfileIni::readString(QByteArrayView section, QByteArrayView key, const QByteArray &fallback) const
{
    const qsizetype index = findKey(findSection(section), key);
    if (index < 0)
        return fallback;
    const QByteArray &line = lines_[index];
    QByteArrayView value = trimBlanks(QByteArrayView(line).sliced(line.indexOf('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return value.first(std::min(value.size(), kMaxValueLength)).toByteArray();
}

std::optional<qint32> ProfileIni::parseInteger(QByteArrayView text)
{
    QByteArrayView rest = text;
    bool negative = false;
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        rest = text.sliced(2);
        base = 16;
    } else {
        while (!rest.isEmpty() && rest.front() == ' ')
            rest = rest.sliced(1);
        if (!rest.isEmpty() && (rest.front() == '-' || rest.front() == '+')) {
            negative = rest.front() == '-';
            rest = rest.sliced(1);
        }
        if (!rest.isEmpty() && rest.front() == '$') {
            rest = rest.sliced(1);
            base = 16;
        }
    }
    const auto magnitude = parseDigits(rest, base);
    if (!magnitude)
        return std::nullopt;
    const qint64 value = negative ? -*magnitude : *magnitude;
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(value);
}

qint32 ProfileIni::readInteger(QByteArrayView section, QByteArrayView key, qint32 fallback) const
{
    const QByteArray text = readString(section, key);
    if (text.isEmpty())
        return fallback;
    return parseInteger(text).value_or(fallback);
}

void ProfileIni::writeString(QByteArrayView section, QByteArrayView key, const QByteArray &value)
{
    Range range = findSection(section);
    if (range.first < 0) {
        lines_.append('[' + section.toByteArray() + ']');
        range = {lines_.size(), lines_.size()};
    }
    const qsizetype index = findKey(range, key);
    if (index >= 0) {
        QByteArray &line = lines_[index];
        line = line.left(line.indexOf('=') + 1) + value;
        return;
    }
    // After the section's last line that holds something, so blank lines before the next
    // section stay where they are.
    qsizetype insertAt = range.end;
    while (insertAt > range.first && trimBlanks(lines_[insertAt - 1]).isEmpty())
        --insertAt;
    lines_.insert(insertAt, key.toByteArray() + '=' + value);
}

void ProfileIni::writeInteger(QByteArrayView section, QByteArrayView key, qint32 value)
{
    writeString(section, key, QByteArray::number(value));
}

QByteArray ProfileIni::toBytes() const
{
    QByteArray out;
    for (const QByteArray &line : lines_)
        out.append(line).append("\r\n");
    return out;
}

} // namespace vo
