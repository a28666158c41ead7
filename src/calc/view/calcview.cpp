#include "calc/view/calcview.h"
#include "gui/picturelabel.h"
#include "gui/autosizelabel.h"
#include "gui/linklabel.h"

#include "gui/designfont.h"
#include "gui/report.h"
#include "calc/layout.h"
#include "calc/numerickey.h"
#include "calc/layoutcheck.h"
#include "calc/view/tfsource.h"
#include "calc/view/tfiso.h"

#include <QComboBox>
#include <QFontMetricsF>
#include <QtMath>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>

namespace kelto {

namespace {

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

// A link-style label: underlined whatever font a plug-in gives it, sized to
// its text.

} // namespace

TCalcView::TCalcView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Panel2"));
    setFixedSize(638, 308);

    Image2 = MakePictureLabel(this, "Image2", {0, 0, 638, 308}, QStringLiteral(":/assets/calc.jpg"));

    const Qt::Alignment leftTop = Qt::AlignLeft | Qt::AlignTop;
    const Qt::Alignment rightTop = Qt::AlignRight | Qt::AlignTop;

    Label37 = MakeLabel(this, "Label37", QStringLiteral("Входные данные:"), {19, 17, 162, 20}, WindowFont(), leftTop);
    Label38 = MakeLabel(this, "Label38", QStringLiteral("Результаты:"), {331, 17, 162, 20}, WindowFont(), leftTop);
    Label37->setWordWrap(true);
    Label38->setWordWrap(true);

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

    const QFont captionFont = DesignFont(12);
    const QFont valueFont = DesignFont(12, false, true);
    const auto caption = [&](const char* name, const QString& text, int top, const QFont& font) {
        return MakeLabel(this, name, text, {320, top, 244, 13}, font, rightTop);
    };
    const auto value = [&](const char* name, int top) {
        QLabel* l = new kelto::TAutoSizeLabel(QStringLiteral("?"), this);
        l->setObjectName(QLatin1String(name));
        l->move(568, top);
        l->setFont(valueFont);
        l->setAlignment(leftTop);
        l->adjustSize();
        return l;
    };
    Label15 = caption("Label15", QStringLiteral("Мин. расстояние от источника до трубы, мм:"), 47, captionFont);
    Label17 = caption("Label17", QStringLiteral("Минимальная чувствительность контроля:"), 72, captionFont);
    Label22 = caption("Label22", QStringLiteral("Требуемый периметр просветки, мм:"), 97, captionFont);
    Label24 = caption("Label24", QStringLiteral("Минимальное кол-во экспозиций:"), 122, captionFont);
    Label3 = caption("Label3", QStringLiteral("Рекомендуемые:"), 147, WindowFont());
    Label29 = caption("Label29", QStringLiteral("Количество участков контроля:"), 172, captionFont);
    Label35 = caption("Label35", QStringLiteral("Длина участка контроля, мм:"), 197, captionFont);
    lFocRast = value("lFocRast", 47);
    lSens = value("lSens", 72);
    lPerimetr = value("lPerimetr", 97);
    lExpo = value("lExpo", 122);
    lCount = value("lCount", 172);
    Ldlin = value("Ldlin", 197);
    // The recommended sections are computed but not offered.
    for (QLabel* l : {Label3, Label29, lCount, Label35, Ldlin})
        l->hide();

    // The compliance check takes the free part of the results box under the
    // visible results. Its values run longer than the column of values
    // above leaves room for, so each stands under its caption.
    Label40 = MakeLabel(this, "Label40", QStringLiteral("Проверка по ГОСТ 7512-82:"), {331, 150, 260, 20}, WindowFont(),
                        leftTop);
    Label40->setWordWrap(true);
    const auto checkCaption = [&](const char* name, const QString& text, int top) {
        return MakeLabel(this, name, text, {331, top, 290, 14}, captionFont, leftTop);
    };
    Label41 = checkCaption("Label41", QStringLiteral("Фокусное расстояние:"), 172);
    Label42 = checkCaption("Label42", QStringLiteral("Угол между экспозициями:"), 207);
    Label43 = checkCaption("Label43", QStringLiteral("Проволочный эталон:"), 242);
    focalCheck = value("focalCheck", 187);
    angleCheck = value("angleCheck", 222);
    wireCheck = value("wireCheck", 257);
    for (QLabel* l : {focalCheck, angleCheck, wireCheck}) {
        l->move(345, l->y());
        l->setText(QStringLiteral("—"));
        l->adjustSize();
    }

    // Left of the scheme picture, under the input captions.
    lSource = new TLinkLabel("lSource", QStringLiteral("Активность и время экспозиции…"), this);
    lSource->move(16, 232);
    connect(lSource, &TLinkLabel::clicked, this, &TCalcView::lSourceClick);

    cbSens = MakeCombo(this, "cbSens", 37, {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}, 2);
    eDiam = MakeEdit(this, "eDiam", 62, QStringLiteral("219"));
    eTol = MakeEdit(this, "eTol", 87, QStringLiteral("6,0"));
    eDlin = MakeEdit(this, "eDlin", 112, QStringLiteral("300"));
    eRast = MakeEdit(this, "eRast", 137, QStringLiteral("100"));
    ePatno = MakeEdit(this, "ePatno", 162, QStringLiteral("2,5"));
    cbSheme = MakeCombo(this, "cbSheme", 187,
                        {QStringLiteral("a)"), QStringLiteral("б)"), QStringLiteral("в)"), QStringLiteral("г)"),
                         QStringLiteral("д)"), QStringLiteral("е)"), QStringLiteral("ж)"), QStringLiteral("з)")},
                        3);
    setTabOrder(cbSens, eDiam);
    setTabOrder(eDiam, eTol);
    setTabOrder(eTol, eDlin);
    setTabOrder(eDlin, eRast);
    setTabOrder(eRast, ePatno);
    setTabOrder(ePatno, cbSheme);

    // Until start-up stacks them, the pictures lie where they were drawn.
    for (int i = 0; i < 8; ++i) {
        const QByteArray name = "is" + QByteArray::number(i + 1);
        is[size_t(i)] = MakePictureLabel(this, name.constData(), {320 + (i % 4) * 76, 150 + (i / 4) * 80, 60, 75},
                                         QStringLiteral(":/assets/is%1.bmp").arg(i + 1));
    }

    lToDiary = new TLinkLabel("lToDiary", QStringLiteral("Записать расчёт в дневник"), this);
    lToDiary->move(16, 256);
    lIso = new TLinkLabel("lIso", QStringLiteral("Расчёт по ГОСТ ISO 17636-1…"), this);
    lIso->move(16, 280);
    connect(lIso, &TLinkLabel::clicked, this, &TCalcView::lIsoClick);

    for (QLineEdit* e : {eDiam, eTol, eDlin, eRast, ePatno}) {
        e->installEventFilter(this);
        connect(e, &QLineEdit::textChanged, this, &TCalcView::cbSensChange);
    }
    connect(cbSens, &QComboBox::currentIndexChanged, this, &TCalcView::cbSensChange);
    // A pick in the list changes the picture first, then recalculates; a pick
    // of the item already selected only shows its picture again.
    connect(cbSheme, &QComboBox::currentIndexChanged, this, [this] {
        cbShemeClick();
        cbSensChange();
    });
    connect(cbSheme, &QComboBox::activated, this, &TCalcView::cbShemeClick);
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

void TCalcView::cbSensChange()
{
    kelto::Guarded([&] {
        // The six results start as "?": the record below starts so, and
        // every label is written from it, whether the run reached the field
        // or not. Nothing is drawn in between, so setting the labels once is
        // the same to the eye and spares a relayout per keystroke.
        ShowSchemePicture();

        TLayoutInputs in;
        in.eDiam = eDiam->text();
        in.eTol = eTol->text();
        in.eDlin = eDlin->text();
        in.eRast = eRast->text();
        in.ePatno = ePatno->text();
        in.cbSens = cbSens->currentText().toInt();
        in.cbSheme = cbSheme->currentIndex();
        TLayoutResults out;
        const std::optional<QString> error = CalculateLayout(in, out);
        SetResult(lSens, out.lSens);
        SetResult(lFocRast, out.lFocRast);
        SetResult(lExpo, out.lExpo);
        SetResult(lPerimetr, out.lPerimetr);
        SetResult(lCount, out.lCount);
        SetResult(Ldlin, out.Ldlin);
        const TLayoutCheck check = CheckLayout(in, out);
        SetResult(focalCheck, check.focalCheck);
        SetResult(angleCheck, check.angleCheck);
        SetResult(wireCheck, check.wireCheck);
        if (error)
            kelto::ReportError(*error);
    });
}

void TCalcView::cbShemeClick()
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
        p->move(239, 214);
        p->hide();
    }
    is[3]->show();
}

QChar TCalcView::CommaAllowed(const QString& text, QChar key)
{
    return kelto::CommaAllowed(text, key);
}

void TCalcView::AcceptNumericKey(QLineEdit* edit, QChar& key)
{
    key = FilterNumericKey(edit->text(), key);
}

void TCalcView::eDiamKeyPress(QChar& key)
{
    AcceptNumericKey(eDiam, key);
}
void TCalcView::eTolKeyPress(QChar& key)
{
    AcceptNumericKey(eTol, key);
}
void TCalcView::eDlinKeyPress(QChar& key)
{
    AcceptNumericKey(eDlin, key);
}
void TCalcView::eRastKeyPress(QChar& key)
{
    AcceptNumericKey(eRast, key);
}
void TCalcView::ePatnoKeyPress(QChar& key)
{
    AcceptNumericKey(ePatno, key);
}

bool TCalcView::FilterKeyEvent(QLineEdit* edit, QKeyEvent* k, const std::function<void(QChar&)>& accept)
{
    // Focus moves and keys that type nothing (Delete, arrows, Shift+Insert)
    // are the edit's own business.
    if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab || k->key() == Qt::Key_Delete)
        return false;
    QString typed = k->text();
    // A Ctrl+letter chord types its control character, even where the
    // platform leaves the event's text empty; so clipboard shortcuts die here.
    const bool ctrl = (k->modifiers() & Qt::ControlModifier) && !(k->modifiers() & Qt::AltModifier);
    if (ctrl && k->key() >= Qt::Key_A && k->key() <= Qt::Key_Z)
        typed = QString(QChar(k->key() - Qt::Key_A + 1));
    // The keypad's decimal key types "." or "," by layout; either is the
    // separator here.
    if ((k->modifiers() & Qt::KeypadModifier) && (k->key() == Qt::Key_Period || k->key() == Qt::Key_Comma))
        typed = QStringLiteral(".");
    if (typed.isEmpty())
        return false;
    QString accepted;
    bool replaced = false;
    for (QChar c : typed) {
        QChar key = c;
        accept(key);
        if (key.isNull())
            return true;
        replaced = replaced || key != c;
        accepted += key;
    }
    if (!replaced)
        return false;
    // The filter changed the character (a point became a comma): type the
    // changed one in the edit's place, over any selection, as the edit would.
    edit->insert(accepted);
    return true;
}

void TCalcView::lSourceClick()
{
    kelto::Guarded([this] {
        if (!m_source) {
            const QDate workDate = m_workDate ? m_workDate() : QDate::currentDate();
            m_source = new kelto::TfSource(workDate.isValid() ? workDate : QDate::currentDate(), this);
            m_source->ApplyInputFont(eRast->font(), eRast->palette());
        }
        m_source->show();
        m_source->raise();
        m_source->activateWindow();
    });
}

void TCalcView::lIsoClick()
{
    kelto::Guarded([this] {
        if (!m_iso) {
            m_iso = new kelto::TfIso(eDiam->text(), eTol->text(), this);
            m_iso->ApplyInputFont(eRast->font(), eRast->palette());
            m_iso->SetDiaryAppend(m_isoAppend);
        }
        m_iso->show();
        m_iso->raise();
        m_iso->activateWindow();
    });
}

void TCalcView::SaveIso(bool reportFailure)
{
    kelto::Guarded([this, reportFailure] {
        if (!m_iso)
            return;
        if (const std::optional<QString> err = m_iso->Save(); err && reportFailure)
            kelto::ReportError(QStringLiteral("Не удалось сохранить файл %1: %2").arg(kelto::TfIso::FilePath(), *err));
    });
}

void TCalcView::SaveSource(bool reportFailure)
{
    kelto::Guarded([this, reportFailure] {
        if (!m_source)
            return;
        if (const std::optional<QString> err = m_source->Save(); err && reportFailure)
            kelto::ReportError(
                QStringLiteral("Не удалось сохранить файл %1: %2").arg(kelto::TfSource::FilePath(), *err));
    });
}

bool TCalcView::eventFilter(QObject* watched, QEvent* event)
{
    // The source and ISO windows' inputs follow the plug-in's input font,
    // which reaches the view's edits.
    if (watched == eRast && (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)) {
        if (m_source)
            m_source->ApplyInputFont(eRast->font(), eRast->palette());
        if (m_iso)
            m_iso->ApplyInputFont(eRast->font(), eRast->palette());
    }
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    void (TCalcView::*handler)(QChar&) = nullptr;
    if (watched == eDiam)
        handler = &TCalcView::eDiamKeyPress;
    else if (watched == eTol)
        handler = &TCalcView::eTolKeyPress;
    else if (watched == eDlin)
        handler = &TCalcView::eDlinKeyPress;
    else if (watched == eRast)
        handler = &TCalcView::eRastKeyPress;
    else if (watched == ePatno)
        handler = &TCalcView::ePatnoKeyPress;
    else
        return false;
    return FilterKeyEvent(static_cast<QLineEdit*>(watched), static_cast<QKeyEvent*>(event),
                          [this, handler](QChar& key) { (this->*handler)(key); });
}

} // namespace kelto
