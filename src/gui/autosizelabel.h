// A label that sizes itself to its text, also when an appearance plug-in
// changes its font, as the design's labels do.
#pragma once
#include <QEvent>
#include <QLabel>

namespace kelto {

class TAutoSizeLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void changeEvent(QEvent* e) override
    {
        QLabel::changeEvent(e);
        if (e->type() == QEvent::FontChange)
            adjustSize();
    }
};

} // namespace kelto
