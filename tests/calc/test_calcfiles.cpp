// The calculation's form files (iso.cnf, source.cnf, card.cnf, calc.cnf) as
// their windows meet them damaged: the valid leading lines shown, the file
// named once in the hint line, kept byte for byte as .bak before the first
// save writes over it, and read whole afterwards.
#include "calc/view/calcview.h"
#include "calc/view/tfcard.h"
#include "calc/view/tfiso.h"
#include "calc/view/tfsource.h"
#include "core/cp1251.h"
#include "core/formfile.h"

#include <QFile>
#include <QLabel>
#include <QTest>
#include <functional>
#include <memory>

#include "controls.h"
#include "files.h"
#include "folder.h"
#include "messages.h"
#include "formreads.h"
#include "table.h"

using namespace kelto;
using namespace kelto::testing;

namespace {

// One form file: as the program writes it, its window, where the window
// says it was not read, and how the window writes it.
struct TFormCase {
    QString name;
    QByteArray written;
    std::function<std::unique_ptr<QWidget>()> open;
    const char* hint;
    std::function<std::optional<QString>(QWidget&)> save;
    std::function<bool(const QByteArray&)> readable;
};

std::optional<QString> SaveTool(QWidget& w)
{
    return static_cast<TToolWindow&>(w).Save();
}

QList<TFormCase> Cases()
{
    TCardFields card;
    card.organization = "ООО «Контроль»";
    card.object = "Газопровод";
    card.joint = "Стык 12";
    card.source = "Ir-192";
    card.filmType = "D7";
    card.screens = "Pb";
    card.madeBy = "Иванов";
    card.checkedBy = "Петров";
    return {
        {"iso.cnf", "219\r\n8\r\n3\r\nB\r\nIr-192\r\n2\r\n600\r\n0\r\n",
         [] { return std::make_unique<TfIso>(QString(), QString()); }, "lHint", SaveTool,
         [](const QByteArray& b) { return ReadIsoBytes(b).has_value(); }},
        {"source.cnf",
         ToCp1251(QStringLiteral("Ir-192\r\n12\r\nКи\r\n01.01.2026\r\n2\r\n500\r\n10\r\n01.01.2026\r\n500\r\n10\r\n13,0\r\n")),
         [] { return std::make_unique<TfSource>(QDate(2026, 3, 1)); }, "lHint", SaveTool,
         [](const QByteArray& b) { return ParseSourceFile(b, QDate(2026, 3, 1)).has_value(); }},
        {"card.cnf", CardFileBytes(card), [] { return std::make_unique<TfCard>(QString()); }, "lStatus", SaveTool,
         [](const QByteArray& b) { return ReadCardBytes(b).has_value(); }},
        {"calc.cnf", "2\r\n5\r\n260\r\n3\r\n240\r\n1020\r\n16\r\n",
         [] {
             auto view = std::make_unique<TCalcView>();
             view->Recalculate();
             return view;
         },
         "lHint",
         [](QWidget& w) {
             static_cast<TCalcView&>(w).SaveCalc(false);
             return std::optional<QString>();
         },
         [](const QByteArray& b) { return ReadCalcBytes(b).has_value(); }},
    };
}

// The damage done to a file as written; the card takes lines of a later
// version, so more lines are no damage to it.
QByteArray Damaged(const QByteArray& written, const QString& kind)
{
    const qsizetype second = written.indexOf('\n') + 1;
    if (kind == "too large")
        return written + QByteArray(FormFileLimit, 'x');
    if (kind == "NUL")
        return QByteArray(written).insert(second, '\0');
    if (kind == "over-long line")
        return QByteArray(written).insert(second, QByteArray(FormLineLimit + 1, '7'));
    if (kind == "other encoding")
        return "\xFF\xFE" + written;
    if (kind == "too few lines")
        return written.left(second);
    if (kind == "too many lines")
        return written + "x\r\n";
    return written;
}

} // namespace

class TestCalcFiles : public QObject {
    Q_OBJECT
private:
    std::optional<MessageRecorder> recorder;

private slots:
    void init() { recorder.emplace(); }
    void cleanup() { recorder.reset(); }

    // clang-format off
    void damagedFile_data()
    {
        Columns<QString, QString, bool>({"file", "damage", "unread"});
        const QStringList kinds = {"as written", "too large", "NUL", "over-long line", "other encoding",
                                   "too few lines", "too many lines"};
        for (const TFormCase& c : Cases())
            for (const QString& kind : kinds) {
                const bool unread = kind != "as written" && !(c.name == "card.cnf" && kind == "too many lines");
                QTest::addRow("%s, %s", qPrintable(c.name), qPrintable(kind)) << c.name << kind << unread;
            }
    }
    // clang-format on
    void damagedFile()
    {
        const auto [file, kind, unread] = Fetch<QString, QString, bool>({"file", "damage", "unread"});
        const TempProgramFolder folder;
        TFormCase c;
        for (const TFormCase& each : Cases())
            if (each.name == file)
                c = each;
        const QString path = folder.File(file), bak = path + ".bak";
        const QByteArray bytes = Damaged(c.written, kind);
        Put(path, bytes);
        const QString note = UnreadFileNote(path);
        {
            const std::unique_ptr<QWidget> w = c.open();
            QCOMPARE(Control<QLabel>(*w, c.hint)->text() == note, unread);
            QVERIFY(!QFile::exists(bak));
            QCOMPARE(c.save(*w), std::nullopt);
        }
        QCOMPARE(QFile::exists(bak), unread);
        if (unread)
            QCOMPARE(Get(bak), bytes);
        QVERIFY(c.readable(Get(path)));
        QVERIFY(recorder->boxes.isEmpty());
        // Said once: the file now read whole.
        const std::unique_ptr<QWidget> again = c.open();
        QVERIFY(Control<QLabel>(*again, c.hint)->text() != note);
    }

    void cardKeepsLettersBeyondTheCodePage()
    {
        const TempProgramFolder folder;
        TCardFields fields;
        fields.organization = QStringLiteral("ТОО «Қазақстан Құрылыс»");
        {
            TfCard card{QString()};
            card.SetFields(fields);
            QCOMPARE(card.Save(), std::nullopt);
        }
        QVERIFY(Get(TfCard::FilePath()).startsWith("\xEF\xBB\xBF"));
        TfCard again{QString()};
        QCOMPARE(again.Fields().organization, fields.organization);
        QVERIFY(!QFile::exists(TfCard::FilePath() + ".bak"));
    }
};

QTEST_MAIN(TestCalcFiles)
#include "test_calcfiles.moc"
