// The client's handling of a run of scripted replies: interim "100 Continue" heads skipped,
// redirects followed up to the limit, the body of the final reply delivered, and whether the
// connection may carry the next request. The same decisions the client makes, without a socket.
#include "FuzzSupport.h"
#include "PieceSource.h"

#include "net/IdExceptions.h"
#include "net/IdHTTP.h"
#include "net/ReplyPolicy.h"
#include "net/ReplyReader.h"
#include "net/Url.h"

namespace {

using namespace vo::fuzz;

constexpr qsizetype kMaxLineLength = 128;

bool asksFor(const vo::ReplyHead &head, QByteArrayView connection)
{
    return head.value("Connection").compare(connection, Qt::CaseInsensitive) == 0
        || head.value("Proxy-Connection").compare(connection, Qt::CaseInsensitive) == 0;
}

void checkKeepAlive(vo::HttpMethod method, const vo::ReplyHead &head, bool closedByPeer)
{
    const bool keep = vo::keepsConnection(method, head, closedByPeer);
    if (closedByPeer || asksFor(head, "close"))
        FUZZ_CHECK(!keep);
    else if (method == vo::HttpMethod::Get)
        FUZZ_CHECK(keep);
    else
        FUZZ_CHECK(keep == asksFor(head, "keep-alive"));
}

struct Outcome
{
    QByteArray text;
};

// One operation as the client runs it: each request gets the next scripted answer, as a server
// answers only once it is asked.
void exchange(vo::HttpMethod method, const QByteArray &sizes, const QByteArrayList &answers, Outcome &seen)
{
    vo::HttpUrl url;
    url.host = "seller.example";
    url.target = "/scripts/actions.php";
    for (int sent = 1;; ++sent) {
        FUZZ_CHECK(sent <= vo::TIdHTTP::kRedirectMaximum);
        const QByteArray answer = sent <= answers.size() ? answers.at(sent - 1) : QByteArray();
        PieceSource source(sizes, answer);
        vo::ReplyReader reader(source, kMaxLineLength);
        vo::ReplyHead head = reader.readHead();
        int interim = 0;
        while (vo::isInterimReply(head)) {
            FUZZ_CHECK(head.statusCode == 100);
            ++interim;
            head = reader.readHead();
        }
        seen.text += QByteArray::number(interim) + " interim, " + head.statusLine + '\n';
        const vo::ReplyStep step = vo::nextStep(head);
        bool closed = false;
        QByteArray body;
        const auto collect = [&body](QByteArrayView piece) { body += piece; };
        switch (step) {
        case vo::ReplyStep::Redirect: {
            const QByteArray location = head.value("Location");
            FUZZ_CHECK(!location.isEmpty() && vo::isSendableUrlText(location));
            closed = !vo::hasNoBody(head.statusCode) && reader.readBody(head, collect);
            checkKeepAlive(method, head, closed);
            if (sent == vo::TIdHTTP::kRedirectMaximum) {
                seen.text += "redirects exhausted\n";
                return;
            }
            url = vo::resolveLocation(url, location);
            // What a redirect leads to goes on the next request line, which it cannot split or end.
            FUZZ_CHECK(vo::isSendableUrlText(url.target) && vo::isSendableUrlText(url.host));
            seen.text += "to " + url.hostHeader() + url.target + '\n';
            break;
        }
        case vo::ReplyStep::Deliver:
            FUZZ_CHECK(head.statusCode >= 200 && head.statusCode < 300);
            closed = !vo::hasNoBody(head.statusCode) && reader.readBody(head, collect);
            FUZZ_CHECK(body.size() <= answer.size());
            if (vo::hasNoBody(head.statusCode))
                FUZZ_CHECK(body.isEmpty());
            checkKeepAlive(method, head, closed);
            seen.text += "delivered " + QByteArray::number(body.size()) + '\n' + body;
            return;
        case vo::ReplyStep::Fail:
            FUZZ_CHECK(!(head.statusCode >= 200 && head.statusCode < 300) || !head.value("Location").isEmpty());
            seen.text += "failed\n";
            return;
        }
    }
}

Outcome run(vo::HttpMethod method, const QByteArray &sizes, const QByteArrayList &answers)
{
    Outcome seen;
    try {
        exchange(method, sizes, answers, seen);
    } catch (const vo::EIdException &error) {
        seen.text += "error: " + QByteArray(error.what()) + '\n';
    }
    return seen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const vo::HttpMethod method = input.ConsumeBool() ? vo::HttpMethod::Post : vo::HttpMethod::Get;
    const QByteArray sizes = takeBytes(input, 8);
    QByteArrayList answers;
    while (input.remaining_bytes() > 0 && answers.size() < vo::TIdHTTP::kRedirectMaximum)
        answers.append(takeBytes(input, 4096));
    // How the bytes arrive must not change what the client decides.
    const Outcome inPieces = run(method, sizes, answers);
    const Outcome byteByByte = run(method, QByteArray(1, '\0'), answers);
    FUZZ_CHECK(inPieces.text == byteByByte.text);
    return 0;
}
