#pragma once

#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

namespace vo::test {

// Clicks with the mouse on the first place where `text` stands in the view, as a person clicks
// a link there.
inline bool clickText(QTextBrowser &view, const QString &text)
{
    const QTextCursor found = view.document()->find(text);
    if (found.isNull())
        return false;
    QTextCursor inside(view.document());
    inside.setPosition(found.selectionStart() + 1);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.cursorRect(inside).center());
    return true;
}

} // namespace vo::test
