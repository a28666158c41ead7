// Keeps the user's input to one window while it must not act yet (the diary
// is still being read) and hands it over, in its order, when released: a
// keystroke typed into the notepad before the day's note is in is typed
// after it, not lost and not written over a note not yet shown.
#pragma once
#include <QEvent>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QWidget;

namespace kelto {

class TInputHold : public QObject {
    Q_OBJECT
public:
    explicit TInputHold(QWidget* window);
    ~TInputHold() override;

    // A release hands over everything, in order: the clicks and Tabs that
    // moved the focus as well as the keys typed after them. When the program
    // is ending, a window, box or menu a held click opens is closed again at
    // once, so that the ending waits for no one.
    enum class TReplay { Everything, Ending };

    // Each held event is made again when handed over: a mouse event's point
    // is shared with every later event of its device and would move with it.
    using TMakeEvent = std::function<std::unique_ptr<QEvent>()>;

    void Hold();
    // Ends the hold; what was held goes to its receivers, in order.
    void Release(TReplay replay = TReplay::Everything);
    bool Holding() const { return m_holding; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Ours(QObject* receiver) const;
    // While an ending's replay runs: what it opens is closed.
    class TCloser;

    QPointer<QWidget> m_window;
    bool m_holding = false;
    std::vector<std::pair<QPointer<QObject>, TMakeEvent>> m_held;
};

} // namespace kelto
