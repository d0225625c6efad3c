// ProfileIni: the settings file and the update description are read by it, and both can
// come from anywhere on disk or from the update site.
#include "FuzzSupport.h"

#include "settings/ProfileIni.h"

#include <limits>

namespace {

using namespace vo::fuzz;

constexpr qsizetype kMaxValueLength = 2047;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool hasOuterBlanks(const QByteArray &text)
{
    return !text.isEmpty() && (isBlank(text.front()) || isBlank(text.back()));
}

bool hasLineBreak(const QByteArray &text)
{
    return text.contains('\r') || text.contains('\n');
}

// A section name that a header line "[name]" gives back unchanged.
bool carriableSection(const QByteArray &section)
{
    return !hasLineBreak(section) && !section.contains(']') && !hasOuterBlanks(section);
}

// A key that a "key=value" line gives back and that no reader takes for a section header.
bool carriableKey(const QByteArray &key)
{
    return !key.isEmpty() && !hasLineBreak(key) && !key.contains('=') && !hasOuterBlanks(key)
        && !key.startsWith('[');
}

// A value that reads back as written: no blanks or quote pair for the reader to take off.
bool carriableValue(const QByteArray &value)
{
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
        && value.back() == value.front();
    return !hasLineBreak(value) && !hasOuterBlanks(value) && !quoted && value.size() <= kMaxValueLength;
}

void checkIntegerRule(FuzzedDataProvider &input, const QByteArray &text)
{
    if (const auto parsed = vo::ProfileIni::parseInteger(text))
        FUZZ_CHECK(vo::ProfileIni::parseInteger(QByteArray::number(*parsed)) == parsed);
    const qint32 number = input.ConsumeIntegral<qint32>();
    FUZZ_CHECK(vo::ProfileIni::parseInteger(QByteArray::number(number)) == number);
    FUZZ_CHECK(vo::ProfileIni::parseInteger("0x" + QByteArray::number(quint32(number), 16))
               == (quint32(number) <= quint32(std::numeric_limits<qint32>::max()) ? std::optional<qint32>(number)
                                                                                   : std::nullopt));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const QByteArray section = takeBytes(input, 24);
    const QByteArray key = takeBytes(input, 24);
    const QByteArray value = takeBytes(input, 64);
    const qint32 number = input.ConsumeIntegral<qint32>();
    checkIntegerRule(input, value);
    const QByteArray file = restOf(input);

    vo::ProfileIni ini(file);
    const QByteArray read = ini.readString(section, key, "fallback");
    FUZZ_CHECK(read.size() <= kMaxValueLength || read == "fallback");
    (void)ini.readInteger(section, key, -1);

    // Written back untouched, the file reads the same and writes the same bytes again.
    const QByteArray written = ini.toBytes();
    FUZZ_CHECK(vo::ProfileIni(written).toBytes() == written);
    FUZZ_CHECK(vo::ProfileIni(written).readString(section, key, "fallback") == read);

    if (!carriableSection(section) || !carriableKey(key))
        return 0;
    if (carriableValue(value)) {
        ini.writeString(section, key, value);
        FUZZ_CHECK(ini.readString(section, key) == value);
        FUZZ_CHECK(vo::ProfileIni(ini.toBytes()).readString(section, key) == value);
    }
    ini.writeInteger(section, key, number);
    FUZZ_CHECK(vo::ProfileIni(ini.toBytes()).readInteger(section, key, 0) == number);
    return 0;
}
