// The notepad `reblok`: a plain-text edit whose paste never trusts the
// clipboard. Qt 6.4's rich-text edit crashes when it is asked to paste from
// a clipboard that has no owner (nothing copied since log-in, or the copying
// program has quit), so an absent or empty source is refused here, and what
// is pasted is plain text within code page 1251, as log.cnf will keep it.
#pragma once
#include <QTextEdit>

namespace kelto {

class TNotepad : public QTextEdit {
    Q_OBJECT
public:
    explicit TNotepad(QWidget* parent = nullptr);

    // Public so that a test can hand them a source the clipboard never gives.
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
};

} // namespace kelto
