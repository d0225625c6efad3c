#pragma once

#include "branding/BrandingProfile.h"

#include <QByteArray>
#include <QByteArrayView>

namespace vo {

// The program version as the caption and the About dialog show it.
inline constexpr char ProgramVersion[] = "2.01";

// Where the random choices of welcome page, banner and links come from; tests script it.
class RandomSource
{
public:
    virtual ~RandomSource() = default;
    // A number from 0 up to, not including, count (count > 0), every one equally likely.
    virtual int below(int count) = 0;
};

class SystemRandom final : public RandomSource
{
public:
    int below(int count) override;
};

// Takes the value between the first start tag and the end tag that follows it out of the
// working text (tags found with a to z folded to upper case). The working text then begins at
// that end tag, so the next search starts there. Without a start tag the value is empty and the
// text stays as it was; without an end tag the value is empty and the text begins right after
// the start tag.
QByteArray CutTagValue(QByteArray &working, QByteArrayView startTag, QByteArrayView endTag);

// The decrypted file as the markup reader sees it: lines ending at CR, LF or CR LF, cut at the
// first byte 0, each line followed by CR LF.
QByteArray joinBrandingLines(QByteArrayView plain);

// Whether the News button shows for the profile's tier.
bool newsButtonVisibleFor(const BrandingProfile &profile);

// What the markup says, before any side file is looked at.
struct BrandingMarkup
{
    BrandingProfile profile;       // IconFile is left to the file loader
    QByteArray caption;            // ApplicationName + " v2.01"
    QByteArray makeMoneyCaption;   // "Make Money" when the tag is empty
    bool newsButtonVisible = false;
    int bannerNumber = 0;          // N of the chosen banner entry, 0 when there is none
};

// Reads the tags in their fixed order and makes the random choices.
BrandingMarkup parseBrandingMarkup(QByteArray working, RandomSource &random);

} // namespace vo
