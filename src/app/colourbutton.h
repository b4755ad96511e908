#pragma once
// Push buttons filled flat with one exact colour, whatever the widget style
// would draw, so the players see the colours the rules speak of.

#include <QColor>
#include <QGroupBox>
#include <QPushButton>

namespace lumbrast::app {

// &HBBGGRR to a colour; the system button face (&H8000000F) to the palette's.
QColor fromBgr(std::uint32_t bgr, const QPalette &palette);

class ColourButton : public QPushButton {
    Q_OBJECT
public:
    explicit ColourButton(const QString &caption, QWidget *parent = nullptr);
    void setFillColour(const QColor &colour);
    QColor fillColour() const { return fill_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    // The face inside the bevel; the plain button draws its caption there.
    virtual void paintFace(QPainter &painter, const QRect &face);

private:
    QColor fill_;
};

// One piece of the table. Its caption is the face character the rules keep;
// the face is drawn as a picture: "7" keyboard, "8" mouse, "L" frowning face,
// "J" smiling face.
class PieceButton final : public ColourButton {
    Q_OBJECT
public:
    PieceButton(int index, QWidget *parent = nullptr);
    int index() const { return index_; }

signals:
    void hovered(int index);

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintFace(QPainter &painter, const QRect &face) override;

private:
    int index_;
};

// A frame with its caption set into the top edge, filled flat with the
// palette's window colour (the style's frames shade their inside).
class FrameBox final : public QGroupBox {
    Q_OBJECT
public:
    explicit FrameBox(const QString &caption, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// Draws one face character into a square; false for a character without a picture.
bool drawPieceFace(QPainter &painter, const QRectF &square, QChar face, const QColor &ink);

} // namespace lumbrast::app
