// An up and a down arrow that repeat while held: 400 ms, then every 100 ms.
#pragma once
#include <QWidget>

class QToolButton;

namespace kelto {

class TSpinButton : public QWidget {
    Q_OBJECT
public:
    static constexpr int RepeatDelayMs = 400;
    static constexpr int RepeatIntervalMs = 100;

    explicit TSpinButton(QWidget* parent = nullptr);

signals:
    void upClick();
    void downClick();

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    QToolButton* m_up;
    QToolButton* m_down;
};

} // namespace kelto
