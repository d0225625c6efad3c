// The rewrite of the last-news marker in the plain branding text: the first line holding the
// start tag becomes the marker line, or the marker line comes last; every other line stays.
#include "FuzzSupport.h"

#include "branding/Branding.h"
#include "news/NewsMarkerText.h"
#include "platform/TextLines.h"

namespace {

using namespace vo::fuzz;

const QByteArray kStartTag = QByteArrayLiteral("<%%LastNewsId%%>");
const QByteArray kEndTag = QByteArrayLiteral("<%%/LastNewsId%%>");

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const QByteArray newsId = QByteArray::number(input.ConsumeIntegral<qint32>());
    const QByteArray otherId = QByteArray::number(input.ConsumeIntegral<qint32>());
    const QByteArray text = restOf(input);

    const QByteArrayList before = vo::splitLines(text);
    const QByteArray rewritten = vo::withLastNewsIdLine(text, newsId);
    const QByteArrayList after = vo::splitLines(rewritten);
    const QByteArray markerLine = kStartTag + newsId + kEndTag;

    qsizetype marked = 0;
    while (marked < before.size() && !before.at(marked).contains(kStartTag))
        ++marked;
    FUZZ_CHECK(after.size() == before.size() + (marked == before.size() ? 1 : 0));
    for (qsizetype i = 0; i < after.size(); ++i)
        FUZZ_CHECK(after.at(i) == (i == marked ? markerLine : before.at(i)));
    FUZZ_CHECK(rewritten.endsWith("\r\n"));

    // Saving the same id again changes nothing; another id and back gives the same text.
    FUZZ_CHECK(vo::withLastNewsIdLine(rewritten, newsId) == rewritten);
    FUZZ_CHECK(vo::withLastNewsIdLine(vo::withLastNewsIdLine(rewritten, otherId), newsId) == rewritten);

    // Read back as the start-up check reads it, unless an earlier line already carries the tag
    // in another letter case, which the reader takes first.
    bool earlierTag = false;
    for (qsizetype i = 0; i < marked && i < before.size(); ++i)
        earlierTag = earlierTag || before.at(i).toLower().contains(kStartTag.toLower());
    if (!earlierTag) {
        QByteArray working = rewritten;
        FUZZ_CHECK(vo::CutTagValue(working, kStartTag, kEndTag) == newsId);
    }
    return 0;
}
