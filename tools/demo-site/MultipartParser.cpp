#include "MultipartParser.h"

#include "HeaderValue.h"

namespace vo::demo {

namespace {

const QByteArray crlf = QByteArrayLiteral("\r\n");

} // namespace

void FormFields::append(const QByteArray &name, const QByteArray &value)
{
    fields_.append(Field{name, value});
}

std::optional<QByteArray> FormFields::value(const QByteArray &name) const
{
    for (const Field &field : fields_) {
        if (field.name == name)
            return field.value;
    }
    return std::nullopt;
}

std::optional<QByteArray> MultipartParser::boundaryOf(const QByteArray &contentType)
{
    const std::optional<HeaderValue> header = HeaderValue::parse(contentType);
    if (!header || header->type() != "multipart/form-data")
        return std::nullopt;
    std::optional<QByteArray> boundary = header->parameter(QByteArrayLiteral("boundary"));
    if (!boundary || boundary->isEmpty() || boundary->size() > 70)
        return std::nullopt;
    return boundary;
}

std::optional<QByteArray> MultipartParser::fieldName(const QByteArray &headerBlock)
{
    const QList<QByteArray> lines = headerBlock.split('\n');
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        const qsizetype colon = line.indexOf(':');
        if (colon < 0 || line.left(colon).trimmed().toLower() != "content-disposition")
            continue;
        const std::optional<HeaderValue> disposition = HeaderValue::parse(line.mid(colon + 1));
        if (!disposition || disposition->type() != "form-data")
            return std::nullopt;
        return disposition->parameter(QByteArrayLiteral("name"));
    }
    return std::nullopt;
}

std::optional<FormFields> MultipartParser::parse(const QByteArray &contentType, const QByteArray &body)
{
    const std::optional<QByteArray> boundary = boundaryOf(contentType);
    if (!boundary)
        return std::nullopt;
    const QByteArray dashBoundary = QByteArrayLiteral("--") + *boundary;
    const QByteArray delimiter = crlf + dashBoundary;

    // The first delimiter may open the body without the CR LF in front of it; anything before
    // it is preamble.
    qsizetype pos = 0;
    if (body.startsWith(dashBoundary)) {
        pos = dashBoundary.size();
    } else {
        const qsizetype first = body.indexOf(delimiter);
        if (first < 0)
            return std::nullopt;
        pos = first + delimiter.size();
    }

    FormFields fields;
    for (;;) {
        if (body.mid(pos, 2) == "--")
            return fields; // the close delimiter; what follows is epilogue
        while (pos < body.size() && (body.at(pos) == ' ' || body.at(pos) == '\t'))
            ++pos; // transport padding
        if (body.mid(pos, 2) != crlf)
            return std::nullopt;
        pos += 2;

        const qsizetype next = body.indexOf(delimiter, pos);
        if (next < 0)
            return std::nullopt; // no closing delimiter: a cut-off body
        // The header block ends at the first empty line; a part without headers starts with it.
        qsizetype contentStart = 0;
        QByteArray headerBlock;
        if (body.mid(pos, 2) == crlf) {
            contentStart = pos + 2;
        } else {
            const qsizetype headerEnd = body.indexOf(QByteArrayLiteral("\r\n\r\n"), pos);
            if (headerEnd < 0 || headerEnd + 4 > next)
                return std::nullopt;
            headerBlock = body.mid(pos, headerEnd - pos);
            contentStart = headerEnd + 4;
        }
        const std::optional<QByteArray> name = fieldName(headerBlock);
        if (!name)
            return std::nullopt;
        fields.append(*name, body.mid(contentStart, next - contentStart));
        pos = next + delimiter.size();
    }
}

} // namespace vo::demo
