#include "branding/UUtils.h"

#include <optional>

namespace vo {

void SplitByChar(char separator, const QByteArray &text, QByteArrayList &pieces)
{
    pieces.clear();
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == separator) {
            pieces.append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    if (start < text.size())
        pieces.append(text.mid(start));
}

namespace {

std::optional<int> hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return std::nullopt;
}

// One or two digits, no sign, no blanks: anything else is not an escape.
std::optional<int> readHex(QByteArrayView digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    int value = 0;
    for (const char c : digits) {
        const std::optional<int> digit = hexDigit(c);
        if (!digit)
            return std::nullopt;
        value = value * 16 + *digit;
    }
    return value;
}

} // namespace

QByteArray DecodeDollarHex(const QByteArray &text)
{
    constexpr qsizetype EscapeLength = 3; // "$" and two digits, fewer only at the very end
    QByteArray result;
    result.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const char c = text.at(i);
        if (c != '$') {
            result.append(c);
            ++i;
            continue;
        }
        const qsizetype digitCount = qMin(EscapeLength - 1, text.size() - i - 1);
        const std::optional<int> code = readHex(QByteArrayView(text).sliced(i + 1, digitCount));
        if (!code)
            return {};
        result.append(static_cast<char>(*code));
        i += EscapeLength;
    }
    return result;
}

} // namespace vo
