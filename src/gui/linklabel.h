// A link-style label: underlined, hand cursor, a click signal, and a text
// that can stand in for its caption for a while ("Записано …"). It is in the
// Tab order, shows a dotted frame while it has the focus, and Enter or Space
// click it.
#pragma once
#include <QLabel>

class QTimer;

namespace kelto {

class TLinkLabel : public QLabel {
    Q_OBJECT
public:
    TLinkLabel(const char* name, const QString& caption, QWidget* parent);

    const QString& Caption() const { return m_caption; }
    // A new caption, shown at once unless a passing text stands in for it.
    void SetCaption(const QString& caption);
    // Shows `text` for `ms` milliseconds, then the caption again.
    void ShowFor(const QString& text, int ms = 3000);
    // The widest the label may grow (0: no limit); a longer text is cut
    // with "…" and shown whole as the tooltip.
    void SetMaxWidth(int width);
    // Takes the font and colours of `model` now and whenever they change
    // (an appearance plug-in sets the model's font).
    void FollowStyleOf(QWidget* model);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void TakeStyle();
    void ShowText(const QString& text);

    QString m_caption;
    QTimer* m_restore = nullptr;
    QWidget* m_model = nullptr;
    QString m_shown;
    int m_maxWidth = 0;
};

} // namespace kelto
