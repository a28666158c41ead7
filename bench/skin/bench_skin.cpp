// LoadPlugin of the default plug-in onto windows with every control a
// plug-in reaches. Goal: under 15 ms a load.
//
// Uses the built program folder's plugins/стандарт.plg when its pictures are
// there; otherwise a stand-in of the same shape (design-sized pictures).
#include "gui/report.h"
#include "core/textfile.h"
#include "skin/plgformat.h"
#include "skin/view/plugin.h"
#include "gui/skintargets.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

void WritePicture(const QString& path, QSize size, const char* format)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(QColor(0xD4, 0xD0, 0xC8));
    QPainter p(&img);
    for (int y = 0; y < size.height(); y += 7)
        p.fillRect(0, y, size.width(), 2, QColor((y * 13) % 256, 120, 200));
    p.end();
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format);
    kelto::ToggleHeaderInMemory(bytes);
    QDir().mkpath(QFileInfo(path).path());
    kelto::WriteFileAtomically(path, bytes);
}

QString PluginPath(QTemporaryDir& dir)
{
    const QString shipped = QStringLiteral(KELTO_DIR "/plugins/стандарт.plg");
    const QString folder = QStringLiteral(KELTO_DIR "/plugins/стандарт/");
    bool complete = QFile::exists(shipped);
    for (const char* f : {"main.jpg", "diary.jpg", "calc.jpg", "about.bmp"})
        complete = complete && QFile::exists(folder + QLatin1String(f));
    if (complete) {
        std::fprintf(stderr, "bench_skin: %s\n", qPrintable(shipped));
        return shipped;
    }
    const QString root = dir.path() + QStringLiteral("/plugins");
    WritePicture(root + "/стандарт/main.jpg", {638, 457}, "JPEG");
    WritePicture(root + "/стандарт/diary.jpg", {638, 308}, "JPEG");
    WritePicture(root + "/стандарт/calc.jpg", {638, 308}, "JPEG");
    WritePicture(root + "/стандарт/about.bmp", {432, 198}, "BMP");
    QFile::copy(QStringLiteral(KELTO_SOURCE_PLUGIN), root + "/стандарт.plg");
    std::fprintf(stderr, "bench_skin: shipped pictures missing, using a stand-in\n");
    return root + "/стандарт.plg";
}

void BM_LoadDefaultPlugin(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = PluginPath(dir);
    // The loader sees lists only; the controls' kinds and numbers are the
    // windows' own.
    QWidget main;
    QWidget about;
    kelto::TSkinTargets targets;
    targets.mainPicture = new QLabel(&main);
    targets.diaryPicture = new QLabel(&main);
    targets.calcPicture = new QLabel(&main);
    const auto labels = [&](int count) {
        std::vector<QWidget*> list;
        for (int i = 0; i < count; ++i)
            list.push_back(new QLabel(&main));
        return list;
    };
    targets.menuLabels = labels(5);
    targets.headings = labels(6);
    targets.captions = labels(18);
    targets.values = labels(10);
    for (int i = 0; i < 11; ++i)
        targets.inputs.push_back(new QLineEdit(&main));
    targets.marker = new QWidget(&main);
    targets.aboutPicture = new QLabel(&about);
    int failures = 0;
    kelto::SetMessageHandler([&](const kelto::TMessageRequest&) {
        ++failures;
        return QMessageBox::Ok;
    });
    for (auto _ : state)
        benchmark::DoNotOptimize(kelto::LoadPlugin(kelto::ReadPlugin(path, kelto::DesignSizes(targets)), targets));
    kelto::SetMessageHandler({});
    if (failures)
        state.SkipWithError("the plug-in did not load");
}
BENCHMARK(BM_LoadDefaultPlugin)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
