// The shelf of reference documents that lie beside the executable. QtCore only.
#pragma once
#include <QString>
#include <array>

namespace kelto {

struct TReferenceDocument {
    const char* caption;  // list item and menu caption, UTF-8
    const char* fileName; // relative to ProgramFolder(), UTF-8

    QString CaptionText() const { return QString::fromUtf8(caption); }
    QString FileNameText() const { return QString::fromUtf8(fileName); }
};

// In the order of the list under "Справка".
inline constexpr std::array<TReferenceDocument, 6> ReferenceDocuments{{
    {"ГОСТ 7512-82", "gost7512.pdf"},
    {"ГОСТ 23055-78", "ГОСТ 23055-78.pdf"},
    {"РД 13-01-2006", "rd13012006.pdf"},
    {"СТО 2-2.4-083-2006", "СТО 2-2.4-083-2006.pdf"},
    {"Оцифровщики снимков", "scanners.pdf"},
    {"Примеры дефектов сварного соединения", "defects.pdf"},
}};

// The user's guide, made at build time from the user's part of README.md;
// opened with Shift+F1 and from "Инфо", as the shelf's documents are.
inline constexpr TReferenceDocument UserGuide{"Руководство пользователя", "guide.pdf"};

// The notepad's menu offers four of them, in its own order.
struct TSpravkaMenuItem {
    const char* objectName;
    int document; // index into ReferenceDocuments
};
inline constexpr std::array<TSpravkaMenuItem, 4> SpravkaMenuItems{{
    {"N7512821", 0},
    {"N7", 2},
    {"N5", 4},
    {"N6", 5},
}};

// ProgramFolder() followed by the document's file name. The functions taking
// an index take it into ReferenceDocuments.
QString DocumentPath(const TReferenceDocument& document);
QString DocumentPath(int document);

// Whether the document's file is in the program folder now.
bool DocumentPresent(const TReferenceDocument& document);
bool DocumentPresent(int document);

// "Не найден файл «scanners.pdf» в папке программы: /opt/kelto"; the
// general error report adds the full stop.
QString MissingDocumentText(const TReferenceDocument& document);
QString MissingDocumentText(int document);
// "Не удалось открыть документ «gost7512.pdf» (/opt/kelto/gost7512.pdf): на
// компьютере не найдена программа для просмотра PDF."
QString NoViewerText(const TReferenceDocument& document);
QString NoViewerText(int document);

} // namespace kelto
