// One base for every tool window of the program (the source, ISO and card
// windows, and any window added later): its frame, the plug-in's look, the
// warning colour, Esc, the tab order, a form filled without signals, the
// form file kept at close, and a place inside the screen beside the main
// window.
#pragma once
#include "core/formfile.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QPalette>
#include <QRect>
#include <QSignalBlocker>
#include <QString>
#include <QWidget>
#include <initializer_list>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;

namespace kelto {

// What a tool window takes from the appearance plug-in, through the view
// that wears it.
struct TToolLook {
    QColor background;
    QFont captionFont;
    QColor captionColour;
    QFont valueFont;
    QColor valueColour;
    QFont inputFont;
    QPalette inputPalette;
};

// A failing verdict's colour: a dark red where the text is dark, a light
// one where the plug-in's text is light. The one warning colour of the
// program.
QColor WarningColour(const QColor& text);

// Where a window of frame size `frame` opens: beside `mainFrame` (right,
// else left) when there is room in `available`, else over it; always
// wholly inside `available` when it fits there at all.
QPoint ToolWindowPlace(const QRect& mainFrame, const QSize& frame, const QRect& available);

class TToolWindow : public QWidget {
    Q_OBJECT
public:
    enum class TSizing { Fixed, Resizable };

    // `fileName`: the window's form file in the program folder, saved at
    // every close; empty for a window without one. A resizable window
    // takes `size` as its first and smallest size.
    TToolWindow(QWidget* parent, const char* name, const QString& title, QSize size, const QString& fileName,
                TSizing sizing = TSizing::Fixed);

    // ProgramFolder() + the form file's name; empty without one.
    QString FormFilePath() const;
    // Writes the form file (one not read whole is first kept as its .bak);
    // the reason on failure.
    std::optional<QString> Save() const;
    // Saves, and says a failure in the one message when asked to; true when
    // the file is written (or there is none).
    bool SaveForm(bool reportFailure = true) const;
    // The plug-in's colours and fonts on the ground, captions, values and
    // inputs; kept for the warnings marked later.
    void ApplyLook(const TToolLook& look);
    // Shown, raised and given the focus; the first time (and whenever it
    // would stand off the screen) placed beside the main window.
    void ShowAndRaise();

protected:
    // The form file's bytes as the window's inputs stand.
    virtual QByteArray FormFileBytes() const { return {}; }
    // The form file, read through its keeper (see TFormFileKeeper::ReadForm).
    template <class TForm>
    TForm ReadForm(TForm form, int lineCount, TFormText text, int (*take)(const QStringList&, TForm&),
                   bool extraAllowed = false)
    {
        return FormFile().ReadForm(std::move(form), lineCount, text, take, extraAllowed);
    }
    // "Файл iso.cnf не прочитан: …" while the form stands as it was read
    // and until the save that keeps the file's copy; the hint line says it
    // before anything else.
    QString UnreadNote() const;
    // The inputs, top to bottom: the tab order, the inputs' look and the
    // signals blocked while a form is filled.
    void SetInputs(const QList<QWidget*>& inputs);
    const QList<QWidget*>& Inputs() const { return m_inputs; }
    // Labels that take the plug-in's caption or value look.
    QLabel* AddCaption(QLabel* label);
    QLabel* AddValue(QLabel* label);
    // toolcolumn's caption and result, taking those looks.
    QLabel* AddColumnCaption(const QString& text, int top);
    QLabel* AddColumnResult(const char* name, int top);
    // Rows of a caption and its result, one row height and a gap apart
    // from `top`, each result handed back through `label`.
    struct TColumnResult {
        QLabel** label;
        const char* name;
        const char* caption;
    };
    void AddColumnResults(int top, std::initializer_list<TColumnResult> rows);
    // The hint line "lHint": one centred line across `width` at `top`.
    QLabel* AddHintLine(int top, int width);
    // While the result lives, the inputs send no signals: a form is filled
    // in one step and computed once.
    [[nodiscard]] std::vector<QSignalBlocker> BlockInputSignals() const;
    // A caption or value in the warning colour, or back in its own.
    void MarkWarning(QLabel* value, bool warn);

    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Esc: an open pop-up (drop-down, calendar, menu) first, the window
    // only when nothing is open.
    void CloseInnermost();
    void Place();
    // A label's colour when it does not warn.
    QColor NormalColour(const QLabel* label) const;

    // The keeper of the form file in the program folder of the moment.
    TFormFileKeeper& FormFile() const;

    QString m_fileName;
    mutable TFormFileKeeper m_formFile;
    // The form file's bytes as the form was first filled.
    mutable std::optional<QByteArray> m_readBytes;
    TSizing m_sizing;
    QList<QWidget*> m_inputs;
    QList<QLabel*> m_captions, m_values, m_warned;
    std::optional<TToolLook> m_look;
    bool m_placed = false;
    bool m_popupAtEscape = false;
};

// The column layout of the source and ISO windows: a right-aligned caption
// and, beside it, an input or a result.
namespace toolcolumn {
constexpr int CaptionLeft = 10, CaptionWidth = 250, InputLeft = 268, RowHeight = 21;
QLabel* Caption(QWidget* parent, const QString& text, int top);
QLineEdit* Edit(QWidget* parent, const char* name, int top, int width = 80);
// A bold result, "—" until the first calculation.
QLabel* Result(QWidget* parent, const char* name, int top);
} // namespace toolcolumn

} // namespace kelto
