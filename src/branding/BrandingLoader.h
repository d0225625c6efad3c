#pragma once

#include "branding/BannerPicture.h"
#include "branding/Branding.h"
#include "branding/BrandingProfile.h"
#include "platform/AppFolder.h"

#include <QByteArray>
#include <QIcon>
#include <QString>
#include <QStringList>

#include <optional>

namespace vo {

// Everything the branding file and its side files say, worked out once at start: the window
// only applies it.
struct BrandingResult
{
    bool present = false; // "dbsettings.dat" exists
    bool damaged = false; // it failed decryption and was not applied
    bool applied = false; // its markup was read: every field below is to be applied

    BrandingProfile profile;
    QByteArray caption;                     // ApplicationName + " v2.01"
    QByteArray makeMoneyCaption;            // never empty once applied
    bool newsButtonVisible = true;          // the design state until applied
    BannerPicture banner;                   // Kind::None hides the banner strip
    bool linksVisible = true;               // the design state until applied
    std::optional<QString> skinStyleSheet;  // replaces the built-in skin
    std::optional<QIcon> icon;              // becomes the application's icon

    // Each to be shown to the seller once. Loading went on past every one of them.
    QStringList problems;

    bool bannerHidden() const { return applied && banner.kind == BannerPicture::Kind::None; }
};

// Reads "dbsettings.dat" of the folder with its side files. No branding file is no error: the
// result is not present and reports nothing. The decrypted plain file "dbsettings.sim" is gone
// again on every way out, failures included.
BrandingResult LoadBrandingFile(const AppFolder &folder, RandomSource &random);

} // namespace vo
