#pragma once

#include <QTest>
#include <QTextBrowser>

namespace vo::test {

// Clicks with the mouse where `text` first stands in the view, as a person clicks a link.
inline bool clickText(QTextBrowser &view, const QString &text)
{
    QTextCursor at = view.document()->find(text);
    if (at.isNull())
        return false;
    at.setPosition(at.selectionStart() + 1);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.cursorRect(at).center());
    return true;
}

} // namespace vo::test
