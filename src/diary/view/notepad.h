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

    // A run of this many characters without a blank is no word: word wrap
    // could break it nowhere by the word, and Qt 6.4's layout looks for the
    // word's end again on every line of it, for every keystroke, at a cost
    // growing with the square of the run. While the text holds such a run,
    // the notepad wraps anywhere, which breaks the run the same way in
    // linear time (and ordinary words at the edge as well).
    static constexpr qsizetype LongRun = 512;
    static bool HasLongRun(const QString& text);

    // Public so that a test can hand them a source the clipboard never gives.
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // After a change at `position` that added `added` characters.
    void ChooseWrap(int position, int removed, int added);
};

} // namespace kelto
