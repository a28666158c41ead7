#include "calc/view/tfcard.h"

#include "gui/report.h"
#include "core/programfolder.h"
#include "core/textfile.h"
#include "calc/view/cardpage.h"
#include "calc/view/tfsource.h"
#include "calc/view/toolwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>

namespace kelto {

namespace {

constexpr int PreviewLeft = 10, PreviewTop = 10, PreviewWidth = 340, PreviewHeight = 481;
constexpr int CaptionLeft = 360, CaptionWidth = 170, InputLeft = 536, InputWidth = 200, RowHeight = 21;
constexpr int FieldLength = 200;

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

QLineEdit* Field(QWidget* parent, const char* name, const QString& caption, int row, QList<QLabel*>& captions)
{
    const int top = 10 + row * 29;
    auto* l = new QLabel(caption, parent);
    l->setGeometry(CaptionLeft, top + 4, CaptionWidth, 13);
    l->setAlignment(Qt::AlignRight | Qt::AlignTop);
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setGeometry(InputLeft, top, InputWidth, RowHeight);
    e->setMaxLength(FieldLength);
    l->setBuddy(e);
    captions << l;
    return e;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text, int left, int width,
                    const QKeySequence& key)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(left, 460, width, 27);
    b->setToolTip(key.toString(QKeySequence::NativeText));
    b->setAutoDefault(false);
    auto* s = new QShortcut(key, parent);
    QObject::connect(s, &QShortcut::activated, b, &QPushButton::click);
    return b;
}

} // namespace

TfCard::TfCard(const QString& defaultSource, QWidget* parent)
    : QWidget(parent, ToolWindowFlags)
{
    SetUpToolWindow(this, "fCard", QStringLiteral("Технологическая карта"), 746, 497);

    pPage = new TCardPreview(m_card, this);
    pPage->setGeometry(PreviewLeft, PreviewTop, PreviewWidth, PreviewHeight);

    eOrganization = Field(this, "eOrganization", QStringLiteral("Организация"), 0, m_captions);
    eObject = Field(this, "eObject", QStringLiteral("Объект"), 1, m_captions);
    eJoint = Field(this, "eJoint", QStringLiteral("Сварное соединение (стык)"), 2, m_captions);
    eMaterial = Field(this, "eMaterial", QStringLiteral("Материал"), 3, m_captions);
    eSource = Field(this, "eSource", QStringLiteral("Источник излучения"), 4, m_captions);
    eFilmType = Field(this, "eFilmType", QStringLiteral("Тип плёнки"), 5, m_captions);
    eScreens = Field(this, "eScreens", QStringLiteral("Экраны"), 6, m_captions);
    eMadeBy = Field(this, "eMadeBy", QStringLiteral("Составил"), 7, m_captions);
    eCheckedBy = Field(this, "eCheckedBy", QStringLiteral("Проверил"), 8, m_captions);

    lStatus = new QLabel(this);
    lStatus->setObjectName(QStringLiteral("lStatus"));
    lStatus->setGeometry(CaptionLeft, 280, 376, 60);
    lStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lStatus->setWordWrap(true);

    bSavePdf = Button(this, "bSavePdf", QStringLiteral("Сохранить PDF…"), 360, 130, QKeySequence(Qt::CTRL | Qt::Key_S));
    bPrint = Button(this, "bPrint", QStringLiteral("Печать…"), 498, 110, QKeySequence(Qt::CTRL | Qt::Key_P));
    bClose = Button(this, "bClose", QStringLiteral("Закрыть"), 616, 120, QKeySequence(Qt::Key_Escape));
    bToJournal = Button(this, "bToJournal", QStringLiteral("Записать в журнал"), CaptionLeft, 170,
                        QKeySequence(Qt::CTRL | Qt::Key_J));
    bToJournal->move(CaptionLeft, 420);
    connect(bToJournal, &QPushButton::clicked, this, [this] {
        Refresh();
        emit journalRequested();
    });
    connect(bSavePdf, &QPushButton::clicked, this, &TfCard::SavePdf);
    connect(bPrint, &QPushButton::clicked, this, &TfCard::Print);
    connect(bClose, &QPushButton::clicked, this, &QWidget::close);

    TCardFields fields;
    // A missing or damaged file is as good as none: the first-use fields,
    // silently.
    if (const std::optional<QByteArray> bytes = ReadWholeFile(FilePath(), 1 << 16))
        if (const std::optional<TCardFields> stored = ParseCardFile(*bytes))
            fields = *stored;
    if (fields.source.isEmpty())
        fields.source = defaultSource;
    SetFields(fields);
    for (QLineEdit* e : Edits())
        connect(e, &QLineEdit::textChanged, this, &TfCard::Refresh);
}

QString TfCard::FilePath()
{
    return ProgramFolder() + QStringLiteral("card.cnf");
}

QList<QLineEdit*> TfCard::Edits() const
{
    return {eOrganization, eObject, eJoint, eMaterial, eSource, eFilmType, eScreens, eMadeBy, eCheckedBy};
}

void TfCard::SetContent(TContent content)
{
    m_content = std::move(content);
    lStatus->clear();
    Refresh();
}

TCardFields TfCard::Fields() const
{
    return {eOrganization->text(), eObject->text(),  eJoint->text(),  eMaterial->text(), eSource->text(),
            eFilmType->text(),     eScreens->text(), eMadeBy->text(), eCheckedBy->text()};
}

void TfCard::SetFields(const TCardFields& f)
{
    const QStringList values
        = {f.organization, f.object, f.joint, f.material, f.source, f.filmType, f.screens, f.madeBy, f.checkedBy};
    const QList<QLineEdit*> e = Edits();
    for (int i = 0; i < e.size(); ++i) {
        const QSignalBlocker block(e[i]);
        e[i]->setText(values[i]);
    }
    Refresh();
}

std::optional<QString> TfCard::Save() const
{
    return WriteFileAtomically(FilePath(), CardFileBytes(Fields()));
}

std::optional<QString> TfCard::WritePdf(const QString& path) const
{
    return WriteFileAtomically(path, CardPdf(m_card));
}

void TfCard::ApplyLook(const TSourceLook& look)
{
    DressToolWindow(this, look.background, look.captionColour);
    for (QLabel* l : m_captions)
        l->setFont(look.captionFont);
    lStatus->setFont(look.captionFont);
    for (QLineEdit* w : Edits())
        DressToolInput(w, look.inputFont, look.inputPalette);
}

void TfCard::Refresh()
{
    Guarded([this] {
        m_card = m_content ? m_content(Fields()) : TTechniqueCard{};
        pPage->update();
    });
}

void TfCard::SavePdf()
{
    Guarded([this] {
        Refresh();
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
        lStatus->setText(QStringLiteral("Сохранено: ") + QDir::toNativeSeparators(path));
    });
}

void TfCard::Print()
{
    Guarded([this] {
        Refresh();
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                                          QPageLayout::Millimeter));
        // The page has margins of its own: drawn on the whole sheet.
        printer.setFullPage(true);
        // Printing to a file offers the same name as "Сохранить PDF…".
        QString name = m_card.pdfName;
        name.chop(4);
        printer.setDocName(name.isEmpty() ? QString::fromUtf8(CardTitle) : name);
        QPrintDialog dialog(&printer, this);
        dialog.setWindowTitle(QStringLiteral("Печать технологической карты"));
        if (dialog.exec() != QDialog::Accepted)
            return;
        QPainter painter;
        if (!painter.begin(&printer)) {
            ReportError(QStringLiteral("Не удалось начать печать на принтер %1").arg(printer.printerName()));
            return;
        }
        PaintCardPage(painter, printer.paperRect(QPrinter::DevicePixel), m_card);
        painter.end();
        lStatus->setText(QStringLiteral("Отправлено на печать"));
    });
}

void TfCard::changeEvent(QEvent* event)
{
    // The source window may have changed while this one was in the
    // background.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Refresh();
    QWidget::changeEvent(event);
}

void TfCard::closeEvent(QCloseEvent* event)
{
    Guarded([this] {
        if (const std::optional<QString> err = Save())
            ReportError(QStringLiteral("Не удалось сохранить файл %1: %2").arg(FilePath(), *err));
    });
    event->accept();
}

} // namespace kelto
