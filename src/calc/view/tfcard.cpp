#include "calc/view/tfcard.h"

#include "gui/report.h"
#include "core/programfolder.h"
#include "core/textfile.h"
#include "calc/view/cardpage.h"

#include <QDir>
#include <QEvent>
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
constexpr int FieldCaptionLeft = 360, FieldCaptionWidth = 170, FieldLeft = 536, FieldWidth = 200, FieldHeight = 21;
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

QLineEdit* Field(QWidget* parent, const char* name, const QString& text, int row, QList<QLabel*>& captions)
{
    const int top = 10 + row * 29;
    auto* l = new QLabel(text, parent);
    l->setGeometry(FieldCaptionLeft, top + 4, FieldCaptionWidth, 13);
    l->setAlignment(Qt::AlignRight | Qt::AlignTop);
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setGeometry(FieldLeft, top, FieldWidth, FieldHeight);
    e->setMaxLength(FieldLength);
    l->setBuddy(e);
    captions << l;
    return e;
}

// A button with its key as tooltip; the key clicks it unless the window
// handles that key itself (Esc).
QPushButton* Button(QWidget* parent, const char* name, const QString& text, int left, int width,
                    const QKeySequence& key, bool keyClicks = true)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(left, 460, width, 27);
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
    : TToolWindow(parent, "fCard", QStringLiteral("Технологическая карта"), {746, 497}, QStringLiteral("card.cnf"))
{
    pPage = new TCardPreview(m_card, this);
    pPage->setGeometry(PreviewLeft, PreviewTop, PreviewWidth, PreviewHeight);

    QList<QLabel*> captions;
    eOrganization = Field(this, "eOrganization", QStringLiteral("Организация"), 0, captions);
    eObject = Field(this, "eObject", QStringLiteral("Объект"), 1, captions);
    eJoint = Field(this, "eJoint", QStringLiteral("Сварное соединение (стык)"), 2, captions);
    eMaterial = Field(this, "eMaterial", QStringLiteral("Материал"), 3, captions);
    eSource = Field(this, "eSource", QStringLiteral("Источник излучения"), 4, captions);
    eFilmType = Field(this, "eFilmType", QStringLiteral("Тип плёнки"), 5, captions);
    eScreens = Field(this, "eScreens", QStringLiteral("Экраны"), 6, captions);
    eMadeBy = Field(this, "eMadeBy", QStringLiteral("Составил"), 7, captions);
    eCheckedBy = Field(this, "eCheckedBy", QStringLiteral("Проверил"), 8, captions);

    for (QLabel* l : captions)
        AddCaption(l);
    SetInputs({eOrganization, eObject, eJoint, eMaterial, eSource, eFilmType, eScreens, eMadeBy, eCheckedBy});

    lStatus = AddCaption(new QLabel(this));
    lStatus->setObjectName(QStringLiteral("lStatus"));
    lStatus->setGeometry(FieldCaptionLeft, 280, 376, 60);
    lStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lStatus->setWordWrap(true);

    bSavePdf = Button(this, "bSavePdf", QStringLiteral("Сохранить PDF…"), 360, 130, QKeySequence(Qt::CTRL | Qt::Key_S));
    bPrint = Button(this, "bPrint", QStringLiteral("Печать…"), 498, 110, QKeySequence(Qt::CTRL | Qt::Key_P));
    bClose = Button(this, "bClose", QStringLiteral("Закрыть"), 616, 120, QKeySequence(Qt::Key_Escape), false);
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
    {
        const auto blocked = BlockInputSignals();
        for (int i = 0; i < e.size(); ++i)
            e[i]->setText(values[i]);
    }
    Refresh();
}

QByteArray TfCard::FormFileBytes() const
{
    return CardFileBytes(Fields());
}

std::optional<QString> TfCard::WritePdf(const QString& path) const
{
    return WriteFileAtomically(path, CardPdf(m_card));
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
    TToolWindow::changeEvent(event);
}

} // namespace kelto
