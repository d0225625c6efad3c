// Reading http URLs and resolving a Location against the URL that was asked for. The first
// part of the input is the requested URL, the rest the Location value.
#include "FuzzSupport.h"

#include "net/IdExceptions.h"
#include "net/Url.h"

#include <cctype>
#include <optional>

namespace {

using namespace vo::fuzz;

bool hasBlankOrControl(QByteArrayView text)
{
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F)
            return true;
    }
    return false;
}

std::optional<vo::HttpUrl> parsed(const QByteArray &url)
{
    try {
        return vo::parseHttpUrl(url);
    } catch (const vo::EIdException &) {
        return std::nullopt;
    }
}

std::optional<vo::HttpUrl> resolved(const vo::HttpUrl &base, const QByteArray &location)
{
    try {
        return vo::resolveLocation(base, location);
    } catch (const vo::EIdException &) {
        return std::nullopt;
    }
}

bool same(const vo::HttpUrl &a, const vo::HttpUrl &b)
{
    return a.host == b.host && a.port == b.port && a.target == b.target;
}

QByteArray absoluteForm(const vo::HttpUrl &url)
{
    return "http://" + url.host + ':' + QByteArray::number(url.port) + url.target;
}

// A reference that names its own scheme or host leaves nothing of the base behind.
bool namesScheme(QByteArray reference)
{
    reference = reference.trimmed().replace('\\', '/');
    if (reference.startsWith("//"))
        return true;
    qsizetype i = 0;
    while (i < reference.size() && (std::isalnum(static_cast<unsigned char>(reference.at(i))) || reference.at(i) == '+'
                                    || reference.at(i) == '-' || reference.at(i) == '.'))
        ++i;
    return i > 0 && i < reference.size() && reference.at(i) == ':';
}

bool hasDotSegment(const QByteArray &target)
{
    const qsizetype query = target.indexOf('?');
    const QByteArray path = query < 0 ? target : target.left(query);
    for (const QByteArray &segment : path.split('/')) {
        if (segment == "." || segment == "..")
            return true;
    }
    return false;
}

void checkParsed(const vo::HttpUrl &url)
{
    FUZZ_CHECK(!url.host.isEmpty() && url.port != 0);
    FUZZ_CHECK(url.target.startsWith('/') && !url.target.contains('#'));
    for (const char c : {'/', '\\', '?', '#', '@', ':'})
        FUZZ_CHECK(!url.host.contains(c));
    // Host and port as read come back the same when written out again, in either form.
    const std::optional<vo::HttpUrl> again = parsed(absoluteForm(url));
    FUZZ_CHECK(again && same(*again, url));
    const std::optional<vo::HttpUrl> viaHeader = parsed("http://" + url.hostHeader() + url.target);
    FUZZ_CHECK(viaHeader && same(*viaHeader, url));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const QByteArray requested = takeBytes(input, 256);
    const QByteArray location = restOf(input);

    vo::HttpUrl base;
    base.host = "seller.example";
    base.target = "/shop/scripts/actions.php?a=1";
    if (const std::optional<vo::HttpUrl> url = parsed(requested)) {
        checkParsed(*url);
        base = *url;
    }
    if (const std::optional<vo::HttpUrl> locationAsUrl = parsed(location))
        checkParsed(*locationAsUrl);

    const std::optional<vo::HttpUrl> target = resolved(base, location);
    if (!target)
        return 0;
    checkParsed(*target);
    // Nothing that would split or end the request line appears unless the server sent it.
    if (!hasBlankOrControl(location) && !hasBlankOrControl(base.target) && !hasBlankOrControl(base.host))
        FUZZ_CHECK(!hasBlankOrControl(target->target) && !hasBlankOrControl(target->host));
    // Resolving the result, written out whole, gives the result again. A target with blanks
    // (a server's Location such as "/?q  #x") cannot go on a request line at all, and the
    // blanks at its end are what a Location loses first.
    if (!hasBlankOrControl(target->target)) {
        const std::optional<vo::HttpUrl> again = resolved(base, absoluteForm(*target));
        FUZZ_CHECK(again && same(*again, *target));
    }
    if (!namesScheme(location)) {
        // A path on the same server: host and port stay, and ".." stops at the root.
        FUZZ_CHECK(target->host == base.host && target->port == base.port);
        if (!location.trimmed().isEmpty() && !location.trimmed().startsWith('?') && !location.trimmed().startsWith('#'))
            FUZZ_CHECK(!hasDotSegment(target->target) && vo::removeDotSegments(target->target) == target->target);
    }
    return 0;
}
