// Plug-in reader, colour and font values, and LoadPlugin / ChoosePlugin on a
// typed stand-in of the controls of the two windows.
#include "gui/report.h"
#include "app/settingsfile.h"
#include "core/cp1251.h"
#include "core/programfolder.h"
#include "skin/plgformat.h"
#include "core/error.h"
#include "skin/view/plugin.h"
#include "gui/picturelabel.h"
#include "gui/skintargets.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QFileDialog>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtEndian>
#include <QtTest>

#include "files.h"
#include "folder.h"
#include "messages.h"
#include "table.h"

#include <sys/stat.h>

using namespace kelto;
using namespace kelto::testing;

namespace {

// A typed stand-in of the two windows: the loader sees only the lists, so
// the controls need neither names nor a window tree of their own; how many
// each block holds and of which kind are those of the real windows.
struct FakeWindows {
    QWidget main;
    QWidget* about = nullptr;
    std::unique_ptr<QWidget> ownAbout;
    TSkinTargets t;

    explicit FakeWindows(bool aboutChildOfMain = false)
    {
        t.mainPicture = new QLabel(&main);
        t.diaryPicture = new QLabel(&main);
        t.calcPicture = new QLabel(&main);
        t.menuLabels = Controls<QLabel>(5);
        t.headings = Controls<QLabel>(6);
        t.captions = Controls<QLabel>(18);
        t.values = Controls<QLabel>(10);
        t.inputs = Controls<QLineEdit>(11);
        t.marker = new QWidget(&main);
        QPalette pal = t.marker->palette();
        pal.setColor(QPalette::Window, QColor(0xA6, 0xCA, 0xF0));
        t.marker->setPalette(pal);
        if (aboutChildOfMain) {
            about = new QWidget(&main, Qt::Dialog);
        } else {
            ownAbout = std::make_unique<QWidget>();
            about = ownAbout.get();
        }
        t.aboutPicture = new QLabel(about);
    }

    template <typename T> std::vector<QWidget*> Controls(int count)
    {
        std::vector<QWidget*> list;
        for (int i = 0; i < count; ++i) {
            QWidget* w = new T(&main);
            QFont f = w->font();
            f.setFamily("Design Sans");
            f.setPointSize(8);
            w->setFont(f);
            list.push_back(w);
        }
        return list;
    }
    // Every control of the five font blocks, in the loader's order.
    std::vector<QWidget*> FontControls() const
    {
        return Joined(Joined(t.menuLabels, t.headings, t.captions), t.values, t.inputs);
    }
    QSize pic(QLabel* picture) const { return picture->pixmap().size(); }
    // The four pictures a plug-in sets: the window's, the diary's, the
    // calculation's and the About window's.
    void ExpectPictureSizes(QSize main, QSize diary, QSize calc, QSize about) const
    {
        QCOMPARE(pic(t.mainPicture), main);
        QCOMPARE(pic(t.diaryPicture), diary);
        QCOMPARE(pic(t.calcPicture), calc);
        QCOMPARE(pic(t.aboutPicture), about);
    }
    QColor marker() const { return t.marker->palette().color(QPalette::Window); }
};

QByteArray Encoded(const QSize& size, const char* format, QColor colour = Qt::darkCyan)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(colour);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format);
    return bytes;
}

QByteArray Scrambled(QByteArray bytes)
{
    ToggleHeaderInMemory(bytes);
    return bytes;
}

// A full plug-in's lines; tests change single lines.
QStringList PluginLines()
{
    return {
        "Тестовый вид",
        "вид\\main.jpg",
        "вид\\diary.jpg",
        "вид/calc.jpg",
        "меню",
        "Menu Font",
        "10",
        "#112233",
        "fsBold",
        "заголовки",
        "Head Font",
        "11",
        "#223344",
        "fsItalic",
        "подписи",
        "Caption Font",
        "12",
        "#334455",
        "fsUnderline",
        "значения",
        "Value Font",
        "13",
        "#445566",
        "fsBold,fsUnderline",
        "ввод",
        "Input Font",
        "14",
        "#556677",
        "",
        "полоса",
        "#FF8000",
        "о программе",
        "вид\\about.bmp",
    };
}

// A plug-in's number either reads as `value` or is refused with TError,
// which the load reports with the line it stands on.
template <class T, class Parse> void ExpectReadOrRefused(Parse parse, const QString& text, bool ok, T value)
{
    if (ok)
        QCOMPARE(parse(text), value);
    else
        QVERIFY_THROWS_EXCEPTION(TError, parse(text));
}

} // namespace

class TestSkin : public QObject {
    Q_OBJECT

    TempProgramFolder m_program;
    QString m_plg;
    QString m_folder;

    QString Pic(const QString& rel) const { return m_folder + "/вид/" + rel; }

    void WritePlugin(const QStringList& lines) { Put(m_plg, JoinCrLf(lines)); }

private slots:
    void init()
    {
        QVERIFY(m_program.dir.isValid());
        m_folder = m_program.dir.path() + "/plugins";
        m_plg = m_folder + "/тест.plg";
        QDir(m_folder).removeRecursively();
        Put(Pic("main.jpg"), Scrambled(Encoded({40, 30}, "JPEG")));
        Put(Pic("diary.jpg"), Scrambled(Encoded({39, 29}, "JPEG")));
        Put(Pic("calc.jpg"), Scrambled(Encoded({38, 28}, "JPEG")));
        Put(Pic("about.bmp"), Scrambled(Encoded({37, 27}, "BMP")));
        WritePlugin(PluginLines());
        QFile::remove(SettingsPath());
        SetPluginDialog({});
    }

    // clang-format off
    void hexToColor_data()
    {
        Columns<QString, bool, uint>({"text", "ok", "value"});
        QTest::newRow("with mark") << "#FF8000" << true << 0x000080FFu;
        QTest::newRow("without mark") << "FF8000" << true << 0x000080FFu;
        QTest::newRow("lower case") << "#ff8000" << true << 0x000080FFu;
        QTest::newRow("more than six") << "#FF8000AB" << true << 0x000080FFu;
        QTest::newRow("two marks") << "##FF8000" << true << 0x000080FFu;
        QTest::newRow("marks everywhere go") << "#12#34#56" << true << 0x00563412u;
        QTest::newRow("mark inside six") << "FF#800" << false << 0u;
        QTest::newRow("mark after six") << "FF8000#" << true << 0x000080FFu;
        QTest::newRow("grid colour") << "c0c0c0" << true << 0x00C0C0C0u;
        QTest::newRow("blue") << "0000ff" << true << 0x00FF0000u;
        QTest::newRow("empty") << "" << false << 0u;
        QTest::newRow("lone mark") << "#" << false << 0u;
        QTest::newRow("five digits") << "#FF800" << false << 0u;
        QTest::newRow("not hex") << "FF80G0" << false << 0u;
        QTest::newRow("leading blank") << " FF8000" << false << 0u;
        QTest::newRow("Cyrillic") << "ФФ8000" << false << 0u;
    }
    // clang-format on
    void hexToColor()
    {
        auto [text, ok, value] = Fetch<QString, bool, uint>({"text", "ok", "value"});
        ExpectReadOrRefused(HexToColor, text, ok, value);
    }

    // clang-format off
    void fontSize_data()
    {
        Columns<QString, bool, int>({"text", "ok", "value"});
        QTest::newRow("plain") << "12" << true << 12;
        QTest::newRow("leading blanks") << "  12" << true << 12;
        QTest::newRow("plus") << "+9" << true << 9;
        QTest::newRow("minus") << " -16" << true << -16;
        QTest::newRow("trailing blank") << "12 " << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blank only") << " " << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("blank after sign") << "- 3" << false << 0;
        QTest::newRow("letters") << "12pt" << false << 0;
        QTest::newRow("decimal") << "8,5" << false << 0;
        QTest::newRow("too large") << "99999999999" << false << 0;
        QTest::newRow("int max") << "2147483647" << true << 2147483647;
    }
    // clang-format on
    void fontSize()
    {
        auto [text, ok, value] = Fetch<QString, bool, int>({"text", "ok", "value"});
        ExpectReadOrRefused(ParseFontSize, text, ok, value);
    }

    // clang-format off
    void plgLines_data()
    {
        Columns<QByteArray, QStringList>({"bytes", "lines"});
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
        QTest::newRow("mixed ends") << QByteArray("a\rb\nc") << QStringList{"a", "b", "c"};
        QTest::newRow("empty lines") << QByteArray("a\r\n\r\n\n") << QStringList{"a", "", ""};
        QTest::newRow("LF CR is two ends") << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
        QTest::newRow("NUL ends the text") << QByteArray("a\r\nb\0c\r\nd", 10) << QStringList{"a", "b"};
        QTest::newRow("nothing") << QByteArray() << QStringList{};
        QTest::newRow("blanks kept") << QByteArray(" x \t\r\n") << QStringList{" x \t"};
        QTest::newRow("cp1251") << QByteArray("\xf1\xf2\xe0\xed\xe4\xe0\xf0\xf2\\main.jpg") << QStringList{"стандарт\\main.jpg"};
    }
    // clang-format on
    void plgLines()
    {
        auto [bytes, lines] = Fetch<QByteArray, QStringList>({"bytes", "lines"});
        QCOMPARE(ReadPlgLines(bytes), lines);
    }

    // clang-format off
    void pictureReferences_data()
    {
        Columns<QString, QString, QByteArray>({"reference", "path", "format"});
        QTest::newRow("backslash") << "вид\\main.jpg" << "/p/вид/main.jpg" << QByteArray("JPEG");
        QTest::newRow("slash") << "вид/a.JPEG" << "/p/вид/a.JPEG" << QByteArray("JPEG");
        QTest::newRow("bmp upper") << "A.BMP" << "/p/A.BMP" << QByteArray("BMP");
        QTest::newRow("icon") << "i.ico" << "/p/i.ico" << QByteArray("ICO");
        QTest::newRow("metafile") << "m.emf" << "/p/m.emf" << QByteArray();
        QTest::newRow("wmf") << "m.WMF" << "/p/m.WMF" << QByteArray();
        QTest::newRow("png") << "p.png" << "/p/p.png" << QByteArray();
        QTest::newRow("empty names the folder") << "" << "/p/" << QByteArray();
        QTest::newRow("dot in folder only") << "a.jpg\\x" << "/p/a.jpg/x" << QByteArray();
    }
    // clang-format on
    void pictureReferences()
    {
        auto [reference, path, format] = Fetch<QString, QString, QByteArray>({"reference", "path", "format"});
        const QString full = ResolvePictureReference("/p", reference);
        QCOMPARE(full, path);
        if (format.isEmpty())
            QVERIFY_THROWS_EXCEPTION(TError, PictureFormatFor(full));
        else
            QCOMPARE(PictureFormatFor(full), format);
    }

    void toggleHeader()
    {
        const QString path = m_program.dir.path() + "/t.bin";
        const QByteArray plain = "0123456789abcdefgh";
        Put(path, plain);
        QVERIFY(TogglePictureHeader(path));
        const QByteArray once = Get(path);
        QCOMPARE(once.size(), plain.size());
        QCOMPARE(once.mid(12), plain.mid(12));
        for (int i = 0; i < 12; ++i)
            QCOMPARE(quint8(once[i]), quint8(quint8(plain[i]) ^ PictureKey));
        QCOMPARE(ReadUnscrambledPicture(path), plain);
        QCOMPARE(Get(path), once); // reading never writes back
        QVERIFY(TogglePictureHeader(path));
        QCOMPARE(Get(path), plain);

        Put(path, "short");
        QVERIFY(!TogglePictureHeader(path));
        QCOMPARE(Get(path), QByteArray("short"));
        QVERIFY(!TogglePictureHeader(m_program.dir.path() + "/absent.jpg"));
        QVERIFY(!TogglePictureHeader(m_program.dir.path()));
    }

    // clang-format off
    void applyFontStyles_data()
    {
        Columns<QString, bool, bool, bool, bool>({"style", "bold", "italic", "underline", "strike"});
        QTest::newRow("bold and underline") << "fsBold,fsUnderline" << true << false << true << false;
        QTest::newRow("all in brackets") << "[fsBold, fsItalic, fsUnderline, fsStrikeOut]" << true << true << true << true;
        QTest::newRow("glued") << "xfsItalicfsStrikeOuty" << false << true << false << true;
        QTest::newRow("empty") << "" << false << false << false << false;
        QTest::newRow("no style") << "обычный" << false << false << false << false;
        QTest::newRow("lower case") << "fsbold,fsitalic" << false << false << false << false;
    }
    // clang-format on
    void applyFontStyles()
    {
        QFETCH(QString, style);
        QLabel label;
        QFont f = label.font();
        f.setBold(true);
        f.setItalic(true);
        f.setUnderline(true);
        f.setStrikeOut(true);
        label.setFont(f);
        ApplyFont(&label, ReadFontBlock("Some Font", "11", "#102030", style));
        QCOMPARE(label.font().family(), QString("Some Font"));
        QCOMPARE(label.font().pointSize(), 11);
        QTEST(label.font().bold(), "bold");
        QTEST(label.font().italic(), "italic");
        QTEST(label.font().underline(), "underline");
        QTEST(label.font().strikeOut(), "strike");
        for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            QCOMPARE(label.palette().color(QPalette::Active, role), QColor(0x10, 0x20, 0x30));
    }

    void applyFontStopsAtBadValue()
    {
        QLineEdit edit;
        QFont f = edit.font();
        f.setFamily("Old Font");
        f.setPointSize(8);
        f.setItalic(true);
        edit.setFont(f);
        const QColor oldColour = edit.palette().color(QPalette::Text);

        ApplyFont(&edit, ReadFontBlock("Lead Font", " 15", "#FF0000", ""));
        QCOMPARE(edit.font().pointSize(), 15);
        QVERIFY(!edit.font().italic());

        edit.setFont(f);
        QPalette pal = edit.palette();
        pal.setColor(QPalette::Text, oldColour);
        edit.setPalette(pal);
        QVERIFY_THROWS_EXCEPTION(TError, ApplyFont(&edit, ReadFontBlock("New Font", "15 ", "#FF0000", "fsBold")));
        QCOMPARE(edit.font().family(), QString("New Font"));
        QCOMPARE(edit.font().pointSize(), 8);
        QVERIFY(edit.font().italic());
        QVERIFY(!edit.font().bold());
        QCOMPARE(edit.palette().color(QPalette::Text), oldColour);

        // A bad colour keeps name and size, not the old style.
        QVERIFY_THROWS_EXCEPTION(TError, ApplyFont(&edit, ReadFontBlock("Third", "20", "", "fsBold")));
        QCOMPARE(edit.font().family(), QString("Third"));
        QCOMPARE(edit.font().pointSize(), 20);
        QVERIFY(edit.font().italic());
        QCOMPARE(edit.palette().color(QPalette::Text), oldColour);
    }

    // clang-format off
    void loadFullPlugin_data()
    {
        Column<bool>("aboutChildOfMain", {
            {"separate About window", false},
            {"About window owned by main", true},
        });
    }
    // clang-format on
    // The calculation view is built when first opened: the plug-in loaded
    // before goes to the rest at once (its picture checked), to the view when
    // built, with the same result and the same failure, said once.
    void viewBuiltLaterGetsTheSameSteps_data()
    {
        Columns<int, QString>({"line", "value"});
        // clang-format off
        QTest::newRow("whole plug-in")            << 0  << "Тестовый вид";
        QTest::newRow("bad caption size")         << 16 << "x";
        QTest::newRow("bad value colour")         << 22 << "#zz";
        QTest::newRow("calculation picture junk") << 3  << "вид/junk.jpg";
        QTest::newRow("About picture junk")       << 32 << "вид/junk.jpg";
        // clang-format on
    }
    void viewBuiltLaterGetsTheSameSteps()
    {
        auto [line, value] = Fetch<int, QString>({"line", "value"});
        QStringList lines = PluginLines();
        lines[line] = value;
        WritePlugin(lines);
        Put(Pic("junk.jpg"), "no picture");
        MessageRecorder rec;
        FakeWindows eager, lazy;
        const bool ok = LoadPlugin(ReadPlugin(m_plg), eager.t);
        QCOMPARE(ok, line == 0);
        TSkinTargets rest = lazy.t, view;
        view.calcPicture = std::exchange(rest.calcPicture, nullptr);
        view.captions = std::exchange(rest.captions, {});
        TSkinTargets about;
        about.aboutPicture = std::exchange(rest.aboutPicture, nullptr);
        const TPlugin read
            = ReadPlugin(m_plg, {{TPluginKey::CalcPicture, QSize(38, 28)}, {TPluginKey::AboutPicture, QSize(37, 27)}});
        QCOMPARE(LoadPlugin(read, rest), ok);
        QCOMPARE(rec.boxes.size(), ok ? 0 : 2);
        ApplyPluginToView(read, view);
        if (ok) // the main window hands the About window only a load that went through
            ApplyPluginToView(read, about);
        QCOMPARE(rec.boxes.size(), ok ? 0 : 2);
        QCOMPARE(lazy.pic(lazy.t.calcPicture), eager.pic(eager.t.calcPicture));
        QCOMPARE(lazy.pic(lazy.t.aboutPicture), eager.pic(eager.t.aboutPicture));
        const auto a = eager.FontControls(), b = lazy.FontControls();
        for (std::size_t i = 0; i < a.size(); ++i) {
            QCOMPARE(b[i]->font(), a[i]->font());
            QCOMPARE(b[i]->palette().color(QPalette::WindowText), a[i]->palette().color(QPalette::WindowText));
        }
    }

    void loadFullPlugin()
    {
        QFETCH(bool, aboutChildOfMain);
        MessageRecorder rec;
        FakeWindows w(aboutChildOfMain);
        QVERIFY(LoadPlugin(ReadPlugin(m_plg), w.t));
        QVERIFY(rec.boxes.isEmpty());
        w.ExpectPictureSizes({40, 30}, {39, 29}, {38, 28}, {37, 27});
        QCOMPARE(w.t.mainPicture->alignment(), Qt::AlignLeft | Qt::AlignTop);

        struct Expect {
            const std::vector<QWidget*>& block;
            const char* family;
            int size;
            QColor colour;
        };
        // clang-format off
        const Expect blocks[] = {
            {w.t.menuLabels, "Menu Font",    10, QColor(0x11, 0x22, 0x33)},
            {w.t.headings,   "Head Font",    11, QColor(0x22, 0x33, 0x44)},
            {w.t.captions,   "Caption Font", 12, QColor(0x33, 0x44, 0x55)},
            {w.t.values,     "Value Font",   13, QColor(0x44, 0x55, 0x66)},
            {w.t.inputs,     "Input Font",   14, QColor(0x55, 0x66, 0x77)},
        };
        // clang-format on
        int checked = 0;
        for (const Expect& e : blocks) {
            for (QWidget* c : e.block) {
                QCOMPARE(c->font().family(), QString(e.family));
                QCOMPARE(c->font().pointSize(), e.size);
                QCOMPARE(c->palette().color(QPalette::WindowText), e.colour);
                ++checked;
            }
        }
        QCOMPARE(checked, int(w.FontControls().size()));
        QVERIFY(w.t.menuLabels[2]->font().bold());
        QVERIFY(w.t.headings[3]->font().italic());
        QVERIFY(w.t.values[6]->font().underline() && w.t.values[6]->font().bold());
        QVERIFY(!w.t.inputs.back()->font().bold());
        QCOMPARE(w.marker(), QColor(0xFF, 0x80, 0x00));
        QVERIFY(w.t.marker->autoFillBackground());
    }

    void thirtyTwoLines()
    {
        QStringList lines = PluginLines();
        lines.removeLast();
        WritePlugin(lines);
        MessageRecorder rec;
        FakeWindows w;
        QVERIFY(!LoadPlugin(ReadPlugin(m_plg), w.t));
        QCOMPARE(rec.Texts(), QStringList{"Ошибка загрузки выбранного плагина!\nВ плагине нет строки 33"});
        QCOMPARE(rec.Captions(), QStringList{"Кельто"});
        QCOMPARE(w.pic(w.t.mainPicture), QSize(40, 30));
        QCOMPARE(w.t.inputs.back()->font().family(), QString("Input Font"));
        QCOMPARE(w.marker(), QColor(0xFF, 0x80, 0x00));
        QVERIFY(w.t.aboutPicture->pixmap().isNull());
    }

    void extraLinesAndFreeText()
    {
        QStringList lines = PluginLines();
        for (int n : {1, 5, 10, 15, 20, 25, 30, 32})
            lines[n - 1] = "#zz 12 fsBold \\nowhere.emf";
        lines << "garbage"
              << ""
              << "#";
        WritePlugin(lines);
        MessageRecorder rec;
        FakeWindows w;
        QVERIFY(LoadPlugin(ReadPlugin(m_plg), w.t));
        QVERIFY(rec.boxes.isEmpty());
    }

    void badValueFontSize()
    {
        QStringList lines = PluginLines();
        lines[22 - 1] = "13 ";
        WritePlugin(lines);
        MessageRecorder rec;
        FakeWindows w;
        const QColor marker = w.marker();
        QVERIFY(!LoadPlugin(ReadPlugin(m_plg), w.t));
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(w.t.captions.back()->font().family(), QString("Caption Font"));
        QCOMPARE(w.t.values.front()->font().family(), QString("Value Font"));
        QCOMPARE(w.t.values.front()->font().pointSize(), 8);
        // The first value keeps the name only; the rest of its block and the
        // inputs after it keep their old font.
        for (QWidget* c : {w.t.values[1], w.t.values[6], w.t.inputs.front(), w.t.inputs.back()}) {
            QCOMPARE(c->font().family(), QString("Design Sans"));
            QCOMPARE(c->font().pointSize(), 8);
        }
        QCOMPARE(w.marker(), marker);
        QVERIFY(w.t.aboutPicture->pixmap().isNull());
        QVERIFY(!QFile::exists(SettingsPath()));
    }

    // clang-format off
    void missingPictures_data()
    {
        Columns<QString, bool>({"file", "mainChanged"});
        QTest::newRow("line 2") << "main.jpg" << false;
        QTest::newRow("line 3") << "diary.jpg" << true;
    }
    // clang-format on
    void missingPictures()
    {
        auto [file, mainChanged] = Fetch<QString, bool>({"file", "mainChanged"});
        QVERIFY(QFile::remove(Pic(file)));
        MessageRecorder rec;
        FakeWindows w;
        QVERIFY(!LoadPlugin(ReadPlugin(m_plg), w.t));
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(!w.t.mainPicture->pixmap().isNull(), mainChanged);
        QVERIFY(w.t.diaryPicture->pixmap().isNull());
        QVERIFY(w.t.calcPicture->pixmap().isNull());
        for (QWidget* c : w.FontControls())
            QCOMPARE(c->font().family(), QString("Design Sans"));
        QCOMPARE(w.marker(), QColor(0xA6, 0xCA, 0xF0));
    }

    // clang-format off
    void badPictures_data()
    {
        Columns<QString, QByteArray>({"reference", "bytes"});
        QTest::newRow("not scrambled") << "вид\\plain.jpg" << Encoded({5, 5}, "JPEG");
        QTest::newRow("bmp named jpg") << "вид\\bmp.jpg" << Scrambled(Encoded({5, 5}, "BMP"));
        QTest::newRow("short file") << "вид\\short.bmp" << QByteArray("BM\x01\x02", 4);
        QTest::newRow("empty file") << "вид\\empty.jpg" << QByteArray();
        QTest::newRow("metafile") << "вид\\pic.emf" << Scrambled(QByteArray(64, '\x01'));
        QTest::newRow("no extension") << "вид\\pic" << Scrambled(Encoded({5, 5}, "JPEG"));
        QTest::newRow("empty reference") << "" << QByteArray();
    }
    // clang-format on
    void badPictures()
    {
        auto [reference, bytes] = Fetch<QString, QByteArray>({"reference", "bytes"});
        const QString file = reference.isEmpty() ? QString() : ResolvePictureReference(m_folder, reference);
        if (!file.isEmpty())
            Put(file, bytes);
        QStringList lines = PluginLines();
        lines[33 - 1] = reference;
        WritePlugin(lines);
        MessageRecorder rec;
        FakeWindows w;
        QVERIFY(!LoadPlugin(ReadPlugin(m_plg), w.t));
        QCOMPARE(rec.boxes.size(), 1);
        QVERIFY(w.t.aboutPicture->pixmap().isNull());
        if (!file.isEmpty())
            QCOMPARE(Get(file), bytes);
    }

    // A key a later version adds is marked optional in the table: a file
    // without its lines still loads; a required key's missing line fails.
    // clang-format off
    void optionalKeys_data()
    {
        Columns<int, int, bool, int>({"first", "count", "optional", "has"}); // has: 1, 0, -1 refused
        QTest::newRow("required, there")         << 33 << 1 << false << 1;
        QTest::newRow("required, missing")       << 34 << 1 << false << -1;
        QTest::newRow("optional, there")         << 30 << 4 << true  << 1;
        QTest::newRow("optional, missing")       << 34 << 1 << true  << 0;
        QTest::newRow("optional, cut in half")   << 32 << 4 << true  << 0;
    }
    // clang-format on
    void optionalKeys()
    {
        auto [first, count, optional, has] = Fetch<int, int, bool, int>({"first", "count", "optional", "has"});
        const TPlgLines lines(PluginLines());
        const TPluginLines entry{TPluginKey::AboutPicture, first, count, optional};
        if (has < 0)
            QVERIFY_THROWS_EXCEPTION(TError, HasPluginLines(lines, entry));
        else
            QCOMPARE(HasPluginLines(lines, entry), has == 1);
    }

    // A picture is decoded whole at load whatever its format: one cut short
    // fails the plug-in, and the box says which picture and why.
    void cutPicturesAreRefused_data()
    {
        Columns<QString, QByteArray, QString>({"name", "bytes", "reason"});
        const QByteArray bmp = Encoded({37, 27}, "BMP"), ico = Encoded({16, 16}, "ICO");
        const QByteArray jpeg = Encoded({37, 27}, "JPEG");
        const QString cut = "файл обрезан";
        // clang-format off
        QTest::newRow("bmp whole")          << "a.bmp" << bmp                           << "";
        QTest::newRow("bmp, half")          << "a.bmp" << bmp.left(bmp.size() / 2)      << cut;
        QTest::newRow("bmp, 60 bytes")      << "a.bmp" << bmp.left(60)                  << cut;
        QTest::newRow("bmp, one byte less") << "a.bmp" << bmp.chopped(1)                << cut;
        QTest::newRow("bmp, headers only")  << "a.bmp" << bmp.left(30)                  << cut;
        QTest::newRow("ico whole")          << "a.ico" << ico                           << "";
        QTest::newRow("ico, half")          << "a.ico" << ico.left(ico.size() / 2)      << cut;
        QTest::newRow("jpeg, half")         << "a.jpg" << jpeg.left(jpeg.size() / 2)    << cut;
        QTest::newRow("jpeg, noise")        << "a.jpg" << QByteArray(600, '\x01') + "\xFF\xD9" << "файл повреждён";
        // clang-format on
    }
    void cutPicturesAreRefused()
    {
        auto [name, bytes, reason] = Fetch<QString, QByteArray, QString>({"name", "bytes", "reason"});
        Put(Pic(name), Scrambled(bytes));
        QStringList lines = PluginLines();
        lines[33 - 1] = "вид/" + name;
        WritePlugin(lines);
        MessageRecorder rec;
        FakeWindows w;
        QCOMPARE(LoadPlugin(ReadPlugin(m_plg), w.t), reason.isEmpty());
        const QString text = "Ошибка загрузки выбранного плагина!\nКартинка " + name + " не открывается: " + reason;
        QCOMPARE(rec.Texts(), reason.isEmpty() ? QStringList() : QStringList{text});
    }

    // A plug-in whose file name holds a control character is refused, and
    // never offered in the list.
    void controlCharacterInNameIsRefused()
    {
        const QString named = m_folder + "/a\nevil.plg";
        QVERIFY(QFile::copy(m_plg, named));
        MessageRecorder rec;
        FakeWindows w;
        QVERIFY(!LoadPlugin(ReadPlugin(named), w.t));
        QCOMPARE(rec.Texts(),
                 QStringList{"Ошибка загрузки выбранного плагина!\nВ имени файла плагина есть управляющий знак"});
        QVERIFY(w.t.mainPicture->pixmap().isNull());
    }

    // A window's picture is checked whole when the plug-in is applied: the
    // size its header gives must be the control's design size and its body
    // must decode, so nothing is left to fail at the first paint.
    void picturesAreCheckedAtLoad_data()
    {
        Columns<QString, QByteArray, bool>({"name", "bytes", "accepted"});
        const QByteArray jpeg = Encoded({638, 457}, "JPEG");
        QByteArray huge = Encoded({30, 30}, "BMP");
        for (int at : {18, 22}) // the header's width and height: 30000 each
            qToLittleEndian<qint32>(30000, huge.data() + at);
        // clang-format off
        QTest::newRow("design size")          << "ok.jpg"   << Scrambled(jpeg)                         << true;
        QTest::newRow("cut short")            << "cut.jpg"  << Scrambled(jpeg.left(jpeg.size() / 2))   << false;
        QTest::newRow("claims 30000 x 30000") << "huge.bmp" << Scrambled(huge)                         << false;
        QTest::newRow("a pixel too narrow")   << "less.jpg" << Scrambled(Encoded({637, 457}, "JPEG")) << false;
        // clang-format on
    }
    void picturesAreCheckedAtLoad()
    {
        auto [name, bytes, accepted] = Fetch<QString, QByteArray, bool>({"name", "bytes", "accepted"});
        Put(Pic(name), bytes);
        QWidget window;
        TPictureLabel* image = MakePictureLabel(&window, "Image1", {0, 0, 638, 457}, QStringLiteral(":/none"));
        bool loaded = true;
        try {
            ShowPluginPicture(image, ReadPluginPicture(m_folder, "вид/" + name, image->size()));
        } catch (const TError&) {
            loaded = false;
        }
        QCOMPARE(loaded, accepted);
    }

    // Pictures decoded ahead of the load are taken only while their file
    // holds the same bytes; whatever changed in between is read and checked
    // again, as without the prefetch.
    void prefetchedPicturesFollowTheFile_data()
    {
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QColor>("shown");
        const QByteArray blue = Encoded({40, 30}, "BMP", Qt::blue);
        // clang-format off
        QTest::newRow("unchanged")          << QByteArray()                            << true  << QColor(Qt::red);
        QTest::newRow("replaced")           << Scrambled(blue)                         << true  << QColor(Qt::blue);
        QTest::newRow("another size")       << Scrambled(Encoded({41, 30}, "BMP"))   << false << QColor();
        // clang-format on
    }
    void prefetchedPicturesFollowTheFile()
    {
        QFETCH(QByteArray, after);
        QFETCH(bool, accepted);
        QFETCH(QColor, shown);
        QStringList lines = PluginLines();
        lines[1] = "вид\\main.bmp";
        WritePlugin(lines);
        Put(Pic("main.bmp"), Scrambled(Encoded({40, 30}, "BMP", Qt::red)));
        TPicturePrefetch prefetch(m_plg);
        QTest::qWait(50);
        if (!after.isEmpty())
            Put(Pic("main.bmp"), after);
        QWidget window;
        TPictureLabel* image = MakePictureLabel(&window, "Image1", {0, 0, 40, 30}, QStringLiteral(":/none"));
        bool loaded = true;
        try {
            ShowPluginPicture(image, ReadPluginPicture(m_folder, lines[1], image->size()));
        } catch (const TError&) {
            loaded = false;
        }
        QCOMPARE(loaded, accepted);
        if (loaded)
            QCOMPARE(image->pixmap().toImage().pixelColor(5, 5), shown);
    }

    void otherKinds()
    {
        Put(Pic("Логотип.ICO"), Scrambled(Encoded({16, 16}, "ICO")));
        Put(Pic("big.JPEG"), Scrambled(Encoded({41, 31}, "JPEG")));
        QStringList lines = PluginLines();
        lines[2 - 1] = "вид/big.JPEG";
        lines[33 - 1] = "вид\\Логотип.ICO";
        WritePlugin(lines);
        MessageRecorder rec;
        FakeWindows w;
        QVERIFY(LoadPlugin(ReadPlugin(m_plg), w.t));
        QCOMPARE(w.pic(w.t.mainPicture), QSize(41, 31));
        QCOMPARE(w.t.aboutPicture->pixmap().size(), QSize(16, 16));
    }

    // clang-format off
    void picturesUnchanged_data()
    {
        Column<bool>("readOnly", {
            {"writable", false},
            {"read-only folder", true},
        });
    }
    // clang-format on
    void picturesUnchanged()
    {
        QFETCH(bool, readOnly);
        const QStringList files = {"main.jpg", "diary.jpg", "calc.jpg", "about.bmp"};
        QMap<QString, QByteArray> before;
        QMap<QString, QDateTime> stamps;
        for (const QString& f : files) {
            before[f] = Get(Pic(f));
            stamps[f] = QFileInfo(Pic(f)).lastModified();
        }
        const QString dir = m_folder + "/вид";
        if (readOnly) {
            for (const QString& f : files)
                QFile::setPermissions(Pic(f), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
            QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
        MessageRecorder rec;
        FakeWindows w;
        const bool ok = LoadPlugin(ReadPlugin(m_plg), w.t);
        const bool again = LoadPlugin(ReadPlugin(m_plg), w.t);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        for (const QString& f : files)
            QFile::setPermissions(Pic(f), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QVERIFY(ok && again);
        QVERIFY(rec.boxes.isEmpty());
        for (const QString& f : files) {
            QCOMPARE(Get(Pic(f)), before[f]);
            QCOMPARE(QFileInfo(Pic(f)).lastModified(), stamps[f]);
        }
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), files.size());
    }

    void missingPluginFile()
    {
        MessageRecorder rec;
        FakeWindows w;
        QVERIFY(!LoadPlugin(ReadPlugin(m_folder + "/нет.plg"), w.t));
        QVERIFY(!LoadPlugin(ReadPlugin(m_folder), w.t));
        // Neither a FIFO (which once hung the start) nor an endless device.
        const QString fifo = m_folder + "/канал.plg", zero = m_folder + "/ноль.plg";
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(QFile::link("/dev/zero", zero));
        QVERIFY(!LoadPlugin(ReadPlugin(fifo), w.t));
        QVERIFY(!LoadPlugin(ReadPlugin(zero), w.t));
        QFile::remove(fifo);
        QFile::remove(zero);
        QCOMPARE(rec.boxes.size(), 4);
        QVERIFY(w.t.mainPicture->pixmap().isNull());
    }

    // clang-format off
    void shippedPlugins_data()
    {
        Column<QString>("name", {
            {"стандарт", "стандарт"},
            {"тёмный", "тёмный"},
        });
    }
    // clang-format on
    void shippedPlugins()
    {
        QFETCH(QString, name);
        // The committed file: every value a plug-in reads is valid.
        const TPlgLines lines = ReadPlgFile(QStringLiteral(KELTO_PLUGIN_SOURCES "/") + name + ".plg");
        QCOMPARE(lines.count(), PluginLineCount);
        QLabel probe;
        for (const TPluginLines& row : PluginTable) {
            const int n = row.first;
            if (row.kind == TPluginValue::Font)
                ApplyFont(&probe,
                          ReadFontBlock(lines.line(n), lines.line(n + 1), lines.line(n + 2), lines.line(n + 3)));
            else if (row.kind == TPluginValue::Colour)
                (void)HexToColor(lines.line(n));
            else
                QVERIFY(lines.line(n).startsWith(name + "\\"));
        }

        const QString built = QStringLiteral(KELTO_DIR "/plugins/") + name + ".plg";
        QCOMPARE(Get(built), Get(QStringLiteral(KELTO_PLUGIN_SOURCES "/") + name + ".plg"));
        const QString pictures = QStringLiteral(KELTO_DIR "/plugins/") + name;
        if (QDir(pictures).entryList(QDir::Files).size() < 4)
            QSKIP("the design pictures are not drawn yet");
        MessageRecorder rec;
        FakeWindows w;
        QVERIFY(LoadPlugin(ReadPlugin(built), w.t));
        QVERIFY(rec.boxes.isEmpty());
        w.ExpectPictureSizes({638, 457}, {638, 308}, {638, 308}, {432, 198});
        // Stored scrambled: the plain form does not decode from the file.
        QVERIFY(QImage(pictures + "/main.jpg", "JPEG").isNull());
    }

    void closeMarkLiesInsideTheWindow_data() { shippedPlugins_data(); }
    void closeMarkLiesInsideTheWindow()
    {
        // The red close mark in the strip above the "Инфо" button: there,
        // and with plain header on every side, so no edge cuts it.
        QFETCH(QString, name);
        const QString path = QStringLiteral(KELTO_DIR "/plugins/") + name + "/main.jpg";
        if (!QFile::exists(path))
            QSKIP("the design pictures are not drawn yet");
        const QImage image = QImage::fromData(ReadUnscrambledPicture(path), "JPEG");
        QCOMPARE(image.size(), QSize(638, 457));
        const auto red = [&](int x, int y) {
            const QColor c = image.pixelColor(x, y);
            return c.red() > c.green() + 50 && c.red() > c.blue() + 50;
        };
        QRect box;
        for (int y = 0; y < 34; ++y)
            for (int x = 590; x < 638; ++x)
                if (red(x, y))
                    box |= QRect(x, y, 1, 1);
        QVERIFY2(box.width() >= 20, "no close mark in the top right corner");
        QVERIFY2(
            box.top() >= 1 && box.right() <= 636,
            qPrintable(
                QStringLiteral("mark at %1,%2 %3x%4").arg(box.x()).arg(box.y()).arg(box.width()).arg(box.height())));
        QVERIFY(box.left() >= 600 && box.bottom() < 8); // on the close hot spot's free strip
    }

    void choosePlugin()
    {
        // As the shell does it: the applied choice is remembered in ini.cnf.
        const auto Choose = [](auto& w) {
            if (const auto chosen
                = ChoosePlugin(&w.main, {}, [&w](const QString& p) { return LoadPlugin(ReadPlugin(p), w.t); }))
                RewriteAfterPluginChoice(*chosen);
        };
        Put(SettingsPath(), "old.plg\r\n1\r\nthree\r\n");
        QString seenStart;
        QString answer;
        SetPluginDialog([&](QWidget*, const QString& start) {
            seenStart = start;
            return answer;
        });
        MessageRecorder rec;
        FakeWindows w;

        Choose(w); // cancelled
        QCOMPARE(seenStart, m_program.dir.path());
        QCOMPARE(Get(SettingsPath()), QByteArray("old.plg\r\n1\r\nthree\r\n"));
        QVERIFY(w.t.mainPicture->pixmap().isNull());

        QStringList broken = PluginLines();
        broken[31 - 1] = "";
        Put(m_folder + "/плохой.plg", JoinCrLf(broken));
        answer = m_folder + "/плохой.plg";
        Choose(w);
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(Get(SettingsPath()), QByteArray("old.plg\r\n1\r\nthree\r\n"));

        answer = m_plg;
        Choose(w);
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(w.marker(), QColor(0xFF, 0x80, 0x00));
        // Inside the program folder: remembered relative to it.
        QCOMPARE(Get(SettingsPath()), JoinCrLf({"plugins/тест.plg", "1", "three"}));
        Choose(w); // the same one again
        QCOMPARE(Get(SettingsPath()), JoinCrLf({"plugins/тест.plg", "1", "three"}));
        SetPluginDialog({});
    }

    // The plug-ins of plugins/ by name; "Другой файл…" opens the file
    // dialog there.
    void realDialogSpeaksRussian()
    {
        // A name with a line break is not offered at all.
        QVERIFY(QFile::copy(m_plg, m_folder + "/a\nevil.plg"));
        FakeWindows w;
        QString title;
        QStringList names;
        QStringList filters;
        QString folder;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            title = dialog->windowTitle();
            const auto* list = dialog->findChild<QListWidget*>();
            for (int i = 0; list && i < list->count(); ++i)
                names << list->item(i)->text();
            QTimer::singleShot(0, this, [&, dialog] {
                auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                QVERIFY(files);
                filters = files->nameFilters();
                folder = files->directory().absolutePath();
                files->reject();
                QTimer::singleShot(0, dialog, &QDialog::reject);
            });
            for (auto* b : dialog->findChildren<QPushButton*>())
                if (b->text() == QStringLiteral("Другой файл…"))
                    b->click();
        });
        ChoosePlugin(&w.main, {}, [&w](const QString& p) { return LoadPlugin(ReadPlugin(p), w.t); });
        QCOMPARE(title, QStringLiteral("Выбор плагина оформления"));
        QCOMPARE(names.size(), 1); // "тест", marked when it is the one applied
        QVERIFY2(names[0].startsWith(QStringLiteral("тест")), qPrintable(names[0]));
        QCOMPARE(filters, QStringList{QStringLiteral("Плагины оформления (*.plg)")});
        QCOMPARE(folder, QDir(m_program.dir.path() + "/plugins").absolutePath());
        QVERIFY(!QFile::exists(SettingsPath()));
    }
};

QTEST_MAIN(TestSkin)
#include "test_skin.moc"
