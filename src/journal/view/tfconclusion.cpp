#include "journal/view/tfconclusion.h"
#include "core/clock.h"
#include "core/programfolder.h"
#include "core/textfile.h"
#include "gui/report.h"
#include "journal/journalrules.h"
#include "journal/view/conclusionpage.h"
#include "journal/view/journalwidgets.h"

#include <QCloseEvent>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <utility>

namespace kelto {


TfConclusion::TfConclusion(TJournalStore& store, QWidget* parent)
    : TToolWindow(parent, "fConclusion", QStringLiteral("Заключение"), QSize(560, 520),
                  QStringLiteral("conclusion.cnf"), TSizing::Resizable)
    , m_store(store)
{
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    eNumber = new QLineEdit(this);
    eNumber->setObjectName(QStringLiteral("eNumber"));
    eNumber->setToolTip(QStringLiteral("Номер/год, например 17/2026"));
    eDate = new QDateEdit(Today(), this);
    eDate->setObjectName(QStringLiteral("eDate"));
    eDate->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    eDate->setCalendarPopup(true);
    const struct {
        const char* name;
        const char16_t* caption;
    } fields[] = {{"eOrganization", u"&Организация"},
                  {"ePlace", u"&Место контроля"},
                  {"eCustomer", u"За&казчик, договор"},
                  {"eObject", u"О&бъект"},
                  {"eDrawing", u"Номер &чертежа"},
                  {"eCategory", u"Ка&тегория сварных соединений"},
                  {"eMethod", u"Метод и &нормативный документ"},
                  {"eMeans", u"Средства &контроля (источник и его №, плёнка, экраны, ИКЧ)"},
                  {"eNorms", u"Нормы &оценки"},
                  {"ePerformer", u"Контроль &выполнил"},
                  {"ePerformerQualification", u"его к&валификация"},
                  {"eChecker", u"&Проверил"},
                  {"eCheckerQualification", u"его квалифика&ция"}};
    form->addRow(QStringLiteral("&Номер заключения"), eNumber);
    form->addRow(QStringLiteral("&Дата"), eDate);
    for (const auto& f : fields) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(f.name));
        e->setMinimumWidth(360);
        form->addRow(QString::fromUtf16(f.caption), e);
        m_fields << e;
    }
    lEntries = AddValue(new QLabel(this));
    lEntries->setObjectName(QStringLiteral("lEntries"));
    lEntries->setWordWrap(true);
    lHint = AddCaption(new QLabel(this));
    lHint->setObjectName(QStringLiteral("lHint"));
    lHint->setWordWrap(true);
    bSavePdf = KeyedButton(this, "bSavePdf", QStringLiteral("Сохранить PDF…"), QKeySequence(Qt::CTRL | Qt::Key_S));
    bPrint = KeyedButton(this, "bPrint", QStringLiteral("Печать…"), QKeySequence(Qt::CTRL | Qt::Key_P));
    // Esc is the tool window's own: a pop-up first, then the window.
    bClose = KeyedButton(this, "bClose", QStringLiteral("Закрыть"), {});
    connect(bSavePdf, &QPushButton::clicked, this, &TfConclusion::SavePdf);
    connect(bPrint, &QPushButton::clicked, this, &TfConclusion::Print);
    connect(bClose, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bSavePdf);
    buttons->addWidget(bPrint);
    buttons->addWidget(bClose);
    auto* main = new QVBoxLayout(this);
    main->addLayout(form);
    main->addWidget(lEntries);
    main->addWidget(lHint);
    main->addStretch();
    main->addLayout(buttons);

    for (QLabel* caption : FormCaptions(form))
        AddCaption(caption);
    QList<QWidget*> inputs{eNumber, eDate};
    for (QLineEdit* e : std::as_const(m_fields))
        inputs << e;
    SetInputs(inputs);
    setTabOrder(m_fields.last(), bSavePdf);
    setTabOrder(bSavePdf, bPrint);
    setTabOrder(bPrint, bClose);

    // A missing file leaves the fields empty; a damaged one is kept aside
    // at the first save and said here once.
    const TConclusion remembered
        = ReadForm(TConclusion{}, ConclusionFileLines, TFormText::Utf8WithMark, TakeConclusionLines);
    m_note = UnreadNote();
    lHint->setText(m_note);
    const QList<QString> values{remembered.organization, remembered.place, remembered.customer, remembered.object,
                                remembered.drawing, remembered.jointCategory, remembered.methodStandard,
                                remembered.means, remembered.norms, remembered.performer,
                                remembered.performerQualification, remembered.checker,
                                remembered.checkerQualification};
    for (qsizetype i = 0; i < m_fields.size(); ++i)
        m_fields[i]->setText(values[i]);
    resize(sizeHint().expandedTo(minimumSize()));
    for (QLineEdit* e : m_fields)
        connect(e, &QLineEdit::textEdited, this, [this] { m_stored.reset(); });
    connect(eNumber, &QLineEdit::textEdited, this, [this] { m_stored.reset(); });
}

QString TfConclusion::FilePath()
{
    return ProgramFolder() + QStringLiteral("conclusion.cnf");
}

QByteArray TfConclusion::FormFileBytes() const
{
    return ConclusionFileBytes(Conclusion());
}

void TfConclusion::SetEntries(const QList<TJournalEntry>& entries)
{
    m_entries = entries;
    m_stored.reset();
    const int year = eDate->date().year();
    eNumber->setText(ConclusionNumberText({m_store.NextConclusionNumber(year), year}));
    QStringList joints;
    for (const TJournalEntry& e : entries)
        joints << e.joint;
    lEntries->setText(QStringLiteral("Записей в заключении: %1 (стыки: %2)")
                          .arg(entries.size())
                          .arg(QLocale(QLocale::Russian).createSeparatedList(joints.mid(0, 20))
                               + (joints.size() > 20 ? QStringLiteral(" …") : QString())));
    // The note on an unread conclusion.cnf stays for the first entries shown.
    lHint->setText(std::exchange(m_note, {}));
}

TConclusion TfConclusion::Conclusion() const
{
    TConclusion c = m_stored.value_or(TConclusion{});
    if (m_stored)
        return c;
    c.number = ParseConclusionNumber(eNumber->text()).value_or(TConclusionNumber{});
    c.date = eDate->date();
    QList<QString*> targets{&c.organization, &c.place, &c.customer, &c.object, &c.drawing, &c.jointCategory,
                            &c.methodStandard, &c.means, &c.norms, &c.performer, &c.performerQualification,
                            &c.checker, &c.checkerQualification};
    for (qsizetype i = 0; i < targets.size(); ++i)
        *targets[i] = m_fields[i]->text();
    for (const TJournalEntry& e : m_entries)
        c.entryIds << e.id;
    return c;
}

QList<TConclusionRow> TfConclusion::Rows() const
{
    QList<TConclusionRow> rows;
    for (const TJournalEntry& e : m_entries)
        rows << ConclusionRowOf(e);
    return rows;
}

void TfConclusion::WriteFieldsFile()
{
    if (const auto err = Save())
        lHint->setText(QStringLiteral("Поля не запомнены (%1): %2").arg(QDir::toNativeSeparators(FilePath()), *err));
}

bool TfConclusion::StoreOnce()
{
    if (m_stored)
        return true;
    TConclusion c = Conclusion();
    if (!c.number.IsValid()) {
        ShowWarning(QStringLiteral("Номер заключения «%1» не читается: нужен номер и год, например 17/%2.")
                        .arg(eNumber->text(), QString::number(eDate->date().year())));
        return false;
    }
    const TStoreResult r = m_store.SaveConclusion(c);
    if (r.kind == TStoreResult::NumberTaken) {
        ShowWarning(QStringLiteral("Номер заключения %1 уже занят другим заключением. Укажите другой номер (свободный: %2).")
                        .arg(ConclusionNumberText(c.number),
                             ConclusionNumberText({m_store.NextConclusionNumber(c.number.year), c.number.year})));
        return false;
    }
    if (!r.IsDone()) {
        ReportError(QStringLiteral("Заключение не сохранено в журнале: %1.\nЖурнал: %2")
                        .arg(r.reason, QDir::toNativeSeparators(m_store.Place())));
        return false;
    }
    m_stored = c;
    for (TJournalEntry& e : m_entries)
        e.conclusion = ConclusionNumberText(c.number);
    WriteFieldsFile();
    emit saved();
    return true;
}

std::optional<QString> TfConclusion::SaveAndWritePdf(const QString& path)
{
    if (!StoreOnce())
        return QStringLiteral("заключение не сохранено в журнале");
    return WriteFileAtomically(path, ConclusionPdf(Conclusion(), Rows()));
}

void TfConclusion::SavePdf()
{
    Guarded([this] {
        QString number = eNumber->text().trimmed();
        number.replace(QLatin1Char('/'), QLatin1Char('-'));
        const auto chosen = AskSavePath(this, QStringLiteral("Сохранить заключение"), QStringLiteral("PDF (*.pdf)"),
                                        QStringLiteral("pdf"), QStringLiteral("Заключение %1.pdf").arg(number));
        if (!chosen)
            return;
        const QString path = *chosen;
        if (!StoreOnce())
            return;
        if (const auto err = WriteFileAtomically(path, ConclusionPdf(Conclusion(), Rows()))) {
            ReportError(QStringLiteral("Не удалось сохранить файл %1: %2").arg(QDir::toNativeSeparators(path), *err));
            return;
        }
        lHint->setText(QStringLiteral("Заключение %1 сохранено: %2")
                             .arg(ConclusionNumberText(Conclusion().number), QDir::toNativeSeparators(path)));
    });
}

void TfConclusion::Print()
{
    Guarded([this] {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                                          QPageLayout::Millimeter));
        printer.setFullPage(true);
        printer.setDocName(QStringLiteral("Заключение"));
        QPrintDialog dialog(&printer, this);
        dialog.setWindowTitle(QStringLiteral("Печать заключения"));
        if (dialog.exec() != QDialog::Accepted)
            return;
        if (!StoreOnce())
            return;
        if (PaintConclusion(printer, Conclusion(), Rows()) == 0) {
            ReportError(QStringLiteral("Не удалось начать печать на принтер %1").arg(printer.printerName()));
            return;
        }
        lHint->setText(QStringLiteral("Заключение %1 отправлено на печать").arg(ConclusionNumberText(Conclusion().number)));
    });
}

} // namespace kelto
