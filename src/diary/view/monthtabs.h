// A strip of month tabs in two rows above a page. QTabBar does not wrap its
// tabs, and twelve month names do not fit one row of the design's width.
#pragma once
#include <QStringList>
#include <QWidget>

namespace kelto {

class TMonthTabs : public QWidget {
    Q_OBJECT
public:
    static constexpr int TabsPerRow = 6;
    static constexpr int RowHeight = 20;

    explicit TMonthTabs(QWidget* parent = nullptr);

    int TabIndex() const { return m_index; }
    // Setting the tab from the program says nothing to the handler.
    void SetTabIndex(int index);
    int count() const { return int(m_tabs.size()); }
    QString TabText(int index) const { return m_tabs.value(index); }
    // Where a tab is drawn: January to June above, July to December next to the page.
    QRect TabRect(int index) const;
    int TabAt(const QPoint& pos) const;
    // The page below the tabs.
    QRect PageRect() const;

signals:
    // Only when the user picks a tab.
    void tabPicked(int index);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    void Pick(int index);

    QStringList m_tabs;
    int m_index = 0;
};

} // namespace kelto
