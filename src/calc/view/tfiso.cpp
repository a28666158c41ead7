#include "calc/view/tfiso.h"
#include "calc/view/numericfield.h"

#include "gui/autosizelabel.h"
#include "gui/linklabel.h"
#include "gui/report.h"
#include "core/clock.h"
#include "core/programfolder.h"
#include "calc/calcnote.h"
#include "calc/calctext.h"
#include "core/textfile.h"
#include "calc/exposureline.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <tuple>

namespace kelto {

namespace {

constexpr int WindowWidth = 600;
using namespace toolcolumn;

QComboBox* Combo(QWidget* parent, const char* name, int top, int width, const QStringList& items)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->setGeometry(InputLeft, top, width, RowHeight);
    c->addItems(items);
    return c;
}

} // namespace

TfIso::TfIso(const QString& viewDiameter, const QString& viewWall, QWidget* parent)
    : TToolWindow(parent, "fIso", QStringLiteral("Расчёт по ГОСТ ISO 17636-1"), {WindowWidth, 508},
                  QStringLiteral("iso.cnf"))
{
    CreateInputs();
    CreateResults();
    CreateLinks();
    SetInputs({eDe, eT, cbTechnique, cbClass, cbSource, eD, eSfd, chPlanar});

    // The pipe is the one the calculation view holds, when it holds one.
    SetForm(WithSharedPipe(ReadForm(DefaultIsoForm(), IsoFileLines, TFormText::Cp1251, TakeIsoLines),
                           {viewDiameter, viewWall, QString()}));

    ConnectInputs();
}

void TfIso::CreateInputs()
{
    AddColumnCaption(QStringLiteral("Наружный диаметр De, мм"), 12);
    eDe = Edit(this, "eDe", 12);
    AddColumnCaption(QStringLiteral("Толщина стенки t, мм"), 39);
    eT = Edit(this, "eT", 39);
    AddColumnCaption(QStringLiteral("Схема просвечивания"), 66);
    cbTechnique = Combo(this, "cbTechnique", 66, 290, IsoTechniqueNames());
    AddColumnCaption(QStringLiteral("Класс контроля"), 93);
    cbClass = Combo(this, "cbClass", 93, 50, IsoClassNames());
    AddColumnCaption(QStringLiteral("Источник излучения"), 120);
    cbSource = Combo(this, "cbSource", 120, 170, IsoSourceNames());
    AddColumnCaption(QStringLiteral("Размер источника d, мм"), 147);
    eD = Edit(this, "eD", 147);
    AddColumnCaption(QStringLiteral("Расстояние источник — плёнка SFD, мм"), 174);
    eSfd = Edit(this, "eSfd", 174);
    AddColumnCaption(QStringLiteral("Плоскостные несплошности"), 201);
    chPlanar = new QCheckBox(QStringLiteral("выявлять (f min как для класса B)"), this);
    chPlanar->setObjectName(QStringLiteral("chPlanar"));
    chPlanar->setGeometry(InputLeft, 201, WindowWidth - InputLeft - CaptionLeft, RowHeight);
}

void TfIso::CreateResults()
{
    // The inputs above, the results below.
    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    rule->setGeometry(CaptionLeft, 227, WindowWidth - 2 * CaptionLeft, 2);

    AddColumnResults(236, {{&lW, "lW", "Просвечиваемая толщина w:"},
                           {&lF, "lF", "Расстояние источник — объект f:"},
                           {&lFMin, "lFMin", "Наименьшее расстояние f min:"},
                           {&lDistance, "lDistance", "Расстояние f:"},
                           {&lExposures, "lExposures", "Число экспозиций:"},
                           {&lIqi, "lIqi", "Проволочный эталон:"},
                           {&lRange, "lRange", "Толщина для источника (табл. 2):"},
                           {&lExposure, "lExposure", "Время экспозиции:"},
                           // The density line may ask for the compensation: up
                           // to three lines beside its caption, the last result.
                           {&lDensity, "lDensity", "Оптическая плотность снимка:"}});
    lDensity->setWordWrap(true);
    lHint = AddHintLine(466, WindowWidth - 2 * CaptionLeft);
}

void TfIso::CreateLinks()
{
    lToDiary = new TLinkLabel("lIsoToDiary", QStringLiteral("Записать расчёт в дневник"), this);
    lToDiary->setFont(font());
    lToDiary->move(CaptionLeft, 486);
    QFont underlined = lToDiary->font();
    underlined.setUnderline(true);
    lToDiary->setFont(underlined);
    QPalette linkPalette = lToDiary->palette();
    linkPalette.setColor(QPalette::WindowText, palette().color(QPalette::Link));
    lToDiary->setPalette(linkPalette);
    connect(lToDiary, &TLinkLabel::clicked, this, &TfIso::WriteCalculationToDiary);
    lCard = new TLinkLabel("lIsoCard", QStringLiteral("Технологическая карта…"), this);
    lCard->setFont(underlined);
    lCard->setPalette(linkPalette);
    lCard->move(WindowWidth / 2, 486);
    // The diary link names a day: it stops short of the card link.
    lToDiary->SetMaxWidth(WindowWidth / 2 - 8 - CaptionLeft);
    connect(lCard, &TLinkLabel::clicked, this, &TfIso::cardRequested);
    auto* cardKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), this);
    connect(cardKey, &QShortcut::activated, this, &TfIso::cardRequested);
}

void TfIso::ConnectInputs()
{
    for (QLineEdit* e : {eDe, eT, eD, eSfd}) {
        MakeNumericField(e);
        connect(e, &QLineEdit::textChanged, this, &TfIso::Recalculate);
    }
    for (QLineEdit* e : {eDe, eT, eD})
        connect(e, &QLineEdit::textEdited, this, &TfIso::pipeEdited);
    for (QComboBox* c : {cbTechnique, cbClass, cbSource})
        connect(c, &QComboBox::currentIndexChanged, this, &TfIso::Recalculate);
    connect(chPlanar, &QCheckBox::toggled, this, &TfIso::Recalculate);
}

QString TfIso::FilePath()
{
    return ProgramFolder() + QStringLiteral("iso.cnf");
}

TIsoForm TfIso::Form() const
{
    TIsoForm f;
    f.De = eDe->text();
    f.t = eT->text();
    f.d = eD->text();
    f.sfd = m_sfdOnAxis ? m_typedSfd : eSfd->text();
    f.technique = TIsoTechnique(cbTechnique->currentIndex());
    f.testClass = TIsoClass(cbClass->currentIndex());
    f.source = TIsoSource(cbSource->currentIndex());
    f.planar = chPlanar->isChecked();
    return f;
}

void TfIso::SetForm(const TIsoForm& f)
{
    {
        // One calculation at the end.
        const auto blocked = BlockInputSignals();
        eDe->setText(f.De);
        eT->setText(f.t);
        cbTechnique->setCurrentIndex(int(f.technique));
        cbClass->setCurrentIndex(int(f.testClass));
        cbSource->setCurrentIndex(int(f.source));
        eD->setText(f.d);
        eSfd->setText(f.sfd);
        m_sfdOnAxis = false;
        chPlanar->setChecked(f.planar);
    }
    Recalculate();
}

TIsoShown TfIso::Shown() const
{
    // The texts the labels were given, as values.
    return {Form(), m_outcome.inputs, m_outcome.results, m_outcome.texts};
}

QByteArray TfIso::FormFileBytes() const
{
    return IsoFileBytes(Form());
}

void TfIso::SetSourceForm(std::function<std::optional<TSourceForm>()> source)
{
    m_sourceForm = std::move(source);
    Recalculate();
}

void TfIso::SetSharedPipe(const TSharedPipe& pipe)
{
    const TIsoForm form = Form();
    const TIsoForm shared = WithSharedPipe(form, pipe);
    if (shared.De == form.De && shared.t == form.t && shared.d == form.d)
        return;
    SetForm(shared);
}

void TfIso::ShowSfdFor(const TIsoForm& form, const TIsoTexts& texts)
{
    const bool central = form.technique == TIsoTechnique::SingleWallCentral;
    eSfd->setEnabled(!central);
    const QSignalBlocker block(eSfd);
    if (central) {
        if (!m_sfdOnAxis)
            m_typedSfd = eSfd->text();
        m_sfdOnAxis = true;
        const QString shown = texts.sfdOnAxis ? texts.sfd : QString();
        if (eSfd->text() != shown) {
            eSfd->setText(shown);
            eSfd->setCursorPosition(0);
        }
    } else if (m_sfdOnAxis) {
        m_sfdOnAxis = false;
        eSfd->setText(m_typedSfd);
    }
}

void TfIso::Recalculate()
{
    Guarded([this] {
        const TIsoForm form = Form();
        m_outcome = ComputeIsoForm(form);
        AddIsoExposure(m_outcome, m_sourceForm ? m_sourceForm() : std::nullopt);
        const TIsoTexts& x = m_outcome.texts;
        // The panoramic source stands on the axis: the distance follows from the pipe.
        ShowSfdFor(form, x);
        for (auto [label, text, warn] :
             {std::tuple{lW, x.w, false}, std::tuple{lF, x.f, false}, std::tuple{lFMin, x.fMin, false},
              std::tuple{lDistance, x.distance, x.distanceFails}, std::tuple{lExposures, x.exposures, false},
              std::tuple{lIqi, x.iqi, false}, std::tuple{lRange, x.range, x.rangeFails},
              std::tuple{lDensity, x.density, x.densityFails}, std::tuple{lExposure, x.exposureTime, false}}) {
            MarkWarning(label, warn);
            if (label->text() == text)
                continue;
            label->setText(text);
            if (label->wordWrap()) {
                constexpr int width = WindowWidth - InputLeft - CaptionLeft;
                label->resize(width, label->heightForWidth(width));
            } else {
                label->adjustSize();
            }
        }
        const QString note = UnreadNote();
        lHint->setText(!note.isEmpty() ? note : x.hint.isEmpty() ? x.exposureHint : x.hint);
        emit recalculated();
    });
}

void TfIso::WriteCalculationToDiary()
{
    Guarded([this] {
        const TIsoShown s = Shown();
        const std::optional<QString> paragraph = IsoNoteParagraph(s.form, s.texts);
        if (!paragraph) {
            lToDiary->ShowFor(QStringLiteral("Расчёт не готов"));
            return;
        }
        if (!m_append)
            return;
        UpdateDiaryLink();
        if (const QString said = m_append(*paragraph); !said.isEmpty())
            lToDiary->ShowFor(said);
    });
}

void TfIso::SetDiaryDaySource(std::function<QDate()> source)
{
    m_diaryDay = std::move(source);
    UpdateDiaryLink();
}

void TfIso::UpdateDiaryLink()
{
    lToDiary->SetCaption(ToDiaryCaption(m_diaryDay ? m_diaryDay() : QDate(), Today()));
}

void TfIso::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    UpdateDiaryLink();
}

void TfIso::changeEvent(QEvent* event)
{
    // The source window may have changed while this one was in the
    // background, and another day may have been picked in the diary.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        Recalculate();
        UpdateDiaryLink();
    }
    TToolWindow::changeEvent(event);
}

} // namespace kelto
