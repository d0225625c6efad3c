// The three replies of the news servers and the error words shown for them.
#include "FuzzSupport.h"

#include "branding/UUtils.h"
#include "news/NewsReplies.h"

namespace {

using namespace vo::fuzz;

const QByteArray kMarker = QByteArrayLiteral("\xAF" "OK");

bool isControl(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

void checkReplies(const QByteArray &raw)
{
    const QByteArray reply = vo::TrimNewsReply(raw);
    FUZZ_CHECK(reply.isEmpty() || (!isControl(reply.front()) && !isControl(reply.back())));
    FUZZ_CHECK(vo::TrimNewsReply(reply) == reply);
    FUZZ_CHECK(raw.contains(reply));
    const bool accepted = reply.contains("OK");

    const vo::LatestNewsReply latest = vo::ReadLatestNewsReply(reply);
    FUZZ_CHECK(latest.accepted == accepted);
    FUZZ_CHECK(latest.hasItem || (latest.id.isEmpty() && latest.title.isEmpty()));
    FUZZ_CHECK(!latest.id.contains('^') && !latest.title.contains('^'));

    const std::optional<QByteArrayList> list = vo::ReadNewsListReply(reply);
    FUZZ_CHECK(list.has_value() == accepted);
    if (list) {
        for (const QByteArray &item : *list)
            FUZZ_CHECK(!item.isEmpty() && item != "OK" && !item.contains('\xAF'));
    }

    const std::optional<QByteArray> details = vo::ReadNewsDetailsReply(reply);
    FUZZ_CHECK(details.has_value() == accepted);
    if (details)
        FUZZ_CHECK(details->size() <= reply.size());

    for (const vo::NewsScript script : {vo::NewsScript::LastNews, vo::NewsScript::NewsDetails}) {
        if (!vo::NewsErrorText(reply, script).isEmpty())
            FUZZ_CHECK(!accepted);
    }
}

// Items as a server lists them, each followed by the marker byte and "OK" at the end, come
// back one for one.
void checkListRoundTrip(FuzzedDataProvider &input)
{
    QByteArrayList items;
    QByteArray reply;
    while (input.remaining_bytes() > 0 && items.size() < 8) {
        const QByteArray item = takeBytes(input, 32);
        if (item.isEmpty() || item == "OK" || item.contains('\xAF') || isControl(item.front())
            || isControl(item.back()))
            continue;
        items.append(item);
        reply += item + '\xAF';
    }
    const std::optional<QByteArrayList> read = vo::ReadNewsListReply(vo::TrimNewsReply(reply + "OK"));
    FUZZ_CHECK(read && *read == items);

    const QByteArray html = items.join('\n');
    QByteArray escaped;
    for (const char c : html)
        escaped += c == '$' ? QByteArrayLiteral("$24") : QByteArray(1, c);
    FUZZ_CHECK(vo::ReadNewsDetailsReply(escaped + kMarker) == html);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    if (input.ConsumeBool())
        checkListRoundTrip(input);
    else
        checkReplies(restOf(input));
    return 0;
}
