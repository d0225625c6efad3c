#include "platform/AnsiText.h"

#include <algorithm>
#include <array>
#include <utility>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace vo::ansi {

namespace {

// The character of each byte of the code page.
using ByteTable = std::array<char16_t, 256>;

// 0x80..0x9F of Windows-1252. The five unassigned bytes map to the C1 control of the same
// value, as Windows' own conversion does, so every byte survives a round trip.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

ByteTable windows1252()
{
    ByteTable table{};
    for (std::size_t b = 0; b < table.size(); ++b)
        table[b] = b >= 0x80 && b <= 0x9F ? kHighControls[b - 0x80] : char16_t(b);
    return table;
}

#ifdef Q_OS_WIN
// The system's ANSI code page where it holds one byte per character; a byte that it leaves
// undefined keeps the character of its own number, so that it still survives a round trip.
// A code page of several bytes per character cannot be the program's: Windows-1252 then.
ByteTable systemCodePage()
{
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize != 1)
        return windows1252();
    ByteTable table{};
    for (std::size_t b = 0; b < table.size(); ++b) {
        const char byte = static_cast<char>(b);
        wchar_t character = 0;
        const bool defined = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &byte, 1, &character, 1) == 1;
        table[b] = defined ? char16_t(character) : char16_t(b);
    }
    return table;
}
#endif

// The bytes above 0x7F by their character, sorted, for encoding; a character that two bytes
// share encodes to the first.
class CodePage
{
public:
    explicit CodePage(const ByteTable &table) : table_(table)
    {
        for (std::size_t b = 0; b < table.size(); ++b)
            byCharacter_[b] = {table[b], static_cast<unsigned char>(b)};
        std::stable_sort(byCharacter_.begin(), byCharacter_.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
    }

    char16_t toUnicode(unsigned char b) const { return table_[b]; }

    std::optional<char> encode(char16_t u) const
    {
        if (u < 0x80 && table_[u] == u)
            return static_cast<char>(u);
        const auto found = std::lower_bound(byCharacter_.begin(), byCharacter_.end(), u,
                                            [](const auto &entry, char16_t c) { return entry.first < c; });
        if (found == byCharacter_.end() || found->first != u)
            return std::nullopt;
        return static_cast<char>(found->second);
    }

private:
    ByteTable table_;
    std::array<std::pair<char16_t, unsigned char>, 256> byCharacter_{};
};

const CodePage &codePage()
{
#ifdef Q_OS_WIN
    static const CodePage page(systemCodePage());
#else
    static const CodePage page(windows1252());
#endif
    return page;
}

} // namespace

QString toUnicode(QByteArrayView bytes)
{
    const CodePage &page = codePage();
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *dst = out.data();
    for (const char ch : bytes)
        *dst++ = QChar(page.toUnicode(static_cast<unsigned char>(ch)));
    return out;
}

std::optional<QByteArray> fromUnicode(QStringView text)
{
    const CodePage &page = codePage();
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const auto b = page.encode(c.unicode());
        if (!b)
            return std::nullopt;
        out.append(*b);
    }
    return out;
}

bool canEncode(QChar c)
{
    return codePage().encode(c.unicode()).has_value();
}

} // namespace vo::ansi
