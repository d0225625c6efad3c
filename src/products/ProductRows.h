#pragma once

#include "products/ProductRecord.h"

#include <QByteArrayList>

#include <vector>

// The site sends products as rows of double-quoted fields joined by "," and rows joined by "^".
// The format has no escaping, so every reader takes rows apart the same way, here.
namespace vo {

// Quote-comma-quote becomes ",", then the row is cut at every ",". The first field keeps its
// opening quote and the last its closing one.
QByteArrayList SplitProductRow(const QByteArray &row);

// Every double quote removed.
QByteArray WithoutQuotes(QByteArray text);
// Every leading and trailing byte of value 32 or lower removed.
QByteArray TrimControls(const QByteArray &text);

struct ProductListReply
{
    // The rows in the order the site sent them, up to the first one that could not be read.
    std::vector<ProductRecord> rows;
    // False when a line held fewer than five fields: the rows before it are still here.
    bool complete = true;
    // The reply was "OK" alone: no rows, and the count shown before stays as it was.
    bool onlyOk = false;
};

// Reads the reply to the list request; the caller has checked that it holds "OK".
ProductListReply ParseProductList(const QByteArray &reply);

// The bytes that would shift the columns of a row if a product value held them.
bool FitsProductRow(const QByteArray &value);

// The row of one product (the reply to the get-one request, "^OK" already removed), when it
// splits into exactly its six fields.
std::optional<ProductRecord> ParseProductRow(const QByteArray &row);

// The link that sends a buyer back to a product's thanks page.
QByteArray BuildThanksPageUrl(const QByteArray &siteUrl, const ProductRecord &product);

} // namespace vo
