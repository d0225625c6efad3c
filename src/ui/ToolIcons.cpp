#include "ui/ToolIcons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace vo {

namespace {

// Draws the glyph into the square `box`, every measure a share of its side: white marks on a
// blue disc, which reads on a dark toolbar and on a light one alike.
void drawGlyph(QPainter &painter, ToolGlyph glyph, const QRectF &box)
{
    const QColor mark(0xff, 0xff, 0xff);
    const qreal side = box.width();
    const qreal stroke = qMax<qreal>(1.0, side / 12);
    const QRectF disc = box.adjusted(stroke / 2, stroke / 2, -stroke / 2, -stroke / 2);
    painter.setPen(QPen(mark, stroke));
    painter.setBrush(QColor(0x3c, 0x6f, 0xa8));
    painter.drawEllipse(disc);

    if (glyph == ToolGlyph::Updates) {
        // An open circle with an arrowhead at its end: "fetch again".
        const QRectF ring = box.adjusted(side * 0.27, side * 0.27, -side * 0.27, -side * 0.27);
        const int startDeg = 60;
        const int spanDeg = 290;
        painter.setPen(QPen(mark, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawArc(ring, startDeg * 16, spanDeg * 16);
        const qreal end = qDegreesToRadians(qreal(startDeg + spanDeg));
        const QPointF tip(ring.center().x() + ring.width() / 2 * std::cos(end),
                          ring.center().y() - ring.height() / 2 * std::sin(end));
        // The way the arc runs at its end, on the screen, and across it.
        const QPointF along(-std::sin(end), -std::cos(end));
        const QPointF across(-along.y(), along.x());
        const qreal head = side * 0.2;
        QPainterPath arrow;
        arrow.moveTo(tip + along * head * 0.7);
        arrow.lineTo(tip - along * head * 0.3 + across * head * 0.6);
        arrow.lineTo(tip - along * head * 0.3 - across * head * 0.6);
        arrow.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.setBrush(mark);
        painter.drawPath(arrow);
        return;
    }

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(qMax(1, qRound(side * 0.55)));
    QPainterPath text;
    text.addText(0, 0, font, glyph == ToolGlyph::Help ? QStringLiteral("?") : QStringLiteral("i"));
    painter.setPen(Qt::NoPen);
    painter.setBrush(mark);
    painter.drawPath(text.translated(box.center() - text.boundingRect().center()));
}

class GlyphIconEngine final : public QIconEngine
{
public:
    explicit GlyphIconEngine(ToolGlyph glyph) : glyph_(glyph) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override
    {
        const int side = qMin(rect.width(), rect.height());
        const QRectF box(rect.x() + (rect.width() - side) / 2.0, rect.y() + (rect.height() - side) / 2.0, side, side);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.4);
        drawGlyph(*painter, glyph_, box);
        painter->restore();
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine *clone() const override { return new GlyphIconEngine(glyph_); }
    QString key() const override { return QStringLiteral("vo.glyph"); }

private:
    const ToolGlyph glyph_;
};

} // namespace

QIcon toolIcon(ToolGlyph glyph)
{
    return QIcon(new GlyphIconEngine(glyph)); // the icon owns its engine
}

} // namespace vo
