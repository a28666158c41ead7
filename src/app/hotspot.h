// Invisible controls laid over the pictures: the header's flat buttons and
// the hot spots. They draw nothing; the picture behind shows through.
#pragma once
#include <QWidget>

namespace kelto {

class THotSpot : public QWidget {
    Q_OBJECT
public:
    explicit THotSpot(const QString& name, const QRect& geometry, QWidget* parent, bool handCursor);

signals:
    // Any mouse button, at the press.
    void mouseDown(Qt::MouseButton button, const QPoint& globalPos);
    // Left button pressed and released inside.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    // A frame while the keyboard is on the button (F10), none otherwise.
    void paintEvent(QPaintEvent* e) override;

private:
    bool m_leftDown = false;
};

} // namespace kelto
