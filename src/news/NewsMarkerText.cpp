#include "news/NewsMarkerText.h"

#include "platform/TextLines.h"

namespace vo {

QByteArray withLastNewsIdLine(QByteArrayView text, QByteArrayView newsId)
{
    static constexpr QByteArrayView kStartTag = "<%%LastNewsId%%>";
    QByteArrayList lines = splitLines(text);
    const QByteArray markerLine = kStartTag.toByteArray() + newsId.toByteArray() + "<%%/LastNewsId%%>";
    qsizetype index = 0;
    while (index < lines.size() && !lines.at(index).contains(kStartTag))
        ++index;
    if (index < lines.size())
        lines[index] = markerLine;
    else
        lines.append(markerLine);

    QByteArray rewritten;
    for (const QByteArray &line : std::as_const(lines))
        rewritten += line + "\r\n";
    return rewritten;
}

} // namespace vo
