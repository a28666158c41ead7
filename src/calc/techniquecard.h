// The technique card of a calculation without its page: the rows of caption
// and value that the printed card holds, the name of its PDF file, and the
// file card.cnf that remembers what the user fills in. QtCore only.
#pragma once
#include "calc/layout.h"
#include "calc/isoform.h"
#include "calc/layoutcheck.h"
#include "calc/sourceform.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace kelto {

inline constexpr const char* CardTitle = "Технологическая карта радиографического контроля";
inline constexpr const char* GostStandardName = "ГОСТ 7512-82";
inline constexpr const char* IsoStandardName = "ГОСТ ISO 17636-1-2017";

// The scheme letters in the order of the calculation view's list ("a)" is
// the Latin letter).
QStringList LayoutSchemeNames();

// What the user fills in on the card, in the order of card.cnf.
struct TCardFields {
    QString organization; // "Организация"
    QString object;       // "Объект"
    QString joint;        // "Сварное соединение (стык)"
    QString material = QStringLiteral("сталь");
    QString source;    // "Источник излучения": the source window's isotope when empty at first
    QString filmType;  // "Тип плёнки"
    QString screens;   // "Экраны"
    QString madeBy;    // "Составил"
    QString checkedBy; // "Проверил"
    // Added later; an older card.cnf leaves them empty.
    QString number;                 // "Номер карты": "17/2026"
    QString approverPosition;       // "Утверждаю: должность"
    QString approverName;           // "Утверждаю: фамилия, инициалы"
    QString madeByQualification;    // "Квалификация составителя"
    QString checkedByQualification; // "Квалификация проверившего"
    QString sourceSerial;           // "Заводской номер источника"
    QString voltage;                // "Напряжение, кВ" (X-ray apparatus only)
    QString current;                // "Ток, мА" (X-ray apparatus only)
    QString films;                  // "Плёнок на экспозицию и размер, мм": "1 × 100×300"
    QString iqiPosition; // "Положение эталона": one of IqiPositionNames(); empty is the first
    QString marking;     // "Маркировка и начало отсчёта"
    QString acceptance;  // "Нормы оценки качества"
    QString processing;  // "Фотообработка"
    // Lines of a card.cnf from a later version, kept as they were.
    QStringList extra;
    bool operator==(const TCardFields&) const = default;
};

// "со стороны источника", "со стороны плёнки (с меткой F)".
QStringList IqiPositionNames();
// Whether the IQI lies on the film's side.
bool IqiOnFilmSide(const TCardFields& fields);

// Every user field with its caption, in the order of card.cnf; the page
// names a field to shorten by its caption.
struct TCardField {
    const char* caption;
    QString TCardFields::*field;
};
QList<TCardField> CardFieldList();

struct TCardRow {
    QString caption;
    QString value;
    bool operator==(const TCardRow&) const = default;
};

// One card as it goes on paper.
struct TTechniqueCard {
    QString standard;     // under the title: "ГОСТ 7512-82", "ГОСТ ISO 17636-1-2017, класс B"
    QString technique;    // the line under the standard, or empty
    QList<TCardRow> rows; // in the order of the page
    int scheme = -1;      // the ГОСТ 7512-82 scheme whose picture the page shows; -1 none
    QString madeBy, checkedBy;
    QString pdfName; // the PDF's file name the save dialog offers
    QString number;  // "17/2026", or empty
    QString approverPosition, approverName;
    QString madeByQualification, checkedByQualification;
    int isoTechnique = -1; // the ISO technique whose sketch the page shows; -1 none
    bool iqiFilmSide = false;
    bool xray = false; // an X-ray apparatus: voltage and current belong on the card
    // Why the calculation is no card to save or print (its hint), or empty.
    QString notReady;
    // The values the control journal takes, as the rows show them: the
    // pipe, the ГОСТ 7512-82 scheme, the exposures, the film's length and
    // the wire IQI (CardValue's "—" where there is none).
    QString pipe, schemeName, exposures, filmLength, iqi;
};

// The source window's results the card carries, when they are valid.
struct TCardSource {
    QDate workDate;
    TSourceResults results;
    TSourceForm form; // its inputs: the isotope, the shot it computed, the reference shot
};

// A text as the card prints it: without control characters and without
// the marks that reorder text (bidirectional embeddings, overrides,
// isolates, direction marks), so nothing typed in one field can move or
// hide the text of another. Every text of a card is made so.
QString CardPrintable(const QString& text);

// A value as the card writes it: "?" and "—" (no result) both as "—", and
// so is a typed number out of bounds (calc/bounds.h).
QString CardValue(const QString& shown);

// The card of a ГОСТ 7512-82 calculation: `in` as the view's inputs hold
// them, `out` and `check` as CalculateLayout and CheckLayout made them
// (the very texts the view shows).
TTechniqueCard GostCard(const TLayoutInputs& in, const TLayoutResults& out, const TLayoutCheck& check,
                        const TCardFields& fields, const std::optional<TCardSource>& source, const QDate& made);

// The card of the ISO 17636-1 window: `form` as its inputs hold them and
// `texts` as it shows its results.
TTechniqueCard IsoCard(const TIsoForm& form, const TIsoTexts& texts, const TCardFields& fields,
                       const std::optional<TCardSource>& source, const QDate& made);

// "Карта 219x6,0 08.12.2026.pdf": the pipe as typed, the day the card is made.
QString CardPdfName(const QString& diameter, const QString& thickness, const QDate& made);

// card.cnf, code page 1251 (UTF-8 after its byte order mark when a value
// has a letter the code page lacks, "×" say), CR LF, one value per line in
// this order:
//  1 Организация
//  2 Объект
//  3 Сварное соединение (стык)
//  4 Материал
//  5 Источник излучения
//  6 Тип плёнки
//  7 Экраны
//  8 Составил
//  9 Проверил
// 10 Номер карты
// 11 Утверждаю: должность
// 12 Утверждаю: фамилия, инициалы
// 13 Квалификация составителя
// 14 Квалификация проверившего
// 15 Заводской номер источника
// 16 Напряжение, кВ
// 17 Ток, мА
// 18 Плёнок на экспозицию и размер, мм
// 19 Положение эталона
// 20 Маркировка и начало отсчёта
// 21 Нормы оценки качества
// 22 Фотообработка
// An older file of 9 lines and up loads, its missing lines empty; the lines
// of a later version after these are kept and written back.
QByteArray CardFileBytes(const TCardFields& fields);
inline constexpr int OldCardFileLines = 9;
// card.cnf's lines taken into `fields` (every line is free text; those of
// a later version go to `extra`); how many were taken: all.
int TakeCardLines(const QStringList& lines, TCardFields& fields);

} // namespace kelto
