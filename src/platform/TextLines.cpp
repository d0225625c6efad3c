#include "platform/TextLines.h"

namespace vo {

QByteArrayList splitLines(QByteArrayView text)
{
    QByteArrayList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && text[end] != '\r' && text[end] != '\n')
            ++end;
        lines.append(text.sliced(start, end - start).toByteArray());
        if (end + 1 < size && text[end] == '\r' && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

} // namespace vo
