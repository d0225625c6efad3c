#include "platform/AnsiText.h"

#include <array>

namespace vo::ansi {

namespace {

// 0x80..0x9F of Windows-1252. The five unassigned bytes map to the C1 control of the same
// value, as Windows' own conversion does, so every byte survives a round trip.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::optional<char> encode(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<char>(u);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == u)
            return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

} // namespace

QString toUnicode(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *dst = out.data();
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        *dst++ = QChar(b >= 0x80 && b <= 0x9F ? kHighControls[b - 0x80] : char16_t(b));
    }
    return out;
}

std::optional<QByteArray> fromUnicode(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const auto b = encode(c.unicode());
        if (!b)
            return std::nullopt;
        out.append(*b);
    }
    return out;
}

bool canEncode(QChar c)
{
    return encode(c.unicode()).has_value();
}

} // namespace vo::ansi
