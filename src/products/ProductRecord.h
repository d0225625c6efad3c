#pragma once

#include <QByteArray>

namespace vo {

// One product as the seller's site describes it; the console computes none of these values.
struct ProductRecord
{
    QByteArray Key;
    QByteArray Name;
    QByteArray Folder;
    QByteArray ThanksPage;
    QByteArray Code;
    QByteArray ThanksKey;

    friend bool operator==(const ProductRecord &, const ProductRecord &) = default;
};

} // namespace vo
