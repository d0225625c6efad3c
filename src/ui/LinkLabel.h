#pragma once

#include <QByteArray>
#include <QLabel>

namespace vo {

// A footer link: its caption drawn underlined, the hand pointer, highlighted while the pointer
// is over it. A click (or Space or Enter when it has the focus) hands its address to the system,
// which opens it with whatever it associates with it. Without an address a click does nothing.
class LinkLabel : public QLabel
{
    Q_OBJECT
public:
    explicit LinkLabel(QWidget *parent = nullptr);

    // Both texts are Windows-1252, as the branding file gives them.
    void setLink(const QByteArray &caption, const QByteArray &address);
    const QByteArray &address() const { return address_; }
    bool isHighlighted() const { return highlighted_; }

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setHighlighted(bool highlighted);
    void open() const;

    QByteArray address_;
    bool highlighted_ = false;
    bool pressed_ = false;
};

} // namespace vo
