#include "calc/view/tfcard.h"

#include "gui/report.h"
#include "core/programfolder.h"
#include "core/textfile.h"
#include "calc/view/cardpage.h"
#include "calc/view/printservice.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QValidator>
#include <utility>

namespace kelto {

namespace {

constexpr int PreviewLeft = 10, PreviewTop = 10, PreviewWidth = 420, PreviewHeight = 594;
constexpr int CaptionLeft = 440, CaptionWidth = 200, InputLeft = 646, InputWidth = 220, RowHeight = 21;
constexpr int RowStep = 25, WindowWidth = 876, WindowHeight = 650, ButtonTop = 614;
constexpr int FieldLength = 200;

// The fields in the window's order: who approves, what is examined, with
// what, how, and who drew the card up. Design names and card.cnf members.
struct TFieldPlace {
    const char* name;
    QString TCardFields::*field;
};
const TFieldPlace FieldPlaces[] = {
    {"eNumber", &TCardFields::number},
    {"eApproverPosition", &TCardFields::approverPosition},
    {"eApproverName", &TCardFields::approverName},
    {"eOrganization", &TCardFields::organization},
    {"eObject", &TCardFields::object},
    {"eJoint", &TCardFields::joint},
    {"eMaterial", &TCardFields::material},
    {"eSource", &TCardFields::source},
    {"eSourceSerial", &TCardFields::sourceSerial},
    {"eVoltage", &TCardFields::voltage},
    {"eCurrent", &TCardFields::current},
    {"eFilmType", &TCardFields::filmType},
    {"eScreens", &TCardFields::screens},
    {"eFilms", &TCardFields::films},
    {"cbIqiPosition", &TCardFields::iqiPosition},
    {"eMarking", &TCardFields::marking},
    {"eAcceptance", &TCardFields::acceptance},
    {"eProcessing", &TCardFields::processing},
    {"eMadeBy", &TCardFields::madeBy},
    {"eMadeByQualification", &TCardFields::madeByQualification},
    {"eCheckedBy", &TCardFields::checkedBy},
    {"eCheckedByQualification", &TCardFields::checkedByQualification},
};

QString CaptionOf(QString TCardFields::*field)
{
    for (const TCardField& f : CardFieldList())
        if (f.field == field)
            return QString::fromUtf8(f.caption);
    return QString();
}

// The page as it will print, scaled into the window.
class TCardPreview : public QWidget {
public:
    TCardPreview(const TTechniqueCard& card, QWidget* parent)
        : QWidget(parent)
        , m_card(card)
    {
        setObjectName(QStringLiteral("pPage"));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        PaintCardPage(p, QRectF(rect()), m_card);
        p.setPen(QColor(128, 128, 128));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }

private:
    const TTechniqueCard& m_card;
};

// Refuses a text with a character the card's fonts cannot draw, and says
// which through `refused`.
class TPrintableValidator : public QValidator {
public:
    TPrintableValidator(std::function<void(const QString&)> refused, QObject* parent)
        : QValidator(parent)
        , m_refused(std::move(refused))
    {
    }
    State validate(QString& input, int&) const override
    {
        const QString undrawable = CardUndrawable(input);
        if (undrawable.isEmpty())
            return Acceptable;
        m_refused(undrawable);
        return Invalid;
    }

private:
    std::function<void(const QString&)> m_refused;
};

// A button with its key as tooltip; the key clicks it unless the window
// handles that key itself (Esc).
QPushButton* Button(QWidget* parent, const char* name, const QString& text, int left, int width,
                    const QKeySequence& key, bool keyClicks = true)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(left, ButtonTop, width, 27);
    b->setToolTip(key.toString(QKeySequence::NativeText));
    b->setAutoDefault(false);
    if (!keyClicks)
        return b;
    auto* s = new QShortcut(key, parent);
    QObject::connect(s, &QShortcut::activated, b, &QPushButton::click);
    return b;
}

} // namespace

TfCard::TfCard(const QString& defaultSource, QWidget* parent)
    : TToolWindow(parent, "fCard", QStringLiteral("Технологическая карта"), {WindowWidth, WindowHeight},
                  QStringLiteral("card.cnf"))
{
    pPage = new TCardPreview(m_card, this);
    pPage->setGeometry(PreviewLeft, PreviewTop, PreviewWidth, PreviewHeight);

    for (const TFieldPlace& place : FieldPlaces) {
        auto* l = new QLabel(CaptionOf(place.field), this);
        l->setAlignment(Qt::AlignRight | Qt::AlignTop);
        QWidget* input = nullptr;
        if (place.field == &TCardFields::iqiPosition) {
            cbIqiPosition = new QComboBox(this);
            cbIqiPosition->addItems(IqiPositionNames());
            input = cbIqiPosition;
        } else {
            auto* e = new QLineEdit(this);
            e->setMaxLength(FieldLength);
            e->setValidator(new TPrintableValidator(
                [this](const QString& c) {
                    SetStatus(QStringLiteral("Символ %1 не будет напечатан: его нет в шрифте карты").arg(c));
                },
                e));
            input = e;
        }
        input->setObjectName(QLatin1String(place.name));
        l->setBuddy(input);
        AddCaption(l);
        m_rows.append({l, input, place.field});
    }
    QList<QWidget*> inputs;
    for (const TFieldRow& r : m_rows)
        inputs << r.input;
    // The tab order follows the column, whatever is hidden.
    SetInputs(inputs);

    lStatus = AddCaption(new QLabel(this));
    lStatus->setObjectName(QStringLiteral("lStatus"));
    lStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lStatus->setWordWrap(true);

    bSavePdf = Button(this, "bSavePdf", QStringLiteral("Сохранить PDF…"), 446, 150, QKeySequence(Qt::CTRL | Qt::Key_S));
    bPrint = Button(this, "bPrint", QStringLiteral("Печать…"), 604, 126, QKeySequence(Qt::CTRL | Qt::Key_P));
    bClose = Button(this, "bClose", QStringLiteral("Закрыть"), 738, 128, QKeySequence(Qt::Key_Escape), false);
    // Under the preview, apart from the page's own buttons.
    bToJournal = Button(this, "bToJournal", QStringLiteral("Записать в журнал"), PreviewLeft, 170,
                        QKeySequence(Qt::CTRL | Qt::Key_J));
    connect(bToJournal, &QPushButton::clicked, this, [this] {
        Refresh();
        emit journalRequested();
    });
    connect(bSavePdf, &QPushButton::clicked, this, &TfCard::SavePdf);
    connect(bPrint, &QPushButton::clicked, this, &TfCard::Print);
    connect(bClose, &QPushButton::clicked, this, &QWidget::close);

    // Free text, in UTF-8 after its mark where the code page lacks a letter.
    TCardFields fields = ReadForm(TCardFields{}, OldCardFileLines, TFormText::Utf8WithMark, TakeCardLines, true);
    if (fields.source.isEmpty())
        fields.source = defaultSource;
    SetFields(fields);
    for (QLineEdit* e : Edits())
        connect(e, &QLineEdit::textChanged, this, &TfCard::Refresh);
    connect(cbIqiPosition, &QComboBox::currentIndexChanged, this, &TfCard::Refresh);
}

QString TfCard::FilePath()
{
    return ProgramFolder() + QStringLiteral("card.cnf");
}

QList<QLineEdit*> TfCard::Edits() const
{
    QList<QLineEdit*> edits;
    for (const TFieldRow& r : m_rows)
        if (auto* e = qobject_cast<QLineEdit*>(r.input))
            edits << e;
    return edits;
}

void TfCard::LayOutFields()
{
    int top = 10;
    for (const TFieldRow& r : m_rows) {
        const bool tubeOnly = r.field == &TCardFields::voltage || r.field == &TCardFields::current;
        const bool shown = !tubeOnly || m_card.xray;
        r.caption->setVisible(shown);
        r.input->setVisible(shown);
        if (!shown)
            continue;
        r.caption->setGeometry(CaptionLeft, top + 4, CaptionWidth, 13);
        r.input->setGeometry(InputLeft, top, InputWidth, RowHeight);
        top += RowStep;
    }
    lStatus->setGeometry(CaptionLeft, top + 4, WindowWidth - CaptionLeft - 10, ButtonTop - top - 8);
}

void TfCard::SetContent(TContent content)
{
    m_content = std::move(content);
    SetStatus(QString());
    m_notReadyShown.clear();
    Refresh();
}

TCardFields TfCard::Fields() const
{
    TCardFields f;
    for (const TFieldRow& r : m_rows)
        if (auto* e = qobject_cast<QLineEdit*>(r.input))
            f.*r.field = e->text();
    f.iqiPosition = cbIqiPosition->currentText();
    f.extra = m_extra;
    return f;
}

void TfCard::SetFields(const TCardFields& f)
{
    {
        const auto blocked = BlockInputSignals();
        for (const TFieldRow& r : m_rows) {
            if (auto* e = qobject_cast<QLineEdit*>(r.input)) {
                e->setText(f.*r.field);
                e->setCursorPosition(0);
            }
        }
        cbIqiPosition->setCurrentIndex(IqiOnFilmSide(f) ? 1 : 0);
    }
    m_extra = f.extra;
    Refresh();
}

QByteArray TfCard::FormFileBytes() const
{
    return CardFileBytes(Fields());
}

std::optional<QString> TfCard::WritePdf(const QString& path) const
{
    if (m_overflow)
        return m_overflow;
    return WriteFileAtomically(path, CardPdf(m_card));
}

void TfCard::ShowOverflow()
{
    const QString said = m_overflow.value_or(QString());
    // The refusal stays until the card fits again; what was said about a
    // saved file stays until then too.
    if (m_overflow) {
        SetStatus(said, true);
        MarkWarning(lStatus, true);
    } else if (m_overflowShown) {
        SetStatus(QString());
        MarkWarning(lStatus, false);
    }
}

void TfCard::SetStatus(const QString& text, bool overflow)
{
    lStatus->setText(text);
    m_overflowShown = overflow;
}

void TfCard::Refresh()
{
    Guarded([this] {
        const TCardFields fields = Fields();
        m_card = m_content ? m_content(fields) : TTechniqueCard{};
        m_overflow = CardOverflowText(m_card, fields);
        LayOutFields();
        ShowOverflow();
        pPage->update();
        // A card of dashes is no card: neither saved nor printed, and why.
        const bool ready = m_content && m_card.notReady.isEmpty();
        bSavePdf->setEnabled(ready);
        bPrint->setEnabled(ready);
        const QString why = m_content && !ready
            ? QStringLiteral("Карту нельзя сохранить и напечатать: ") + m_card.notReady
            : QString();
        if (why != m_notReadyShown) {
            // A saved or printed file stays named until the card changes state.
            if (!why.isEmpty() || lStatus->text() == m_notReadyShown)
                SetStatus(why);
            m_notReadyShown = why;
        }
        // A card.cnf not read whole is said first, until a field changes.
        if (const QString note = UnreadNote(); !note.isEmpty() && !m_overflow) {
            SetStatus(note);
            m_noteShown = true;
        } else if (std::exchange(m_noteShown, false) && !m_overflow) {
            SetStatus(m_notReadyShown);
        }
    });
}

bool TfCard::ReadyToOutput()
{
    Refresh();
    if (!m_card.notReady.isEmpty())
        return false;
    if (m_overflow) {
        ReportError(*m_overflow);
        return false;
    }
    return true;
}

void TfCard::SavePdf()
{
    Guarded([this] {
        if (!ReadyToOutput())
            return;
        QFileDialog dialog(this, QStringLiteral("Сохранить технологическую карту"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilter(QStringLiteral("PDF (*.pdf)"));
        dialog.setDefaultSuffix(QStringLiteral("pdf"));
        dialog.setDirectory(ProgramFolder());
        dialog.selectFile(m_card.pdfName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        const QString path = dialog.selectedFiles().first();
        if (const std::optional<QString> err = WritePdf(path)) {
            ReportError(QStringLiteral("Не удалось сохранить файл %1: %2").arg(QDir::toNativeSeparators(path), *err));
            return;
        }
        SetStatus(QStringLiteral("Сохранено: ") + QDir::toNativeSeparators(path));
    });
}

void TfCard::Print()
{
    Guarded([this] {
        if (!ReadyToOutput())
            return;
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                                          QPageLayout::Millimeter));
        // The page has margins of its own: drawn on the whole sheet.
        printer.setFullPage(true);
        QString name = m_card.pdfName;
        name.chop(4);
        printer.setDocName(name.isEmpty() ? QString::fromUtf8(CardTitle) : name);
        // Printing to a file offers the name "Сохранить PDF…" offers, in the
        // program folder; a known printer stays the first choice.
        const bool anyPrinter = AnyPrinter();
        printer.setOutputFileName(ProgramFolder() + m_card.pdfName);
        if (anyPrinter)
            printer.setOutputFormat(QPrinter::NativeFormat);
        if (!ChoosePrinter(printer, this))
            return;
        QPainter painter;
        if (!painter.begin(&printer)) {
            ReportError(QStringLiteral("Не удалось начать печать на принтер %1").arg(printer.printerName()));
            return;
        }
        PaintCardPage(painter, printer.paperRect(QPrinter::DevicePixel), m_card);
        painter.end();
        const QString file = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : QString();
        if (file.isEmpty())
            SetStatus(QStringLiteral("Отправлено на принтер ") + printer.printerName());
        else
            SetStatus((anyPrinter ? QString() : QStringLiteral("Принтер не найден. "))
                             + QStringLiteral("Сохранено в файл ") + QDir::toNativeSeparators(file));
    });
}

void TfCard::changeEvent(QEvent* event)
{
    // The source window may have changed while this one was in the
    // background.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Refresh();
    TToolWindow::changeEvent(event);
}

} // namespace kelto
