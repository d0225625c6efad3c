#pragma once

#include <QLineEdit>

namespace vo {

// A whole-number field that keeps a value beside its text. Only digits, "-" and control keys
// (but Enter) can be typed; whenever the text forms a whole number it becomes the value, and
// any other text (an empty box, a lone "-", pasted letters) leaves the last value in place.
class TIntegerEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TIntegerEdit(QWidget *parent = nullptr);

    qint32 value() const { return value_; }
    void setValue(qint32 value);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void textEdited(const QString &text);

    qint32 value_ = 0;
};

} // namespace vo
