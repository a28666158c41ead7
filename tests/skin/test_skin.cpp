// Plug-in reader, colour and font values, and LoadPlugin / ChoosePlugin on a
// stand-in of the two windows built from controls with the design names.
#include "gui/report.h"
#include "app/settingsfile.h"
#include "core/cp1251.h"
#include "core/programfolder.h"
#include "skin/plgformat.h"
#include "core/error.h"
#include "skin/view/plugin.h"
#include "gui/picturelabel.h"

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

#include <sys/stat.h>

using namespace kelto;

namespace {

const char* const FontControls[] = {
    "l1",         "l2",         "l3",        "l4",      "l5",        "Label37", "Label38", "Label5",  "Label6",
    "Label7",     "Label40",    "Label8",    "Label9",  "Label10",   "Label11", "Label12", "Label13", "Label14",
    "Label15",    "Label17",    "Label22",   "Label24", "Label29",   "Label35", "Label3",  "Label41", "Label42",
    "Label43",    "lSource",    "lFocRast",  "lSens",   "lPerimetr", "lExpo",   "lCount",  "Ldlin",   "lBlok",
    "focalCheck", "angleCheck", "wireCheck", "eYear",   "cbDay",     "reblok",  "eRast",   "ePatno",  "eDlin",
    "eDiam",      "eTol",       "cbSens",    "cbSheme", "lb",
};

// The main window's controls spread over two panels, as in the real window,
// and an About window with its own Image1.
struct FakeWindows {
    QWidget main;
    QWidget* about = nullptr;
    std::unique_ptr<QWidget> ownAbout;

    // `panel2Later`: Panel2 stays empty until BuildPanel2, as the
    // calculation view is built when first opened.
    explicit FakeWindows(bool aboutChildOfMain = false, bool panel2Later = false)
    {
        main.setObjectName("fMain");
        auto* panel1 = new QWidget(&main);
        panel1->setObjectName("Panel1");
        panel2 = new QWidget(&main);
        panel2->setObjectName("Panel2");
        (new QLabel(&main))->setObjectName("Image1");
        (new QLabel(panel1))->setObjectName("Image3");
        Build(panel1, panel2Later);
        auto* pCur = new QWidget(&main);
        pCur->setObjectName("pCur");
        QPalette pal = pCur->palette();
        pal.setColor(QPalette::Window, QColor(0xA6, 0xCA, 0xF0));
        pCur->setPalette(pal);
        if (aboutChildOfMain) {
            about = new QWidget(&main, Qt::Dialog);
        } else {
            ownAbout = std::make_unique<QWidget>();
            about = ownAbout.get();
        }
        about->setObjectName("fAbout");
        (new QLabel(about))->setObjectName("Image1");
    }
    void BuildPanel2() { Build(nullptr, false); }

    QWidget* panel2 = nullptr;

private:
    // The font controls of Panel1 and the main window (when `panel1` is
    // given) and of Panel2 (unless `skipPanel2`).
    void Build(QWidget* panel1, bool skipPanel2)
    {
        if (!skipPanel2)
            (new QLabel(panel2))->setObjectName("Image2");
        for (const char* n : FontControls) {
            const QString name = QLatin1String(n);
            QWidget* parent = name.startsWith("Label5") || name == "Label6" || name == "Label7" || name == "lBlok"
                    || name == "eYear" || name == "cbDay" || name == "reblok"
                ? panel1
                : name.startsWith('l') && name.size() == 2 ? &main
                                                           : panel2;
            if (panel1 ? parent == panel2 && skipPanel2 : parent != panel2)
                continue;
            QWidget* w = name.startsWith('e') || name.startsWith("cb") ? static_cast<QWidget*>(new QLineEdit(parent))
                                                                       : new QLabel(parent);
            w->setObjectName(name);
            QFont f = w->font();
            f.setFamily("Design Sans");
            f.setPointSize(8);
            w->setFont(f);
        }
    }

public:
    template <typename T = QWidget> T* c(const char* name) const
    {
        for (QWidget* w : main.findChildren<QWidget*>(QLatin1String(name)))
            if (w->window() == &main)
                return qobject_cast<T*>(w);
        return nullptr;
    }
    QLabel* aboutImage() const { return about->findChild<QLabel*>("Image1"); }
    QSize pic(const char* name) const { return c<QLabel>(name)->pixmap().size(); }
    QColor marker() const { return c("pCur")->palette().color(QPalette::Window); }
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

void Put(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray Get(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<missing>";
    return f.readAll();
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

struct Recorder {
    QStringList texts;
    QStringList captions;
    Recorder()
    {
        SetMessageHandler([this](const MessageRequest& r) {
            texts << r.text;
            captions << r.caption;
            return QMessageBox::Ok;
        });
    }
    ~Recorder() { SetMessageHandler({}); }
};

} // namespace

class TestSkin : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_plg;
    QString m_folder;

    QString Pic(const QString& rel) const { return m_folder + "/вид/" + rel; }

    void WritePlugin(const QStringList& lines) { Put(m_plg, JoinCrLf(lines)); }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_folder = m_dir.path() + "/plugins";
        m_plg = m_folder + "/тест.plg";
        QDir(m_folder).removeRecursively();
        Put(Pic("main.jpg"), Scrambled(Encoded({40, 30}, "JPEG")));
        Put(Pic("diary.jpg"), Scrambled(Encoded({39, 29}, "JPEG")));
        Put(Pic("calc.jpg"), Scrambled(Encoded({38, 28}, "JPEG")));
        Put(Pic("about.bmp"), Scrambled(Encoded({37, 27}, "BMP")));
        WritePlugin(PluginLines());
        SetProgramFolder(m_dir.path());
        QFile::remove(SettingsPath());
        SetPluginDialog({});
    }

    void hexToColor_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<uint>("value");
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
    void hexToColor()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(uint, value);
        if (ok)
            QCOMPARE(HexToColor(text), value);
        else
            QVERIFY_THROWS_EXCEPTION(Error, HexToColor(text));
    }

    void fontSize_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
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
    void fontSize()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        if (ok)
            QCOMPARE(ParseFontSize(text), value);
        else
            QVERIFY_THROWS_EXCEPTION(Error, ParseFontSize(text));
    }

    void plgLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
        QTest::newRow("mixed ends") << QByteArray("a\rb\nc") << QStringList{"a", "b", "c"};
        QTest::newRow("empty lines") << QByteArray("a\r\n\r\n\n") << QStringList{"a", "", ""};
        QTest::newRow("LF CR is two ends") << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
        QTest::newRow("NUL ends the text") << QByteArray("a\r\nb\0c\r\nd", 10) << QStringList{"a", "b"};
        QTest::newRow("nothing") << QByteArray() << QStringList{};
        QTest::newRow("blanks kept") << QByteArray(" x \t\r\n") << QStringList{" x \t"};
        QTest::newRow("cp1251") << QByteArray("\xf1\xf2\xe0\xed\xe4\xe0\xf0\xf2\\main.jpg")
                                << QStringList{"стандарт\\main.jpg"};
    }
    void plgLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QCOMPARE(ReadPlgLines(bytes), lines);
    }

    void pictureReferences_data()
    {
        QTest::addColumn<QString>("reference");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("backslash") << "вид\\main.jpg"
                                   << "/p/вид/main.jpg" << QByteArray("JPEG");
        QTest::newRow("slash") << "вид/a.JPEG"
                               << "/p/вид/a.JPEG" << QByteArray("JPEG");
        QTest::newRow("bmp upper") << "A.BMP"
                                   << "/p/A.BMP" << QByteArray("BMP");
        QTest::newRow("icon") << "i.ico"
                              << "/p/i.ico" << QByteArray("ICO");
        QTest::newRow("metafile") << "m.emf"
                                  << "/p/m.emf" << QByteArray();
        QTest::newRow("wmf") << "m.WMF"
                             << "/p/m.WMF" << QByteArray();
        QTest::newRow("png") << "p.png"
                             << "/p/p.png" << QByteArray();
        QTest::newRow("empty names the folder") << ""
                                                << "/p/" << QByteArray();
        QTest::newRow("dot in folder only") << "a.jpg\\x"
                                            << "/p/a.jpg/x" << QByteArray();
    }
    void pictureReferences()
    {
        QFETCH(QString, reference);
        QFETCH(QString, path);
        QFETCH(QByteArray, format);
        const QString full = ResolvePictureReference("/p", reference);
        QCOMPARE(full, path);
        if (format.isEmpty())
            QVERIFY_THROWS_EXCEPTION(Error, PictureFormatFor(full));
        else
            QCOMPARE(PictureFormatFor(full), format);
    }

    void toggleHeader()
    {
        const QString path = m_dir.path() + "/t.bin";
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
        QVERIFY(!TogglePictureHeader(m_dir.path() + "/absent.jpg"));
        QVERIFY(!TogglePictureHeader(m_dir.path()));
    }

    void applyFontStyles_data()
    {
        QTest::addColumn<QString>("style");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        QTest::addColumn<bool>("underline");
        QTest::addColumn<bool>("strike");
        QTest::newRow("bold and underline") << "fsBold,fsUnderline" << true << false << true << false;
        QTest::newRow("all in brackets") << "[fsBold, fsItalic, fsUnderline, fsStrikeOut]" << true << true << true
                                         << true;
        QTest::newRow("glued") << "xfsItalicfsStrikeOuty" << false << true << false << true;
        QTest::newRow("empty") << "" << false << false << false << false;
        QTest::newRow("no style") << "обычный" << false << false << false << false;
        QTest::newRow("lower case") << "fsbold,fsitalic" << false << false << false << false;
    }
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
        ApplyFont(&label, "Some Font", "11", "#102030", style);
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

        ApplyFont(&edit, "Lead Font", " 15", "#FF0000", "");
        QCOMPARE(edit.font().pointSize(), 15);
        QVERIFY(!edit.font().italic());

        edit.setFont(f);
        QPalette pal = edit.palette();
        pal.setColor(QPalette::Text, oldColour);
        edit.setPalette(pal);
        QVERIFY_THROWS_EXCEPTION(Error, ApplyFont(&edit, "New Font", "15 ", "#FF0000", "fsBold"));
        QCOMPARE(edit.font().family(), QString("New Font"));
        QCOMPARE(edit.font().pointSize(), 8);
        QVERIFY(edit.font().italic());
        QVERIFY(!edit.font().bold());
        QCOMPARE(edit.palette().color(QPalette::Text), oldColour);

        // A bad colour keeps name and size, not the old style.
        QVERIFY_THROWS_EXCEPTION(Error, ApplyFont(&edit, "Third", "20", "", "fsBold"));
        QCOMPARE(edit.font().family(), QString("Third"));
        QCOMPARE(edit.font().pointSize(), 20);
        QVERIFY(edit.font().italic());
        QCOMPARE(edit.palette().color(QPalette::Text), oldColour);
    }

    void loadFullPlugin_data()
    {
        QTest::addColumn<bool>("aboutChildOfMain");
        QTest::newRow("separate About window") << false;
        QTest::newRow("About window owned by main") << true;
    }
    void loadFullPlugin()
    {
        QFETCH(bool, aboutChildOfMain);
        Recorder rec;
        FakeWindows w(aboutChildOfMain);
        QVERIFY(LoadPlugin(m_plg, &w.main, w.about));
        QVERIFY(rec.texts.isEmpty());
        QCOMPARE(w.pic("Image1"), QSize(40, 30));
        QCOMPARE(w.pic("Image3"), QSize(39, 29));
        QCOMPARE(w.pic("Image2"), QSize(38, 28));
        QCOMPARE(w.aboutImage()->pixmap().size(), QSize(37, 27));
        QCOMPARE(w.c<QLabel>("Image1")->alignment(), Qt::AlignLeft | Qt::AlignTop);

        struct Expect {
            const char* first;
            const char* last;
            const char* family;
            int size;
            QColor colour;
        };
        const Expect blocks[] = {
            {"l1", "l5", "Menu Font", 10, QColor(0x11, 0x22, 0x33)},
            {"Label37", "Label40", "Head Font", 11, QColor(0x22, 0x33, 0x44)},
            {"Label8", "lSource", "Caption Font", 12, QColor(0x33, 0x44, 0x55)},
            {"lFocRast", "wireCheck", "Value Font", 13, QColor(0x44, 0x55, 0x66)},
            {"eYear", "lb", "Input Font", 14, QColor(0x55, 0x66, 0x77)},
        };
        int i = 0;
        for (const Expect& e : blocks) {
            bool inBlock = false;
            for (; i < int(std::size(FontControls)); ++i) {
                const QString name = FontControls[i];
                inBlock = inBlock || name == e.first;
                QVERIFY(inBlock);
                QWidget* c = w.c(FontControls[i]);
                QVERIFY2(c, FontControls[i]);
                QCOMPARE(c->font().family(), QString(e.family));
                QCOMPARE(c->font().pointSize(), e.size);
                QCOMPARE(c->palette().color(QPalette::WindowText), e.colour);
                if (name == e.last) {
                    ++i;
                    break;
                }
            }
        }
        QCOMPARE(i, int(std::size(FontControls)));
        QVERIFY(w.c("l3")->font().bold());
        QVERIFY(w.c("Label5")->font().italic());
        QVERIFY(w.c("lBlok")->font().underline() && w.c("lBlok")->font().bold());
        QVERIFY(!w.c("lb")->font().bold());
        QCOMPARE(w.marker(), QColor(0xFF, 0x80, 0x00));
        QVERIFY(w.c("pCur")->autoFillBackground());
    }

    void stepsKeptForAViewBuiltLater_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("value");
        // clang-format off
        QTest::newRow("whole plug-in")            << 0  << "Тестовый вид";
        QTest::newRow("bad caption size")         << 16 << "x";
        QTest::newRow("bad value colour")         << 22 << "#zz";
        QTest::newRow("bad input size")           << 26 << "1 2";
        QTest::newRow("calculation picture gone") << 3  << "вид/нет.jpg";
        QTest::newRow("calculation picture junk") << 3  << "вид/junk.jpg";
        // clang-format on
    }
    void stepsKeptForAViewBuiltLater()
    {
        QFETCH(int, line);
        QFETCH(QString, value);
        QStringList lines = PluginLines();
        lines[line] = value;
        WritePlugin(lines);
        Put(Pic("junk.jpg"), "no picture");
        Recorder r;
        FakeWindows eager, lazy(false, true);
        TSkinLater later;
        const bool ok = LoadPlugin(m_plg, &eager.main, eager.about);
        QCOMPARE(ok, line == 0);
        QCOMPARE(LoadPlugin(m_plg, &lazy.main, lazy.about, &later), ok);
        QCOMPARE(r.texts.size(), ok ? 0 : 2);
        lazy.BuildPanel2();
        later.ApplyTo(lazy.panel2);
        // Nothing is said again when the view is built, and it looks as if
        // it had been there from the start.
        QCOMPARE(r.texts.size(), ok ? 0 : 2);
        QCOMPARE(lazy.pic("Image2"), eager.pic("Image2"));
        for (QWidget* w : eager.panel2->findChildren<QWidget*>()) {
            const QWidget* twin = lazy.c(qPrintable(w->objectName()));
            QVERIFY2(twin, qPrintable(w->objectName()));
            QCOMPARE(twin->font(), w->font());
            QCOMPARE(twin->palette().color(QPalette::WindowText), w->palette().color(QPalette::WindowText));
        }
        // Built now, the view is found: a later plug-in goes straight to it.
        WritePlugin(PluginLines());
        QVERIFY(LoadPlugin(m_plg, &lazy.main, lazy.about, &later));
        QCOMPARE(lazy.c("Label8")->font().family(), QStringLiteral("Caption Font"));
    }

    void thirtyTwoLines()
    {
        QStringList lines = PluginLines();
        lines.removeLast();
        WritePlugin(lines);
        Recorder rec;
        FakeWindows w;
        QVERIFY(!LoadPlugin(m_plg, &w.main, w.about));
        QCOMPARE(rec.texts, QStringList{"Ошибка загрузки выбранного плагина!"});
        QCOMPARE(rec.captions, QStringList{"Кельто"});
        QCOMPARE(w.pic("Image1"), QSize(40, 30));
        QCOMPARE(w.c("lb")->font().family(), QString("Input Font"));
        QCOMPARE(w.marker(), QColor(0xFF, 0x80, 0x00));
        QVERIFY(w.aboutImage()->pixmap().isNull());
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
        Recorder rec;
        FakeWindows w;
        QVERIFY(LoadPlugin(m_plg, &w.main, w.about));
        QVERIFY(rec.texts.isEmpty());
    }

    void badValueFontSize()
    {
        QStringList lines = PluginLines();
        lines[22 - 1] = "13 ";
        WritePlugin(lines);
        Recorder rec;
        FakeWindows w;
        const QColor marker = w.marker();
        QVERIFY(!LoadPlugin(m_plg, &w.main, w.about));
        QCOMPARE(rec.texts.size(), 1);
        QCOMPARE(w.c("Label3")->font().family(), QString("Caption Font"));
        QCOMPARE(w.c("lFocRast")->font().family(), QString("Value Font"));
        QCOMPARE(w.c("lFocRast")->font().pointSize(), 8);
        for (const char* n : {"lSens", "lBlok", "eYear", "lb"}) {
            QCOMPARE(w.c(n)->font().family(), QString("Design Sans"));
            QCOMPARE(w.c(n)->font().pointSize(), 8);
        }
        QCOMPARE(w.marker(), marker);
        QVERIFY(w.aboutImage()->pixmap().isNull());
        QVERIFY(!QFile::exists(SettingsPath()));
    }

    void missingPictures_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("mainChanged");
        QTest::newRow("line 2") << "main.jpg" << false;
        QTest::newRow("line 3") << "diary.jpg" << true;
    }
    void missingPictures()
    {
        QFETCH(QString, file);
        QFETCH(bool, mainChanged);
        QVERIFY(QFile::remove(Pic(file)));
        Recorder rec;
        FakeWindows w;
        QVERIFY(!LoadPlugin(m_plg, &w.main, w.about));
        QCOMPARE(rec.texts.size(), 1);
        QCOMPARE(!w.c<QLabel>("Image1")->pixmap().isNull(), mainChanged);
        QVERIFY(w.c<QLabel>("Image3")->pixmap().isNull());
        QVERIFY(w.c<QLabel>("Image2")->pixmap().isNull());
        for (const char* n : FontControls)
            QCOMPARE(w.c(n)->font().family(), QString("Design Sans"));
        QCOMPARE(w.marker(), QColor(0xA6, 0xCA, 0xF0));
    }

    void badPictures_data()
    {
        QTest::addColumn<QString>("reference");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("not scrambled") << "вид\\plain.jpg" << Encoded({5, 5}, "JPEG");
        QTest::newRow("bmp named jpg") << "вид\\bmp.jpg" << Scrambled(Encoded({5, 5}, "BMP"));
        QTest::newRow("short file") << "вид\\short.bmp" << QByteArray("BM\x01\x02", 4);
        QTest::newRow("empty file") << "вид\\empty.jpg" << QByteArray();
        QTest::newRow("metafile") << "вид\\pic.emf" << Scrambled(QByteArray(64, '\x01'));
        QTest::newRow("no extension") << "вид\\pic" << Scrambled(Encoded({5, 5}, "JPEG"));
        QTest::newRow("empty reference") << "" << QByteArray();
    }
    void badPictures()
    {
        QFETCH(QString, reference);
        QFETCH(QByteArray, bytes);
        const QString file = reference.isEmpty() ? QString() : ResolvePictureReference(m_folder, reference);
        if (!file.isEmpty())
            Put(file, bytes);
        QStringList lines = PluginLines();
        lines[33 - 1] = reference;
        WritePlugin(lines);
        Recorder rec;
        FakeWindows w;
        QVERIFY(!LoadPlugin(m_plg, &w.main, w.about));
        QCOMPARE(rec.texts.size(), 1);
        QVERIFY(w.aboutImage()->pixmap().isNull());
        if (!file.isEmpty())
            QCOMPARE(Get(file), bytes);
    }

    // A window's picture is checked whole when the plug-in is applied: the
    // size its header gives must be the control's design size and its body
    // must decode, so nothing is left to fail at the first paint.
    void picturesAreCheckedAtLoad_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("accepted");
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
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, accepted);
        Put(Pic(name), bytes);
        QWidget window;
        TPictureLabel* image = MakePictureLabel(&window, "Image1", {0, 0, 638, 457}, QStringLiteral(":/none"));
        bool loaded = true;
        try {
            LoadPictureInto(image, m_folder, "вид/" + name);
        } catch (const Error&) {
            loaded = false;
        }
        QCOMPARE(loaded, accepted);
    }

    void otherKinds()
    {
        Put(Pic("Логотип.ICO"), Scrambled(Encoded({16, 16}, "ICO")));
        Put(Pic("big.JPEG"), Scrambled(Encoded({41, 31}, "JPEG")));
        QStringList lines = PluginLines();
        lines[2 - 1] = "вид/big.JPEG";
        lines[33 - 1] = "вид\\Логотип.ICO";
        WritePlugin(lines);
        Recorder rec;
        FakeWindows w;
        QVERIFY(LoadPlugin(m_plg, &w.main, w.about));
        QCOMPARE(w.pic("Image1"), QSize(41, 31));
        QCOMPARE(w.aboutImage()->pixmap().size(), QSize(16, 16));
    }

    void picturesUnchanged_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("writable") << false;
        QTest::newRow("read-only folder") << true;
    }
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
        Recorder rec;
        FakeWindows w;
        const bool ok = LoadPlugin(m_plg, &w.main, w.about);
        const bool again = LoadPlugin(m_plg, &w.main, w.about);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        for (const QString& f : files)
            QFile::setPermissions(Pic(f), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QVERIFY(ok && again);
        QVERIFY(rec.texts.isEmpty());
        for (const QString& f : files) {
            QCOMPARE(Get(Pic(f)), before[f]);
            QCOMPARE(QFileInfo(Pic(f)).lastModified(), stamps[f]);
        }
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), files.size());
    }

    void missingPluginFile()
    {
        Recorder rec;
        FakeWindows w;
        QVERIFY(!LoadPlugin(m_folder + "/нет.plg", &w.main, w.about));
        QVERIFY(!LoadPlugin(m_folder, &w.main, w.about));
        // Neither a FIFO (which once hung the start) nor an endless device.
        const QString fifo = m_folder + "/канал.plg", zero = m_folder + "/ноль.plg";
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(QFile::link("/dev/zero", zero));
        QVERIFY(!LoadPlugin(fifo, &w.main, w.about));
        QVERIFY(!LoadPlugin(zero, &w.main, w.about));
        QFile::remove(fifo);
        QFile::remove(zero);
        QCOMPARE(rec.texts.size(), 4);
        QVERIFY(w.c<QLabel>("Image1")->pixmap().isNull());
    }

    void shippedPlugins_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("стандарт") << "стандарт";
        QTest::newRow("тёмный") << "тёмный";
    }
    void shippedPlugins()
    {
        QFETCH(QString, name);
        // The committed file: every value a plug-in reads is valid.
        const TPlgLines lines = ReadPlgFile(QStringLiteral(KELTO_PLUGIN_SOURCES "/") + name + ".plg");
        QCOMPARE(lines.count(), PluginLineCount);
        QLabel probe;
        for (int block : {6, 11, 16, 21, 26})
            ApplyFont(&probe, lines.line(block), lines.line(block + 1), lines.line(block + 2), lines.line(block + 3));
        (void)HexToColor(lines.line(31));
        for (int n : {2, 3, 4, 33})
            QVERIFY(lines.line(n).startsWith(name + "\\"));

        const QString built = QStringLiteral(KELTO_DIR "/plugins/") + name + ".plg";
        QCOMPARE(Get(built), Get(QStringLiteral(KELTO_PLUGIN_SOURCES "/") + name + ".plg"));
        const QString pictures = QStringLiteral(KELTO_DIR "/plugins/") + name;
        if (QDir(pictures).entryList(QDir::Files).size() < 4)
            QSKIP("the design pictures are not drawn yet");
        Recorder rec;
        FakeWindows w;
        QVERIFY(LoadPlugin(built, &w.main, w.about));
        QVERIFY(rec.texts.isEmpty());
        QCOMPARE(w.pic("Image1"), QSize(638, 457));
        QCOMPARE(w.pic("Image3"), QSize(638, 308));
        QCOMPARE(w.pic("Image2"), QSize(638, 308));
        QCOMPARE(w.aboutImage()->pixmap().size(), QSize(432, 198));
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
            if (const auto chosen = ChoosePlugin(&w.main, w.about))
                RewriteAfterPluginChoice(*chosen);
        };
        Put(SettingsPath(), "old.plg\r\n1\r\nthree\r\n");
        QString seenStart;
        QString answer;
        SetPluginDialog([&](QWidget*, const QString& start) {
            seenStart = start;
            return answer;
        });
        Recorder rec;
        FakeWindows w;

        Choose(w); // cancelled
        QCOMPARE(seenStart, m_dir.path());
        QCOMPARE(Get(SettingsPath()), QByteArray("old.plg\r\n1\r\nthree\r\n"));
        QVERIFY(w.c<QLabel>("Image1")->pixmap().isNull());

        QStringList broken = PluginLines();
        broken[31 - 1] = "";
        Put(m_folder + "/плохой.plg", JoinCrLf(broken));
        answer = m_folder + "/плохой.plg";
        Choose(w);
        QCOMPARE(rec.texts.size(), 1);
        QCOMPARE(Get(SettingsPath()), QByteArray("old.plg\r\n1\r\nthree\r\n"));

        answer = m_plg;
        Choose(w);
        QCOMPARE(rec.texts.size(), 1);
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
        ChoosePlugin(&w.main, w.about);
        QCOMPARE(title, QStringLiteral("Выбор плагина оформления"));
        QCOMPARE(names.size(), 1); // "тест", marked when it is the one applied
        QVERIFY2(names[0].startsWith(QStringLiteral("тест")), qPrintable(names[0]));
        QCOMPARE(filters, QStringList{QStringLiteral("Плагины оформления (*.plg)")});
        QCOMPARE(folder, QDir(m_dir.path() + "/plugins").absolutePath());
        QVERIFY(!QFile::exists(SettingsPath()));
    }
};

QTEST_MAIN(TestSkin)
#include "test_skin.moc"
