#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace vo::brand {

struct BrandingCheck
{
    QStringList problems;     // one line each, naming the line of the text it concerns
    QString applicationName;  // what the caption and the menu entry show
};

// What a distributor must learn before a seller starts the console: tags the loader would miss
// (out of its reading order, repeated, unknown, without an end tag, past the end of a numbered
// series), an empty ApplicationName, and banner entries whose picture file "banner" N ".dat"
// `sideFolder` does not hold.
BrandingCheck checkBrandingText(QByteArrayView plain, const QString &sideFolder);

} // namespace vo::brand
