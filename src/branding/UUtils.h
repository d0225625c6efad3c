#pragma once

#include <QByteArray>
#include <QByteArrayList>

namespace vo {

// Cuts text at every separator byte. The list is emptied first. Two adjacent separators, or one
// at the very start, give an empty piece; a separator at the very end gives none, because the
// servers end many replies with one and their readers count the pieces.
void SplitByChar(char separator, const QByteArray &text, QByteArrayList &pieces);

// Turns "$" plus two hexadecimal digits back into the byte they name, as the news service
// writes its texts. A malformed escape makes the whole result empty: the service never sends
// one, so such a text is not news.
QByteArray DecodeDollarHex(const QByteArray &text);

} // namespace vo
