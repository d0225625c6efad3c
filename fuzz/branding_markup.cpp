// The branding markup: what a decrypted branding file says, read tag by tag.
#include "FuzzSupport.h"

#include "branding/Branding.h"

#include <functional>

namespace {

using namespace vo::fuzz;

// The random choices come from the input too, so that every choice is reached and a crash
// repeats from its input alone.
class InputRandom final : public vo::RandomSource
{
public:
    explicit InputRandom(FuzzedDataProvider &input) : input_(input) {}

    int below(int count) override
    {
        FUZZ_CHECK(count > 0);
        return input_.ConsumeIntegralInRange(0, count - 1);
    }

private:
    FuzzedDataProvider &input_;
};

QByteArray folded(QByteArrayView text)
{
    QByteArray out = text.toByteArray();
    for (char &c : out) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    return out;
}

void checkCut(const QByteArray &text, const QByteArray &startTag, const QByteArray &endTag)
{
    QByteArray working = text;
    const QByteArray value = vo::CutTagValue(working, startTag, endTag);
    FUZZ_CHECK(working.size() <= text.size());
    if (!folded(text).contains(folded(startTag))) {
        FUZZ_CHECK(value.isEmpty());
        FUZZ_CHECK(working == text);
        return;
    }
    FUZZ_CHECK(text.endsWith(working));
    if (!value.isEmpty()) {
        FUZZ_CHECK(folded(working).startsWith(folded(endTag)));
        FUZZ_CHECK(!folded(value).contains(folded(endTag)) || endTag.isEmpty());
    }
}

void checkJoined(const QByteArray &plain)
{
    const QByteArray joined = vo::joinBrandingLines(plain);
    FUZZ_CHECK(!joined.contains('\0'));
    FUZZ_CHECK(joined.isEmpty() || joined.endsWith("\r\n"));
    FUZZ_CHECK(joined.count('\r') == joined.count('\n'));
    FUZZ_CHECK(joined.count("\r\n") == joined.count('\n'));
    FUZZ_CHECK(vo::joinBrandingLines(joined) == joined);
}

void checkMarkup(const QByteArray &plain, FuzzedDataProvider &input)
{
    InputRandom random(input);
    const vo::BrandingMarkup markup = vo::parseBrandingMarkup(vo::joinBrandingLines(plain), random);
    const vo::BrandingProfile &profile = markup.profile;
    FUZZ_CHECK(markup.caption == profile.ApplicationName + " v" + vo::ProgramVersion);
    FUZZ_CHECK(!markup.makeMoneyCaption.isEmpty());
    FUZZ_CHECK(markup.bannerNumber >= 0 && markup.bannerNumber <= 16);
    FUZZ_CHECK(markup.newsButtonVisible == vo::newsButtonVisibleFor(profile));
    for (const QByteArray *part : {&profile.BannerFile, &profile.Link1Caption, &profile.Link2Caption})
        FUZZ_CHECK(!part->contains('^'));
    FUZZ_CHECK(markup.bannerNumber > 0 || (profile.BannerFile.isEmpty() && profile.BannerURL.isEmpty()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const QByteArray startTag = takeBytes(input, 24);
    const QByteArray endTag = takeBytes(input, 24);
    const QByteArray choices = takeBytes(input, 16);
    const QByteArray text = restOf(input);

    checkCut(text, startTag, endTag);
    checkJoined(text);
    FuzzedDataProvider choiceInput(reinterpret_cast<const std::uint8_t *>(choices.constData()),
                                   std::size_t(choices.size()));
    checkMarkup(text, choiceInput);
    return 0;
}
