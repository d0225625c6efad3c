#pragma once

#include <QStringView>
#include <QtGlobal>

namespace vo {

// What an HTML text would cost Qt's rich-text layout, found by walking its tags the way Qt's
// parser does: quoted attribute values and comments hide tags, a close tag without a matching
// open element is ignored, and table cells, rows, paragraphs and list items close their open
// siblings. Where the walk cannot tell, it errs towards the costlier reading.
struct HtmlShape
{
    int depth = 0;         // the deepest nesting of elements
    qint64 layoutWork = 0; // characters, each counted twice over for every table around it
};

// Stops as soon as either measure passes its limit; the result then only tells that it did.
HtmlShape measureHtml(QStringView html, int depthLimit, qint64 workLimit);

} // namespace vo
