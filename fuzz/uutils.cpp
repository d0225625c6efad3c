// SplitByChar and DecodeDollarHex: the text helpers under every reply and file reader.
#include "FuzzSupport.h"

#include "branding/UUtils.h"

namespace {

using vo::fuzz::bytesOf;

void checkSplit(char separator, const QByteArray &text)
{
    QByteArrayList pieces{QByteArrayLiteral("left from before")};
    vo::SplitByChar(separator, text, pieces);
    for (const QByteArray &piece : std::as_const(pieces))
        FUZZ_CHECK(!piece.contains(separator));
    // Joining the pieces again gives the text, less the one separator that may end it.
    const QByteArray whole = text.endsWith(separator) ? text.chopped(1) : text;
    FUZZ_CHECK(pieces.join(separator) == whole);
    const qsizetype expectedCount = text.isEmpty() ? 0 : text.count(separator) + (text.endsWith(separator) ? 0 : 1);
    FUZZ_CHECK(pieces.size() == expectedCount);
}

QByteArray escaped(const QByteArray &text, bool everyByte)
{
    QByteArray out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (everyByte || c == '$' || byte < 32 || byte >= 127)
            out.append('$').append(QByteArray::number(byte, 16).rightJustified(2, '0'));
        else
            out.append(c);
    }
    return out;
}

void checkDecode(const QByteArray &text)
{
    const QByteArray decoded = vo::DecodeDollarHex(text);
    FUZZ_CHECK(decoded.size() <= text.size());
    if (!text.contains('$'))
        FUZZ_CHECK(decoded == text);
    FUZZ_CHECK(vo::DecodeDollarHex(escaped(text, false)) == text);
    FUZZ_CHECK(vo::DecodeDollarHex(escaped(text, true).toUpper()) == text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray text = bytesOf(data + 1, size - 1);
    checkSplit(static_cast<char>(data[0]), text);
    checkDecode(text);
    return 0;
}
