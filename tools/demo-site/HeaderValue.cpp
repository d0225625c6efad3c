#include "HeaderValue.h"

namespace vo::demo {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

void skipBlanks(const QByteArray &text, qsizetype &pos)
{
    while (pos < text.size() && isBlank(text.at(pos)))
        ++pos;
}

// A quoted string starting at the opening quote; backslash escapes the next byte.
std::optional<QByteArray> readQuoted(const QByteArray &text, qsizetype &pos)
{
    QByteArray value;
    for (++pos; pos < text.size(); ++pos) {
        char c = text.at(pos);
        if (c == '"') {
            ++pos;
            return value;
        }
        if (c == '\\') {
            if (++pos == text.size())
                break;
            c = text.at(pos);
        }
        value.append(c);
    }
    return std::nullopt;
}

} // namespace

std::optional<HeaderValue> HeaderValue::parse(const QByteArray &text)
{
    HeaderValue result;
    qsizetype pos = text.indexOf(';');
    if (pos < 0)
        pos = text.size();
    result.type_ = text.left(pos).trimmed().toLower();

    while (pos < text.size()) {
        ++pos; // the ';'
        skipBlanks(text, pos);
        if (pos == text.size())
            break; // a trailing ';' is harmless
        const qsizetype equals = text.indexOf('=', pos);
        const qsizetype nextSemicolon = text.indexOf(';', pos);
        if (equals < 0 || (nextSemicolon >= 0 && nextSemicolon < equals))
            return std::nullopt;
        Parameter parameter{text.mid(pos, equals - pos).trimmed().toLower(), {}};
        pos = equals + 1;
        skipBlanks(text, pos);
        if (pos < text.size() && text.at(pos) == '"') {
            std::optional<QByteArray> quoted = readQuoted(text, pos);
            if (!quoted)
                return std::nullopt;
            parameter.value = *quoted;
            skipBlanks(text, pos);
            if (pos < text.size() && text.at(pos) != ';')
                return std::nullopt;
        } else {
            qsizetype end = text.indexOf(';', pos);
            if (end < 0)
                end = text.size();
            parameter.value = text.mid(pos, end - pos).trimmed();
            pos = end;
        }
        result.parameters_.append(parameter);
    }
    return result;
}

std::optional<QByteArray> HeaderValue::parameter(const QByteArray &name) const
{
    const QByteArray wanted = name.toLower();
    for (const Parameter &p : parameters_) {
        if (p.name == wanted)
            return p.value;
    }
    return std::nullopt;
}

} // namespace vo::demo
