#include "calc/view/calcview.h"
#include "gui/picturelabel.h"
#include "gui/autosizelabel.h"
#include "gui/linklabel.h"

#include "gui/designfont.h"
#include "gui/report.h"
#include "calc/calcnote.h"
#include "calc/calctext.h"
#include "calc/layout.h"
#include "calc/numerickey.h"
#include "calc/layoutcheck.h"
#include "calc/view/tfsource.h"
#include "calc/view/tfiso.h"
#include "calc/view/numericfield.h"
#include "calc/view/tfcard.h"
#include "calc/techniquecard.h"
#include "core/clock.h"
#include "core/textfile.h"
#include "core/programfolder.h"
#include "calc/calcform.h"
#include "calc/isoform.h"

#include <QComboBox>
#include <cmath>
#include <QFontMetricsF>
#include <QtMath>
#include <QEvent>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QImage>
#include <QShortcut>

namespace kelto {

namespace {

constexpr int SchemePictureLeft = 239;

// The window's font.
QFont WindowFont()
{
    return DesignFont(11);
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry, const QFont& font,
                  Qt::Alignment align)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(geometry);
    l->setFont(font);
    l->setAlignment(align);
    return l;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, int top, const QString& text)
{
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QLatin1String(name));
    e->setGeometry(239, top, 60, 21);
    e->setFrame(false);
    e->setFont(WindowFont());
    return e;
}

QComboBox* MakeCombo(QWidget* parent, const char* name, int top, const QStringList& items, int current)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->setGeometry(239, top, 60, 21);
    c->setFrame(false);
    c->setFont(WindowFont());
    c->addItems(items);
    c->setCurrentIndex(current);
    return c;
}

// Which wire shows a sensitivity: the four the standard has no wire of
// their own for take the next one up, the others a wire of their size.
QString WireTooltip(const TLayoutResults& results, const TLayoutCheck& check)
{
    if (check.wireMicrometres == 0 || !results.sensitivity)
        return QString();
    const double wire = check.wireMicrometres / 1000.0;
    if (std::lround(*results.sensitivity * 1000.0) != check.wireMicrometres)
        return QStringLiteral("Чувствительности %1 мм соответствует проволока %2 мм (ГОСТ 7512-82)")
            .arg(DecimalComma(*results.sensitivity, 2, TDecimals::FiveSignificant),
                 DecimalComma(wire, 2, TDecimals::FiveSignificant));
    return QStringLiteral("Проволока того же диаметра, что и чувствительность");
}

} // namespace

TCalcView::TCalcView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Panel2"));
    setFixedSize(638, 308);

    CreateHeadings();
    CreateInputCaptions();
    CreateResults();
    CreateChecks();
    CreateSourceLink();
    CreateInputs();
    CreatePictures();
    CreateLinks();
    RestoreCalcForm();
    ConnectInputs();
}

void TCalcView::CreateHeadings()
{
    Image2 = MakePictureLabel(this, "Image2", {0, 0, 638, 308}, QStringLiteral(":/assets/calc.jpg"));

    const Qt::Alignment leftTop = Qt::AlignLeft | Qt::AlignTop;
    Label37 = MakeLabel(this, "Label37", QStringLiteral("Входные данные:"), {19, 17, 162, 20}, WindowFont(), leftTop);
    Label38 = MakeLabel(this, "Label38", QStringLiteral("Результаты:"), {331, 17, 162, 20}, WindowFont(), leftTop);
    Label37->setWordWrap(true);
    Label38->setWordWrap(true);
    m_skin.calcPicture = Image2;
    m_skin.headings = {Label37, Label38};
}

void TCalcView::CreateInputCaptions()
{
    const Qt::Alignment rightTop = Qt::AlignRight | Qt::AlignTop;

    Label8 = MakeLabel(this, "Label8", QStringLiteral("Класс чувствительности по ГОСТ 7512-82"), {0, 42, 233, 13},
                       DesignFont(12, true, false, "Arial"), rightTop);
    Label12 = MakeLabel(this, "Label12", QStringLiteral("Диаметр, мм"), {80, 66, 155, 13}, WindowFont(), rightTop);
    Label13 = MakeLabel(this, "Label13", QStringLiteral("Толщина, мм"), {64, 91, 169, 13}, WindowFont(), rightTop);
    Label11
        = MakeLabel(this, "Label11", QStringLiteral("Длина снимка, мм"), {56, 116, 177, 13}, WindowFont(), rightTop);
    Label9 = MakeLabel(this, "Label9", QStringLiteral("Фокусное расстояние, мм"), {16, 142, 217, 13}, WindowFont(),
                       rightTop);
    Label10
        = MakeLabel(this, "Label10", QStringLiteral("Фокусное пятно, мм"), {32, 166, 201, 13}, WindowFont(), rightTop);
    Label14 = MakeLabel(this, "Label14", QStringLiteral("Схема контроля"), {80, 191, 155, 13}, WindowFont(), rightTop);
    m_skin.captions = {Label8, Label9, Label10, Label11, Label12, Label13, Label14};
    // "Фокусное" reads as source-to-film to many: the tooltip names the distance.
    Label9->setToolTip(QStringLiteral("Расстояние от источника до поверхности трубы F, мм"));
}

QLabel* TCalcView::MakeValueLabel(const char* name, int top)
{
    const Qt::Alignment leftTop = Qt::AlignLeft | Qt::AlignTop;
    const QFont valueFont = DesignFont(12, false, true);
    QLabel* l = new kelto::TAutoSizeLabel(QStringLiteral("?"), this);
    l->setObjectName(QLatin1String(name));
    l->move(568, top);
    l->setFont(valueFont);
    l->setAlignment(leftTop);
    l->adjustSize();
    return l;
}

void TCalcView::CreateResults()
{
    const Qt::Alignment rightTop = Qt::AlignRight | Qt::AlignTop;

    const QFont captionFont = DesignFont(12);
    const auto caption = [&](const char* name, const QString& text, int top, const QFont& font) {
        return MakeLabel(this, name, text, {320, top, 244, 13}, font, rightTop);
    };
    Label15 = caption("Label15", QStringLiteral("Мин. расстояние от источника до трубы, мм:"), 47, captionFont);
    Label15->setToolTip(QStringLiteral("Наименьшее расстояние от источника до поверхности трубы f, мм"));
    Label17 = caption("Label17", QStringLiteral("Минимальная чувствительность контроля:"), 72, captionFont);
    Label22 = caption("Label22", QStringLiteral("Требуемый периметр просветки, мм:"), 97, captionFont);
    Label24 = caption("Label24", QStringLiteral("Минимальное кол-во экспозиций:"), 122, captionFont);
    Label3 = caption("Label3", QStringLiteral("Рекомендуемые:"), 147, WindowFont());
    Label29 = caption("Label29", QStringLiteral("Количество участков контроля:"), 172, captionFont);
    Label35 = caption("Label35", QStringLiteral("Длина участка контроля, мм:"), 197, captionFont);
    lFocRast = MakeValueLabel("lFocRast", 47);
    lSens = MakeValueLabel("lSens", 72);
    lPerimetr = MakeValueLabel("lPerimetr", 97);
    lExpo = MakeValueLabel("lExpo", 122);
    lCount = MakeValueLabel("lCount", 172);
    Ldlin = MakeValueLabel("Ldlin", 197);
    m_skin.captions.insert(m_skin.captions.end(), {Label15, Label17, Label22, Label24, Label29, Label35, Label3});
    m_skin.values = {lFocRast, lSens, lPerimetr, lExpo, lCount, Ldlin};
    // The recommended sections are computed but not offered.
    for (QLabel* l : {Label3, Label29, lCount, Label35, Ldlin})
        l->hide();
}

void TCalcView::CreateChecks()
{
    const Qt::Alignment leftTop = Qt::AlignLeft | Qt::AlignTop;
    const QFont captionFont = DesignFont(12);

    // The compliance check takes the free part of the results box under the
    // visible results; LayOutChecks places its lines.
    Label40 = MakeLabel(this, "Label40", QStringLiteral("Проверка по ГОСТ 7512-82:"), {331, 147, 260, 16}, WindowFont(),
                        leftTop);
    m_skin.headings.push_back(Label40);
    const auto checkCaption = [&](const char* name, const QString& text) {
        QLabel* l = new TAutoSizeLabel(text, this);
        l->setObjectName(QLatin1String(name));
        l->setFont(captionFont);
        l->setAlignment(leftTop);
        l->adjustSize();
        return l;
    };
    Label41 = checkCaption("Label41", QStringLiteral("Фокусное расстояние:"));
    Label42 = checkCaption("Label42", QStringLiteral("Угол между экспозициями:"));
    Label43 = checkCaption("Label43", QStringLiteral("Проволочный эталон:"));
    Label44 = checkCaption("Label44", QStringLiteral("Длина снимка:"));
    focalCheck = MakeValueLabel("focalCheck", 0);
    angleCheck = MakeValueLabel("angleCheck", 0);
    wireCheck = MakeValueLabel("wireCheck", 0);
    filmCheck = MakeValueLabel("filmCheck", 0);
    // The plug-in dresses the three older lines (DressChecks the newer).
    m_skin.captions.insert(m_skin.captions.end(), {Label41, Label42, Label43});
    m_skin.values.insert(m_skin.values.end(), {focalCheck, angleCheck, wireCheck});
    for (QLabel* l : {focalCheck, angleCheck, wireCheck, filmCheck}) {
        l->setText(NoValue());
        l->adjustSize();
    }
    lHint = new QLabel(this);
    lHint->setObjectName(QStringLiteral("lHint"));
    lHint->setFont(captionFont);
    lHint->setAlignment(leftTop);
    lHint->setWordWrap(true);
    lHint->hide();
    // The plug-in dresses the three older lines; the new ones follow them.
    for (QWidget* w : {static_cast<QWidget*>(Label43), static_cast<QWidget*>(wireCheck)})
        w->installEventFilter(this);
    LayOutChecks();
}

void TCalcView::CreateSourceLink()
{
    // Left of the scheme picture, under the input captions.
    lSource = new TLinkLabel("lSource", QStringLiteral("Активность и время экспозиции…"), this);
    lSource->move(16, 232);
    connect(lSource, &TLinkLabel::clicked, this, &TCalcView::OpenSourceWindow);
    m_skin.captions.push_back(lSource);
}

void TCalcView::CreateInputs()
{
    cbSens = MakeCombo(this, "cbSens", 37, {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}, 2);
    eDiam = MakeEdit(this, "eDiam", 62, QStringLiteral("219"));
    eTol = MakeEdit(this, "eTol", 87, QStringLiteral("6,0"));
    eDlin = MakeEdit(this, "eDlin", 112, QStringLiteral("300"));
    eRast = MakeEdit(this, "eRast", 137, QStringLiteral("100"));
    ePatno = MakeEdit(this, "ePatno", 162, QStringLiteral("2,5"));
    cbSheme = MakeCombo(this, "cbSheme", 187, LayoutSchemeNames(), 3);
    m_skin.inputs = {eRast, ePatno, eDlin, eDiam, eTol, cbSens, cbSheme};
}

void TCalcView::CreatePictures()
{
    // Until start-up stacks them, the pictures lie where they were drawn.
    for (int i = 0; i < 8; ++i) {
        const QByteArray name = "is" + QByteArray::number(i + 1);
        is[size_t(i)] = MakePictureLabel(this, name.constData(), {320 + (i % 4) * 76, 150 + (i / 4) * 80, 60, 75},
                                         QStringLiteral(":/assets/is%1.bmp").arg(i + 1));
    }
}

void TCalcView::CreateLinks()
{
    lToDiary = new TLinkLabel("lToDiary", QStringLiteral("Записать расчёт в дневник"), this);
    lToDiary->move(16, 256);
    connect(lToDiary, &TLinkLabel::clicked, this, &TCalcView::writeToDiaryRequested);
    lIso = new TLinkLabel("lIso", QStringLiteral("Расчёт по ГОСТ ISO 17636-1…"), this);
    lIso->move(16, 280);
    connect(lIso, &TLinkLabel::clicked, this, &TCalcView::OpenIsoWindow);

    // In the results box, on the line kept for it under the compliance lines
    // it sums up.
    lCard = new TLinkLabel("lCard", QStringLiteral("Технологическая карта…"), this);
    lCard->move(CardLinkPlace.topLeft());
    connect(lCard, &TLinkLabel::clicked, this, &TCalcView::OpenCardWindow);
    // The card link's line has room at its right.
    lJournal = new TLinkLabel("lJournal", QStringLiteral("Журнал контроля…"), this);
    lJournal->move(JournalLinkPlace.topLeft());
    connect(lJournal, &TLinkLabel::clicked, this, &TCalcView::journalRequested);
    auto* cardKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), this);
    cardKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(cardKey, &QShortcut::activated, this, &TCalcView::OpenCardWindow);

    // The scheme picture stands right of the three links: they never run
    // under it.
    for (TLinkLabel* link : {lSource, lToDiary, lIso})
        link->SetMaxWidth(SchemePictureLeft - 4 - link->x());

    // Tab as the eye reads: the inputs, the links under them, then the
    // results box's link.
    const QList<QWidget*> order = {cbSens, eDiam, eTol, eDlin, eRast, ePatno, cbSheme, lSource, lToDiary, lIso, lCard};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void TCalcView::ConnectInputs()
{
    // The five edits share one key rule, each on its own text.
    for (QLineEdit* e : {eDiam, eTol, eDlin, eRast, ePatno})
        MakeNumericField(e);
    for (QLineEdit* e : {eDiam, eTol, eDlin, eRast, ePatno})
        connect(e, &QLineEdit::textChanged, this, &TCalcView::Recalculate);
    // The tool windows follow the plug-in's looks of these three.
    for (QWidget* w : {static_cast<QWidget*>(eRast), static_cast<QWidget*>(Label12), static_cast<QWidget*>(lFocRast)})
        w->installEventFilter(this);
    connect(cbSens, &QComboBox::currentIndexChanged, this, &TCalcView::Recalculate);
    // A pick in the list changes the picture first, then recalculates; a pick
    // of the item already selected only shows its picture again.
    connect(cbSheme, &QComboBox::currentIndexChanged, this, [this] {
        ShowPickedScheme();
        Recalculate();
    });
    connect(cbSheme, &QComboBox::activated, this, &TCalcView::ShowPickedScheme);
}

std::optional<QString> TCalcView::NoteParagraph() const
{
    return CalcNoteParagraph(
        {eDiam->text(), eTol->text(), cbSens->currentText(), cbSheme->currentText(), eRast->text(), ePatno->text()},
        {m_results.lSens, m_results.lFocRast, m_results.lExpo, m_results.lPerimetr});
}

void TCalcView::ShowToDiaryOutcome(const QString& text)
{
    lToDiary->ShowFor(text);
}

void TCalcView::FollowLinkStyleOf(QWidget* model)
{
    for (TLinkLabel* link : {lSource, lToDiary, lIso, lCard, lJournal})
        link->FollowStyleOf(model);
}

void TCalcView::SetResult(QLabel* label, const QString& text)
{
    // Runs on every keystroke: a label whose text stays is left alone.
    if (label->text() == text)
        return;
    label->setText(text);
    // The label's own size hint lays the text out in full; one line of plain
    // text needs only its advance, and this runs for several labels a key.
    const QMargins m = label->contentsMargins();
    const int width
        = qCeil(QFontMetricsF(label->font()).horizontalAdvance(text)) + m.left() + m.right() + 2 * label->margin();
    label->resize(width, label->height());
}

void TCalcView::Recalculate()
{
    kelto::Guarded([&] {
        // The six results start as "?": the record below starts so, and
        // every label is written from it, whether the run reached the field
        // or not. Nothing is drawn in between, so setting the labels once is
        // the same to the eye and spares a relayout per keystroke.
        ShowSchemePicture();

        m_inputs = LayoutInputs();
        m_results = TLayoutResults{};
        m_calculated = true;
        const std::optional<QString> error = CalculateLayout(m_inputs, m_results);
        const TLayoutResults& out = m_results;
        SetResult(lSens, out.lSens);
        SetResult(lFocRast, out.lFocRast);
        SetResult(lExpo, out.lExpo);
        SetResult(lPerimetr, out.lPerimetr);
        SetResult(lCount, out.lCount);
        SetResult(Ldlin, out.Ldlin);
        m_check = CheckLayout(m_inputs, out);
        const TLayoutCheck& check = m_check;
        SetResult(focalCheck, check.focalCheck);
        SetResult(angleCheck, check.angleCheck);
        SetResult(wireCheck, check.wireCheck);
        SetResult(filmCheck, check.filmCheck);
        if (const QString tip = WireTooltip(out, check); wireCheck->toolTip() != tip)
            wireCheck->setToolTip(tip);
        const QString note = UnreadCalcNote();
        if (const QString& hint = note.isEmpty() ? check.hint : note; lHint->text() != hint)
            lHint->setText(hint);
        DressChecks();
        LayOutChecks();
        GivePipeToIso();
        // An open card follows the calculation it shows.
        if (m_card && m_card->isVisible())
            m_card->Refresh();
        if (error)
            kelto::ReportError(*error);
    });
}

TLayoutInputs TCalcView::LayoutInputs() const
{
    return LayoutInputsOf(CalcForm());
}

TCalcForm TCalcView::CalcForm() const
{
    return {cbSens->currentIndex() + 1,
            cbSheme->currentIndex(),
            eRast->text(),
            ePatno->text(),
            eDlin->text(),
            eDiam->text(),
            eTol->text()};
}

QString TCalcView::CalcFilePath()
{
    return ProgramFolder() + QStringLiteral("calc.cnf");
}

void TCalcView::RestoreCalcForm()
{
    m_calcFile = TFormFileKeeper(CalcFilePath());
    const TCalcForm f = ReadCalcForm(m_calcFile);
    cbSens->setCurrentIndex(f.sensClass - 1);
    cbSheme->setCurrentIndex(f.scheme);
    eRast->setText(f.focal);
    ePatno->setText(f.spot);
    eDlin->setText(f.film);
    eDiam->setText(f.diameter);
    eTol->setText(f.wall);
    for (QLineEdit* e : {eRast, ePatno, eDlin, eDiam, eTol})
        e->setCursorPosition(0);
    m_readCalc = CalcForm();
}

QString TCalcView::UnreadCalcNote() const
{
    // Said until an input changes, and kept until the save that keeps the copy.
    return m_readCalc && CalcForm() == *m_readCalc ? m_calcFile.Note() : QString();
}

void TCalcView::SaveCalc(bool reportFailure)
{
    kelto::Guarded([this, reportFailure] {
        if (m_calcFile.Path() != CalcFilePath())
            m_calcFile = TFormFileKeeper(CalcFilePath());
        if (const std::optional<QString> err = m_calcFile.Save(CalcFileBytes(CalcForm())); err && reportFailure)
            kelto::ReportError(QStringLiteral("Не удалось сохранить файл %1: %2").arg(CalcFilePath(), *err));
    });
}

void TCalcView::GivePipeToIso()
{
    if (m_iso)
        m_iso->SetSharedPipe({eDiam->text(), eTol->text(), ePatno->text()});
}

void TCalcView::TakePipeFromIso()
{
    kelto::Guarded([this] {
        const TSharedPipe mine{eDiam->text(), eTol->text(), ePatno->text()};
        const TSharedPipe pipe = WithIsoPipe(mine, m_iso->Form());
        // Each field changed recalculates the view, which hands the same
        // values back: the ISO window leaves them as they are.
        for (auto [edit, text] :
             {std::pair{eDiam, pipe.diameter}, std::pair{eTol, pipe.wall}, std::pair{ePatno, pipe.spot}})
            if (edit->text() != text)
                edit->setText(text);
    });
}

void TCalcView::ShowPickedScheme()
{
    kelto::Guarded([&] { ShowSchemePicture(); });
}

void TCalcView::ShowSchemePicture()
{
    // Hiding the shown picture only to show it again would cost a repaint
    // on every keystroke; the end state is the same.
    const int index = cbSheme->currentIndex();
    for (int i = 0; i < int(is.size()); ++i)
        if (is[size_t(i)]->isVisibleTo(this) != (i == index))
            is[size_t(i)]->setVisible(i == index);
}

void TCalcView::PlaceSchemePictures()
{
    for (QLabel* p : is) {
        p->move(SchemePictureLeft, 214);
        p->hide();
    }
    is[3]->show();
}

void TCalcView::OpenSourceWindow()
{
    kelto::Guarded([this] {
        // The work date is the day the window opens: a day browsed in the
        // diary would give that day's activity without a word.
        if (!m_source) {
            m_source = new kelto::TfSource(Today(), this);
            DressToolWindows();
        } else if (!m_source->isVisible()) {
            m_source->SetWorkDate(Today());
        }
        m_source->ShowAndRaise();
    });
}

void TCalcView::OpenIsoWindow()
{
    kelto::Guarded([this] {
        if (!m_iso) {
            m_iso = new kelto::TfIso(eDiam->text(), eTol->text(), this);
            DressToolWindows();
            m_iso->SetDiaryAppend(m_isoAppend);
            m_iso->SetDiaryDaySource(m_diaryDay);
            // One pipe and one spot for both windows.
            GivePipeToIso();
            connect(m_iso, &kelto::TfIso::pipeEdited, this, &TCalcView::TakePipeFromIso);
            // The exposure line takes the activity on today's date.
            m_iso->SetSourceForm([this] {
                std::optional<TSourceForm> form = SourceForm();
                if (form)
                    form->workDate = Today();
                return form;
            });
            // Its card describes it, and follows it while open.
            connect(m_iso, &kelto::TfIso::cardRequested, this, [this] {
                ShowCard([this](const TCardFields& fields) {
                    const kelto::TIsoShown s = m_iso->Shown();
                    return IsoCard(s.form, s.texts, fields, CardSource(), Today());
                });
            });
            connect(m_iso, &kelto::TfIso::recalculated, this, [this] {
                if (m_card && m_card->isVisible())
                    m_card->Refresh();
            });
        }
        m_iso->ShowAndRaise();
    });
}

void TCalcView::SaveToolWindows(bool reportFailure)
{
    SaveCalc(reportFailure);
    for (const TToolWindow* w : std::initializer_list<const TToolWindow*>{m_source, m_iso, m_card})
        if (w)
            w->SaveForm(reportFailure);
}

std::optional<TSourceForm> TCalcView::SourceForm() const
{
    if (m_source)
        return m_source->Form();
    // The window would open on today's work; the file is read once.
    if (!m_sourceFile) {
        const std::optional<QByteArray> bytes = ReadWholeFile(kelto::TfSource::FilePath(), 1 << 16);
        m_sourceFile = bytes ? ParseSourceFile(*bytes, Today()) : std::nullopt;
    }
    if (*m_sourceFile)
        (*m_sourceFile)->workDate = Today();
    return *m_sourceFile;
}

std::optional<TCardSource> TCalcView::CardSource() const
{
    if (const std::optional<TSourceForm> form = SourceForm())
        return TCardSource{form->workDate, ComputeSource(*form), *form};
    return std::nullopt;
}

void TCalcView::OpenCardWindow()
{
    // The calculation as it stands whenever the card asks for it.
    if (!m_calculated)
        Recalculate();
    ShowCard([this](const TCardFields& fields) {
        return GostCard(m_inputs, m_results, m_check, fields, CardSource(), Today());
    });
}

void TCalcView::ShowCard(std::function<TTechniqueCard(const TCardFields&)> content)
{
    kelto::Guarded([this, &content] {
        if (!m_card) {
            const std::optional<TSourceForm> form = SourceForm();
            m_card = new kelto::TfCard(form ? SourceIsotopeNames().value(form->isotope) : QString(), this);
            connect(m_card, &kelto::TfCard::journalRequested, this,
                    [this] { emit journalEntryRequested(m_card->Card(), m_card->Fields()); });
            DressToolWindows();
        }
        m_card->SetContent(std::move(content));
        m_card->ShowAndRaise();
    });
}

bool TCalcView::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::FontChange || type == QEvent::PaletteChange) {
        // A plug-in reaches the view's own controls; the tool windows and
        // the added check lines follow them.
        if (watched == eRast || watched == Label12 || watched == lFocRast) {
            DressToolWindows();
            emit toolLookChanged();
        }
        if (watched == Label43 || watched == wireCheck) {
            DressChecks();
            LayOutChecks();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TCalcView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Leaving the view keeps what it shows.
    if (!event->spontaneous())
        SaveCalc();
}

void TCalcView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The diary's day can only change while the diary is shown.
    UpdateDiaryLink();
}

void TCalcView::SetDiaryDaySource(std::function<QDate()> source)
{
    m_diaryDay = std::move(source);
    UpdateDiaryLink();
    if (m_iso)
        m_iso->SetDiaryDaySource(m_diaryDay);
}

void TCalcView::UpdateDiaryLink()
{
    const QDate day = m_diaryDay ? m_diaryDay() : QDate();
    lToDiary->SetCaption(ToDiaryCaption(day, Today()));
}

void TCalcView::LayOutChecks()
{
    constexpr int left = 331, right = 628, indent = 14, gap = 4;
    const QList<std::pair<QLabel*, QLabel*>> rows
        = {{Label41, focalCheck}, {Label42, angleCheck}, {Label43, wireCheck}, {Label44, filmCheck}};
    const bool allDashes = !m_check.anyVerdict;
    const bool hint = !lHint->text().isEmpty();
    // While the results are "?" every check is "—": the hint takes the
    // block's place rather than a line of its own.
    const bool blockShown = !(hint && allDashes);
    int y = Label40->geometry().bottom() + 3;
    for (const auto& [caption, value] : rows) {
        caption->setVisible(blockShown);
        value->setVisible(blockShown);
        if (!blockShown)
            continue;
        caption->move(left, y);
        const int besideX = left + caption->width() + gap;
        // A value wrapped before is measured again on one line.
        if (value->wordWrap()) {
            value->setWordWrap(false);
            value->adjustSize();
        }
        if (besideX + value->width() <= right) {
            // Captions and values differ in size: one baseline.
            const int lift = caption->fontMetrics().ascent() - value->fontMetrics().ascent();
            value->move(besideX, y + lift);
            y += std::max(caption->height(), value->height() + lift);
            continue;
        }
        y += caption->height();
        if (value->width() <= right - left - indent) {
            value->move(left + indent, y);
        } else {
            // Longer than the box is wide: on two lines.
            value->setWordWrap(true);
            value->setGeometry(left, y, right - left, value->heightForWidth(right - left));
        }
        y += value->height();
    }
    lHint->setVisible(hint);
    if (hint) {
        const int width = right - left;
        lHint->setGeometry(left, y + 2, width, lHint->heightForWidth(width));
    }
}

void TCalcView::DressChecks()
{
    // The plug-in gives the three older lines their looks; the film line
    // and the hint take them from their neighbours.
    for (auto [label, model] :
         {std::pair{Label44, Label43}, std::pair{lHint, Label43}, std::pair{filmCheck, wireCheck}}) {
        if (label->font() != model->font())
            label->setFont(model->font());
        if (label->palette().color(QPalette::WindowText) != model->palette().color(QPalette::WindowText))
            label->setPalette(model->palette());
    }
    const QColor normal = wireCheck->palette().color(QPalette::WindowText);
    const QColor warning = WarningColour(normal);
    for (auto [l, fails] : {std::pair{focalCheck, m_check.focalFails}, std::pair{filmCheck, m_check.filmFails}}) {
        const QColor wanted = fails ? warning : normal;
        if (l->palette().color(QPalette::WindowText) == wanted)
            continue;
        QPalette p = l->palette();
        for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive})
            p.setColor(g, QPalette::WindowText, wanted);
        l->setPalette(p);
    }
}

void TCalcView::DressToolWindows()
{
    if (!m_source && !m_iso && !m_card)
        return;
    const TToolLook look = ToolLook();
    for (TToolWindow* w : std::initializer_list<TToolWindow*>{m_source, m_iso, m_card})
        if (w)
            w->ApplyLook(look);
}

TToolLook TCalcView::ToolLook()
{
    TToolLook look;
    // The window stands in for the view's background picture: its colour
    // at the top left corner, where the picture is plain.
    if (auto* picture = dynamic_cast<TPictureLabel*>(Image2))
        picture->DecodeNow();
    const QImage background = Image2->pixmap().toImage();
    look.background = background.isNull() ? palette().color(QPalette::Window) : background.pixelColor(5, 5);
    look.captionFont = Label12->font();
    look.captionColour = Label12->palette().color(QPalette::WindowText);
    look.valueFont = lFocRast->font();
    look.valueColour = lFocRast->palette().color(QPalette::WindowText);
    look.inputFont = eRast->font();
    look.inputPalette = eRast->palette();
    return look;
}

void TCalcView::FocusFirstInput()
{
    cbSens->setFocus(Qt::OtherFocusReason);
}

} // namespace kelto
