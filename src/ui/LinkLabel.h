#pragma once

#include "ui/LeftClick.h"

#include <QByteArray>
#include <QLabel>

namespace vo {

// A footer link: its caption drawn underlined, the hand pointer, highlighted while the pointer
// is over it. A click (or Space or Enter when it has the focus) opens its address
// (OpenLinkAddress). Without an address a click does nothing; without a caption the link is
// hidden. Assistive technology sees a link that it can press.
class LinkLabel : public QLabel
{
    Q_OBJECT
public:
    explicit LinkLabel(QWidget *parent = nullptr);

    // Both texts are Windows-1252, as the branding file gives them.
    void setLink(const QByteArray &caption, const QByteArray &address);
    const QByteArray &address() const { return address_; }
    bool isHighlighted() const { return highlighted_; }
    // What a click does.
    void open() const;

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setHighlighted(bool highlighted);

    QByteArray address_;
    bool highlighted_ = false;
    LeftClick click_;
};

} // namespace vo
