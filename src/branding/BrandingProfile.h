#pragma once

#include <QByteArray>

namespace vo {

// What the distributor's branding file says, filled once at start and only read afterwards.
// Every field stays empty when there is no branding file.
struct BrandingProfile
{
    QByteArray ApplicationName;
    QByteArray BranderCode;
    QByteArray BranderType;
    QByteArray AffiliateURL;
    QByteArray AffiliateTYPE;
    QByteArray AffiliateID;
    QByteArray MasterNewsBaseURL;
    QByteArray PlatinumNewsBaseURL;
    QByteArray GoldNewsBaseURL;
    QByteArray MasterPublID;
    QByteArray PlatinumPublID;
    QByteArray GoldPublID;
    QByteArray AppHelpURL;
    QByteArray CopyrightYears;
    QByteArray CopyrightCompany;
    QByteArray AboutText;
    QByteArray WelcomePage;
    QByteArray BannerFile;
    QByteArray BannerURL;
    QByteArray Link1Caption;
    QByteArray Link1URL;
    QByteArray Link2Caption;
    QByteArray Link2URL;
    QByteArray IconFile;
};

} // namespace vo
