#include "products/ProductRows.h"

#include "branding/UUtils.h"
#include "platform/TextLines.h"

namespace vo {

namespace {

constexpr int kListFields = 5;
constexpr int kProductFields = 6;

QByteArray joinQuotedFields(const QByteArray &row)
{
    QByteArray joined = row;
    return joined.replace("\",\"", ",");
}

} // namespace

QByteArrayList SplitProductRow(const QByteArray &row)
{
    QByteArrayList fields;
    SplitByChar(',', joinQuotedFields(row), fields);
    return fields;
}

QByteArray WithoutQuotes(QByteArray text)
{
    return text.replace('"', QByteArray());
}

QByteArray TrimControls(const QByteArray &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32)
        --end;
    return text.mid(begin, end - begin);
}

ProductListReply ParseProductList(const QByteArray &reply)
{
    QByteArray text = reply;
    text.replace("^OK", QByteArray()).replace("^", "\r\n");
    text = joinQuotedFields(text);

    ProductListReply result;
    if (text == "OK") {
        result.onlyOk = true;
        return result;
    }
    QByteArrayList fields;
    for (const QByteArray &line : splitLines(text)) {
        SplitByChar(',', line, fields);
        if (fields.size() < kListFields) {
            result.complete = false;
            break;
        }
        ProductRecord row;
        row.Key = TrimControls(WithoutQuotes(fields[0]));
        row.Name = fields[1];
        row.Folder = fields[2];
        row.ThanksPage = fields[3];
        row.Code = TrimControls(WithoutQuotes(fields[4]));
        result.rows.push_back(std::move(row));
    }
    return result;
}

bool FitsProductRow(const QByteArray &value)
{
    for (const char c : value) {
        if (c == ',' || c == '^' || c == '"' || c == '\r' || c == '\n')
            return false;
    }
    return true;
}

std::optional<ProductRecord> ParseProductRow(const QByteArray &row)
{
    const QByteArrayList fields = SplitProductRow(row);
    if (fields.size() != kProductFields)
        return std::nullopt;
    ProductRecord product;
    product.Key = TrimControls(WithoutQuotes(fields[0]));
    product.Name = fields[1];
    product.Folder = fields[2];
    product.ThanksPage = fields[3];
    product.Code = fields[4];
    // The site's key for the link keeps any spaces it was given; only the quotes go.
    product.ThanksKey = WithoutQuotes(fields[5]);
    return product;
}

QByteArray BuildThanksPageUrl(const QByteArray &siteUrl, const ProductRecord &product)
{
    return siteUrl + "/thanks.php?id=" + product.Code + "&sk=" + product.ThanksKey;
}

} // namespace vo
