// The site's product rows and how each action's reply is judged.
#include "FuzzSupport.h"

#include "products/ProductRows.h"
#include "products/SiteReplies.h"

#include <array>

namespace {

using namespace vo::fuzz;

bool hasOuterControls(const QByteArray &text)
{
    return !text.isEmpty() && (static_cast<unsigned char>(text.front()) <= 32
                               || static_cast<unsigned char>(text.back()) <= 32);
}

// Key and code are read without quotes and trimmed; the fields between them carry no separator.
void checkRecord(const vo::ProductRecord &record)
{
    for (const QByteArray *trimmed : {&record.Key}) {
        FUZZ_CHECK(!trimmed->contains('"'));
        FUZZ_CHECK(!hasOuterControls(*trimmed));
    }
    for (const QByteArray *field : {&record.Name, &record.Folder, &record.ThanksPage})
        FUZZ_CHECK(!field->contains(','));
}

void checkList(const QByteArray &reply)
{
    const vo::ProductListReply list = vo::ParseProductList(reply);
    FUZZ_CHECK(!list.onlyOk || list.rows.empty());
    for (const vo::ProductRecord &row : list.rows) {
        checkRecord(row);
        FUZZ_CHECK(!row.Code.contains('"') && !hasOuterControls(row.Code));
        for (const QByteArray *field : {&row.Name, &row.Folder, &row.ThanksPage, &row.Code})
            FUZZ_CHECK(!field->contains('\r') && !field->contains('\n'));
    }
}

void checkReplies(const QByteArray &reply)
{
    FUZZ_CHECK(vo::IsExactOk(reply) == (reply == "OK"));
    FUZZ_CHECK(vo::IsListReplyAccepted(reply) == reply.contains("OK"));
    FUZZ_CHECK((vo::AddResultOf(reply) == vo::AddResult::Added) == (reply == "OK"));
    FUZZ_CHECK((vo::UpdateResultOf(reply) == vo::UpdateResult::Updated) == (reply == "OK"));
    if (vo::AddResultOf(reply) == vo::AddResult::NameExists)
        FUZZ_CHECK(vo::UpdateResultOf(reply) == vo::UpdateResult::NameExists);
    if (const std::optional<vo::ProductRowReply> rowReply = vo::ProductRowOf(reply)) {
        const QByteArray &row = rowReply->row;
        FUZZ_CHECK(reply.contains("OK"));
        // A whole row is the reply itself, or the reply without its closing "^OK".
        if (rowReply->whole)
            FUZZ_CHECK(row == reply || row + "^OK" == reply);
        FUZZ_CHECK(!row.isEmpty() && row != "OK");
        FUZZ_CHECK(row.size() <= reply.size());
        if (const std::optional<vo::ProductRecord> product = vo::ParseProductRow(row)) {
            checkRecord(*product);
            FUZZ_CHECK(vo::SplitProductRow(row).size() == 6);
        }
    }
}

QByteArray quotedRow(const QByteArrayList &fields)
{
    return '"' + fields.join("\",\"") + '"';
}

// Values that the row format can carry come back as they were sent.
void checkRoundTrip(FuzzedDataProvider &input)
{
    std::array<QByteArray, 6> values;
    for (QByteArray &value : values)
        value = takeBytes(input, 24);
    for (const QByteArray &value : values) {
        if (!vo::FitsProductRow(value))
            return;
    }
    const auto &[key, name, folder, thanksPage, code, thanksKey] = values;

    const std::optional<vo::ProductRecord> product
        = vo::ParseProductRow(quotedRow({key, name, folder, thanksPage, code, thanksKey}));
    FUZZ_CHECK(product.has_value());
    FUZZ_CHECK(product->Key == vo::TrimControls(key));
    FUZZ_CHECK(product->Name == name && product->Folder == folder && product->ThanksPage == thanksPage);
    FUZZ_CHECK(product->Code == code && product->ThanksKey == thanksKey);
    const QByteArray url = vo::BuildThanksPageUrl("http://site", *product);
    FUZZ_CHECK(url.startsWith("http://site/thanks.php?id=" + code + "&sk="));
    FUZZ_CHECK(url.endsWith(thanksKey));

    const QByteArray row = quotedRow({key, name, folder, thanksPage, code});
    const vo::ProductListReply list = vo::ParseProductList(row + '^' + row + "^OK");
    FUZZ_CHECK(list.complete && !list.onlyOk && list.rows.size() == 2);
    for (const vo::ProductRecord &listed : list.rows) {
        FUZZ_CHECK(listed.Key == vo::TrimControls(key) && listed.Code == vo::TrimControls(code));
        FUZZ_CHECK(listed.Name == name && listed.Folder == folder && listed.ThanksPage == thanksPage);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const bool roundTrip = input.ConsumeBool();
    if (roundTrip) {
        checkRoundTrip(input);
        return 0;
    }
    const QByteArray reply = restOf(input);
    checkList(reply);
    checkReplies(reply);
    return 0;
}
