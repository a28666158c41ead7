#include "calc/view/tfsource.h"

#include "gui/autosizelabel.h"
#include "gui/datefield.h"
#include "gui/report.h"
#include "core/programfolder.h"
#include "core/textfile.h"
#include "calc/view/numericfield.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace kelto {

namespace {

using namespace toolcolumn;

TDateField* DateEdit(QWidget* parent, const char* name, int top)
{
    auto* d = new TDateField(name, parent);
    d->setGeometry(InputLeft, top, 110, RowHeight);
    return d;
}

} // namespace

QLineEdit* TfSource::CaptionedEdit(const QString& caption, const char* name, int top)
{
    AddColumnCaption(caption, top);
    return Edit(this, name, top);
}

TDateField* TfSource::CaptionedDate(const QString& caption, const char* name, int top)
{
    AddColumnCaption(caption, top);
    return DateEdit(this, name, top);
}

TfSource::TfSource(const QDate& workDate, QWidget* parent)
    : TToolWindow(parent, "fSource", QStringLiteral("Источник и экспозиция"), {470, 432}, QStringLiteral("source.cnf"))
{
    CreateInputs();
    CreateResults();
    SetInputs({cbIsotope, eActivity, cbUnit, dePassport, deWork, eRefTime, eRefDist, eRefThick, deRef, eDist, eThick,
               eHvl});
    LoadForm(workDate);
    ConnectInputs();
}

void TfSource::CreateInputs()
{
    AddColumnCaption(QStringLiteral("Изотоп"), 12);
    cbIsotope = new QComboBox(this);
    cbIsotope->setObjectName(QStringLiteral("cbIsotope"));
    cbIsotope->setGeometry(InputLeft, 12, 80, RowHeight);
    cbIsotope->addItems(SourceIsotopeNames());

    AddColumnCaption(QStringLiteral("Активность по паспорту"), 39);
    eActivity = Edit(this, "eActivity", 39);
    cbUnit = new QComboBox(this);
    cbUnit->setObjectName(QStringLiteral("cbUnit"));
    cbUnit->setGeometry(InputLeft + 84, 39, 60, RowHeight);
    cbUnit->addItems(SourceUnitNames());

    dePassport = CaptionedDate(QStringLiteral("Дата паспорта"), "dePassport", 66);
    deWork = CaptionedDate(QStringLiteral("Дата работы"), "deWork", 93);

    eRefTime = CaptionedEdit(QStringLiteral("Эталонный снимок: время, мин"), "eRefTime", 128);
    eRefDist = CaptionedEdit(QStringLiteral("расстояние, мм"), "eRefDist", 155);
    eRefThick = CaptionedEdit(QStringLiteral("толщина, мм"), "eRefThick", 182);
    deRef = CaptionedDate(QStringLiteral("дата"), "deRef", 209);

    eDist = CaptionedEdit(QStringLiteral("Расстояние, мм"), "eDist", 244);
    eThick = CaptionedEdit(QStringLiteral("Толщина, мм"), "eThick", 271);
    eHvl = CaptionedEdit(QStringLiteral("Слой половинного ослабления (сталь), мм"), "eHvl", 298);
}

void TfSource::CreateResults()
{
    AddColumnResults(334, {{&lActivity, "lActivity", "Активность на дату работы:"},
                           {&lRemaining, "lRemaining", "Осталось от паспортной:"},
                           {&lExposure, "lExposure", "Время экспозиции:"}});
    lHint = AddHintLine(406, 450);
}

void TfSource::LoadForm(const QDate& workDate)
{
    // The valid leading lines of a damaged file, over the defaults.
    SetForm(ReadForm(DefaultSourceForm(workDate), SourceFileLines, TFormText::Cp1251, TakeSourceLines));
}

void TfSource::ConnectInputs()
{
    for (QLineEdit* e : Edits()) {
        MakeNumericField(e);
        connect(e, &QLineEdit::textChanged, this, &TfSource::Recalculate);
    }
    // Every keystroke: a date that is not (yet) one speaks in the hint line.
    for (TDateField* d : {dePassport, deWork, deRef})
        connect(d, &QLineEdit::textChanged, this, &TfSource::Recalculate);
    connect(cbUnit, &QComboBox::currentIndexChanged, this, &TfSource::RewriteActivityInUnit);
    connect(cbIsotope, &QComboBox::currentIndexChanged, this, &TfSource::TakeIsotopeLayer);
}

QString TfSource::FilePath()
{
    return ProgramFolder() + QStringLiteral("source.cnf");
}

QList<QLineEdit*> TfSource::Edits() const
{
    QList<QLineEdit*> edits;
    for (const auto& field : TextFields())
        edits << field.first;
    return edits;
}

QList<std::pair<QLineEdit*, QString TSourceForm::*>> TfSource::TextFields() const
{
    return {{eActivity, &TSourceForm::activity},     {eRefTime, &TSourceForm::refMinutes},
            {eRefDist, &TSourceForm::refDistance},   {eRefThick, &TSourceForm::refThickness},
            {eDist, &TSourceForm::distance},         {eThick, &TSourceForm::thickness},
            {eHvl, &TSourceForm::hvl}};
}

QList<std::pair<TDateField*, QDate TSourceForm::*>> TfSource::DateFields() const
{
    return {{dePassport, &TSourceForm::passportDate}, {deWork, &TSourceForm::workDate}, {deRef, &TSourceForm::refDate}};
}

TSourceForm TfSource::Form() const
{
    TSourceForm f;
    f.isotope = cbIsotope->currentIndex();
    f.unit = cbUnit->currentIndex();
    for (const auto& [edit, value] : TextFields())
        f.*value = edit->text();
    for (const auto& [date, value] : DateFields())
        f.*value = date->Date();
    return f;
}

void TfSource::SetForm(const TSourceForm& f)
{
    {
        // One calculation at the end, and the stored half-value layer kept
        // rather than replaced by the isotope's table value.
        const auto blocked = BlockInputSignals();
        cbIsotope->setCurrentIndex(f.isotope);
        cbUnit->setCurrentIndex(f.unit);
        m_unit = cbUnit->currentIndex();
        for (const auto& [edit, value] : TextFields())
            edit->setText(f.*value);
        for (const auto& [date, value] : DateFields())
            date->SetDate(f.*value);
    }
    Recalculate();
}

QByteArray TfSource::FormFileBytes() const
{
    TSourceForm f = Form();
    // A date out of the fields' years goes back as it came.
    f.passportDate = dePassport->OutOfRange().value_or(f.passportDate);
    f.refDate = deRef->OutOfRange().value_or(f.refDate);
    return SourceFileBytes(f);
}

void TfSource::SetWorkDate(const QDate& date)
{
    deWork->SetDate(date);
}

void TfSource::RewriteActivityInUnit()
{
    Guarded([this] {
        const int unit = cbUnit->currentIndex();
        {
            const QSignalBlocker block(eActivity);
            eActivity->setText(ConvertActivityText(eActivity->text(), m_unit, unit));
        }
        m_unit = unit;
        Recalculate();
    });
}

void TfSource::showEvent(QShowEvent* event)
{
    TToolWindow::showEvent(event);
    cbIsotope->setFocus(Qt::OtherFocusReason);
}

void TfSource::Recalculate()
{
    Guarded([this] {
        TSourceResults r = ComputeSource(Form());
        // The results stay those of the last date each field named.
        for (const TDateField* d : {dePassport, deWork, deRef})
            if (const QString problem = d->Problem(); !problem.isEmpty()) {
                r.hint = problem;
                break;
            }
        if (const QString note = UnreadNote(); !note.isEmpty())
            r.hint = note;
        for (auto [label, text] : {std::pair{lActivity, r.activity}, std::pair{lRemaining, r.remaining},
                                   std::pair{lExposure, r.exposure}, std::pair{lHint, r.hint}}) {
            if (label->text() == text)
                continue;
            label->setText(text);
            if (label != lHint)
                label->adjustSize();
        }
    });
}

void TfSource::TakeIsotopeLayer()
{
    Guarded([this] {
        // Each isotope has its own half-value layer; one the table lacks is
        // the user's to give.
        eHvl->setText(DefaultHalfValueLayerText(cbIsotope->currentIndex()));
        Recalculate();
    });
}

} // namespace kelto
