// The skin file a distributor ships: format number, byte count and a zlib stream. Whatever the
// file holds, reading it ends with a bounded style sheet or none; and what the packing side
// writes always reads back, while a cut or damaged copy of it is refused.
#include "FuzzSupport.h"

#include "ui/SkinCodec.h"

#include <QtEndian>

namespace {

using namespace vo::fuzz;

void checkBounded(const std::optional<QByteArray> &styleSheet)
{
    if (styleSheet)
        FUZZ_CHECK(styleSheet->size() <= vo::skin::kMaxStyleSheetBytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    const std::optional<QByteArray> fromFile = vo::skin::unpackFile(bytes);
    checkBounded(fromFile);
    if (size >= 8) {
        const auto format = qFromLittleEndian<quint32>(data);
        const auto count = qFromLittleEndian<quint32>(data + 4);
        if (format > vo::skin::kMaxFormat || count > size - 8)
            FUZZ_CHECK(!fromFile);
        else
            FUZZ_CHECK(fromFile == vo::skin::inflate(bytes.sliced(8, count)));
    } else {
        FUZZ_CHECK(!fromFile);
    }
    checkBounded(vo::skin::inflate(bytes));

    // The same bytes as a style sheet, packed and read back.
    const quint32 format = size == 0 ? vo::skin::kFileFormat : data[0] % (vo::skin::kMaxFormat + 1);
    const QByteArray packed = vo::skin::packFile(bytes, format);
    FUZZ_CHECK(vo::skin::unpackFile(packed) == bytes);
    FUZZ_CHECK(vo::skin::inflate(vo::skin::compress(bytes)) == bytes);
    // A stream cut short misses its checksum; one with a byte changed fails it or its coding.
    QByteArray shortCount = packed;
    qToLittleEndian<quint32>(quint32(packed.size() - 9), shortCount.data() + 4);
    FUZZ_CHECK(!vo::skin::unpackFile(shortCount));
    FUZZ_CHECK(!vo::skin::unpackFile(packed.first(packed.size() - 1)));
    QByteArray damaged = packed;
    const qsizetype at = 8 + qsizetype(size == 0 ? 0 : data[size - 1]) % (packed.size() - 8);
    damaged[at] = char(damaged[at] ^ 0x55);
    const std::optional<QByteArray> fromDamaged = vo::skin::unpackFile(damaged);
    FUZZ_CHECK(!fromDamaged || fromDamaged == bytes);
    return 0;
}
