#include "gui/toolwindow.h"
#include "gui/autosizelabel.h"
#include "gui/report.h"
#include "core/programfolder.h"
#include "core/textfile.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QShortcut>
#include <algorithm>
#include <utility>

namespace kelto {

namespace {

// A fixed-size window of its own, with a title and a close button only.
constexpr Qt::WindowFlags FixedFlags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
    | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
constexpr Qt::WindowFlags ResizableFlags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
    | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint;

void SetTextColour(QWidget* w, const QColor& colour)
{
    QPalette p = w->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive})
        p.setColor(g, QPalette::WindowText, colour);
    w->setPalette(p);
}

// An input keeps its own light ground, as the calculation view's fields
// do; only its font and text colour follow the plug-in.
void DressInput(QWidget* input, const QFont& font, const QPalette& inputPalette)
{
    input->setFont(font);
    QPalette p = QApplication::palette(input);
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive})
        for (QPalette::ColorRole r : {QPalette::Text, QPalette::ButtonText})
            p.setColor(g, r, inputPalette.color(g, QPalette::Text));
    input->setPalette(p);
}

int Clamped(int start, int length, int low, int high)
{
    return std::max(low, std::min(start, high - length));
}

} // namespace

QColor WarningColour(const QColor& text)
{
    return text.lightnessF() > 0.5 ? QColor(255, 120, 120) : QColor(192, 0, 0);
}

QPoint ToolWindowPlace(const QRect& mainFrame, const QSize& frame, const QRect& available)
{
    const int right = available.x() + available.width(), bottom = available.y() + available.height();
    QPoint at(mainFrame.x() + (mainFrame.width() - frame.width()) / 2,
              mainFrame.y() + (mainFrame.height() - frame.height()) / 2);
    if (mainFrame.x() + mainFrame.width() + frame.width() <= right)
        at = {mainFrame.x() + mainFrame.width(), mainFrame.y()};
    else if (mainFrame.x() - frame.width() >= available.x())
        at = {mainFrame.x() - frame.width(), mainFrame.y()};
    return {Clamped(at.x(), frame.width(), available.x(), right),
            Clamped(at.y(), frame.height(), available.y(), bottom)};
}

TToolWindow::TToolWindow(QWidget* parent, const char* name, const QString& title, QSize size,
                         const QString& fileName, TSizing sizing)
    : QWidget(parent, sizing == TSizing::Fixed ? FixedFlags : ResizableFlags)
    , m_fileName(fileName)
    , m_sizing(sizing)
{
    setObjectName(QLatin1String(name));
    setWindowTitle(title);
    if (sizing == TSizing::Fixed) {
        setFixedSize(size);
    } else {
        setMinimumSize(size);
        resize(size);
    }
    // A window of its own does not inherit the main window's font.
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    setFont(font);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &TToolWindow::CloseInnermost);
    qApp->installEventFilter(this);
}

QString TToolWindow::FormFilePath() const
{
    return m_fileName.isEmpty() ? QString() : ProgramFolder() + m_fileName;
}

TFormFileKeeper& TToolWindow::FormFile() const
{
    if (m_formFile.Path() != FormFilePath())
        m_formFile = TFormFileKeeper(FormFilePath());
    return m_formFile;
}

QString TToolWindow::UnreadNote() const
{
    const QString note = m_formFile.Note();
    if (note.isEmpty())
        return note;
    // Asked first by the calculation after the form was filled.
    const QByteArray bytes = FormFileBytes();
    if (!m_readBytes)
        m_readBytes = bytes;
    return bytes == *m_readBytes ? note : QString();
}

std::optional<QString> TToolWindow::Save() const
{
    if (m_fileName.isEmpty())
        return std::nullopt;
    return FormFile().Save(FormFileBytes());
}

bool TToolWindow::SaveForm(bool reportFailure) const
{
    bool saved = false;
    Guarded([&] {
        const std::optional<QString> err = Save();
        saved = !err;
        if (err && reportFailure)
            ReportError(QStringLiteral("Не удалось сохранить файл %1: %2").arg(FormFilePath(), *err));
    });
    return saved;
}

void TToolWindow::ApplyLook(const TToolLook& look)
{
    m_look = look;
    QPalette palette = this->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(g, QPalette::Window, look.background);
        palette.setColor(g, QPalette::WindowText, look.captionColour);
    }
    setPalette(palette);
    setAutoFillBackground(true);
    for (QLabel* l : m_captions) {
        l->setFont(look.captionFont);
        // Back to the window's caption colour, whatever a warning set.
        l->setPalette(QPalette());
    }
    for (QLabel* l : m_values) {
        SetTextColour(l, look.valueColour);
        // Underlined values would read as links here.
        QFont f = look.valueFont;
        f.setUnderline(false);
        l->setFont(f);
    }
    for (QWidget* w : m_inputs) {
        // A check box's text is a caption beside a box, not a field.
        if (qobject_cast<QCheckBox*>(w))
            w->setFont(look.captionFont);
        else
            DressInput(w, look.inputFont, look.inputPalette);
    }
    for (QLabel* l : m_warned)
        SetTextColour(l, WarningColour(NormalColour(l)));
}

void TToolWindow::ShowAndRaise()
{
    Place();
    show();
    raise();
    activateWindow();
}

void TToolWindow::Place()
{
    QWidget* main = parentWidget() ? parentWidget()->window() : nullptr;
    QScreen* screen = main ? main->screen() : this->screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    // The window manager's frame is not known before the first show: the
    // main window's stands in for it.
    QSize margins;
    if (main && main->isVisible())
        margins = main->frameGeometry().size() - main->geometry().size();
    if (m_sizing == TSizing::Resizable)
        resize(size().boundedTo(available.size() - margins).expandedTo(minimumSize()));
    const QSize frame = size() + margins;
    if (m_placed && available.contains(QRect(frameGeometry().topLeft(), frame)))
        return;
    const QRect mainFrame = main && main->isVisible() ? main->frameGeometry() : QRect(available.center(), QSize(1, 1));
    move(ToolWindowPlace(mainFrame, frame, available));
    m_placed = true;
}

void TToolWindow::SetInputs(const QList<QWidget*>& inputs)
{
    m_inputs = inputs;
    for (int i = 1; i < inputs.size(); ++i)
        setTabOrder(inputs[i - 1], inputs[i]);
}

QLabel* TToolWindow::AddCaption(QLabel* label)
{
    m_captions << label;
    return label;
}

QLabel* TToolWindow::AddValue(QLabel* label)
{
    m_values << label;
    return label;
}

QLabel* TToolWindow::AddColumnCaption(const QString& text, int top)
{
    return AddCaption(toolcolumn::Caption(this, text, top));
}

QLabel* TToolWindow::AddColumnResult(const char* name, int top)
{
    return AddValue(toolcolumn::Result(this, name, top));
}

void TToolWindow::AddColumnResults(int top, std::initializer_list<TColumnResult> rows)
{
    for (const TColumnResult& r : rows) {
        AddColumnCaption(QString::fromUtf8(r.caption), top);
        *r.label = AddColumnResult(r.name, top);
        top += toolcolumn::RowHeight + 1;
    }
}

QLabel* TToolWindow::AddHintLine(int top, int width)
{
    QLabel* l = AddCaption(new QLabel(this));
    l->setObjectName(QStringLiteral("lHint"));
    l->setGeometry(toolcolumn::CaptionLeft, top, width, 16);
    l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return l;
}

std::vector<QSignalBlocker> TToolWindow::BlockInputSignals() const
{
    std::vector<QSignalBlocker> blockers;
    blockers.reserve(size_t(m_inputs.size()));
    for (QWidget* w : m_inputs)
        blockers.emplace_back(w);
    return blockers;
}

QColor TToolWindow::NormalColour(const QLabel* label) const
{
    if (!m_look)
        return palette().color(QPalette::WindowText);
    return m_captions.contains(label) ? m_look->captionColour : m_look->valueColour;
}

void TToolWindow::MarkWarning(QLabel* value, bool warn)
{
    if (warn && !m_warned.contains(value))
        m_warned << value;
    else if (!warn)
        m_warned.removeAll(value);
    const QColor wanted = warn ? WarningColour(NormalColour(value)) : NormalColour(value);
    if (value->palette().color(QPalette::WindowText) != wanted)
        SetTextColour(value, wanted);
}

bool TToolWindow::eventFilter(QObject* watched, QEvent* event)
{
    // A drop-down closes itself on the Esc that reaches the shortcut only
    // afterwards: whether one was open is noted before anything sees the
    // key, and forgotten when the key is let go.
    const QEvent::Type type = event->type();
    if ((type == QEvent::ShortcutOverride || type == QEvent::KeyRelease)
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        if (type == QEvent::KeyRelease)
            m_popupAtEscape = false;
        else if (QApplication::activePopupWidget())
            m_popupAtEscape = true;
    }
    return QWidget::eventFilter(watched, event);
}

void TToolWindow::CloseInnermost()
{
    if (std::exchange(m_popupAtEscape, false))
        return;
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        return;
    }
    close();
}

void TToolWindow::closeEvent(QCloseEvent* event)
{
    SaveForm();
    event->accept();
}

namespace toolcolumn {

QLabel* Caption(QWidget* parent, const QString& text, int top)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(CaptionLeft, top + 4, CaptionWidth, 13);
    l->setAlignment(Qt::AlignRight | Qt::AlignTop);
    return l;
}

QLineEdit* Edit(QWidget* parent, const char* name, int top, int width)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setGeometry(InputLeft, top, width, RowHeight);
    return e;
}

QLabel* Result(QWidget* parent, const char* name, int top)
{
    QLabel* l = new TAutoSizeLabel(QStringLiteral("—"), parent);
    l->setObjectName(QLatin1String(name));
    l->move(InputLeft, top + 4);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->adjustSize();
    return l;
}

} // namespace toolcolumn

} // namespace kelto
