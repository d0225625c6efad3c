#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace vo {

// The plain branding text with the last-news marker set to `newsId`: the first line holding
// "<%%LastNewsId%%>" (exactly so) becomes the marker line, anything else on it dropped, or the
// marker line comes last. Every line ends in CR LF afterwards.
QByteArray withLastNewsIdLine(QByteArrayView text, QByteArrayView newsId);

} // namespace vo
