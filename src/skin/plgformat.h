// The appearance plug-in file (.plg): its lines, colour and font values and
// the scrambled picture header. QtCore only.
#pragma once
#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace kelto {

// The one byte every shipped picture's first 12 bytes are XOR-ed with.
// Plug-ins prepared for this program must use the same value.
inline constexpr std::uint8_t PictureKey = 0x5A;
inline constexpr int PictureHeaderSize = 12;

// The plug-in applied when none is remembered, relative to the program folder.
inline constexpr const char* DefaultPluginName = "plugins/стандарт.plg";
// ProgramFolder() + DefaultPluginName.
QString DefaultPluginPath();

// A name with a control character (a line break among them) is never a
// plug-in: it could not be written as one line of ini.cnf.
bool HoldsControlCharacter(const QString& name);

// A plug-in has at least this many lines; later ones are never read.
inline constexpr int PluginLineCount = 33;

// What a plug-in sets, each on its lines: the one table of keys, their
// line numbers and what the lines hold. A key marked optional may be
// missing from a file (one made before the key was added), which then
// leaves that part as it is. The rows stand in the order a plug-in is
// applied.
enum class TPluginKey {
    MainPicture,
    DiaryPicture,
    CalcPicture,
    MenuFont,
    HeadingFont,
    CaptionFont,
    ValueFont,
    InputFont,
    Marker,
    AboutPicture,
};
// A picture reference (one line), a font block (name, size, colour,
// styles: four lines) or a colour (one line).
enum class TPluginValue { Picture, Font, Colour };
struct TPluginLines {
    TPluginKey key;
    int first; // line number, from 1
    int count;
    bool optional;
    TPluginValue kind = TPluginValue::Picture;
};
inline constexpr TPluginLines PluginTable[] = {
    {TPluginKey::MainPicture, 2, 1, false, TPluginValue::Picture},
    {TPluginKey::DiaryPicture, 3, 1, false, TPluginValue::Picture},
    {TPluginKey::CalcPicture, 4, 1, false, TPluginValue::Picture},
    {TPluginKey::MenuFont, 6, 4, false, TPluginValue::Font},
    {TPluginKey::HeadingFont, 11, 4, false, TPluginValue::Font},
    {TPluginKey::CaptionFont, 16, 4, false, TPluginValue::Font},
    {TPluginKey::ValueFont, 21, 4, false, TPluginValue::Font},
    {TPluginKey::InputFont, 26, 4, false, TPluginValue::Font},
    {TPluginKey::Marker, 31, 1, false, TPluginValue::Colour},
    {TPluginKey::AboutPicture, 33, 1, false, TPluginValue::Picture},
};
// Colour value 0x00BBGGRR: red in the lowest byte.
using TColor = std::uint32_t;

// Font style set: bold 1, italic 2, underline 4, strike-out 8.
enum TFontStyle : unsigned {
    fsBold = 1,
    fsItalic = 2,
    fsUnderline = 4,
    fsStrikeOut = 8,
};
using TFontStyles = unsigned;

// Splits code-page-1251 text into lines: CR LF, lone CR and lone LF end a
// line, a NUL ends the text, a last line without an end still counts.
// Nothing is trimmed.
QStringList ReadPlgLines(const QByteArray& bytes);

// The plug-in's lines, each as it stands. `lineNo` counts from 1; a line
// the file does not have is an error (kelto::TError).
class TPlgLines {
public:
    explicit TPlgLines(QStringList lines)
        : m_lines(std::move(lines))
    {
    }
    const QString& line(int lineNo) const;
    int count() const { return int(m_lines.size()); }

private:
    QStringList m_lines;
};

// Whether `lines` hold the entry's lines. A required entry's missing line
// is an error (kelto::TError); an optional one's is false.
bool HasPluginLines(const TPlgLines& lines, const TPluginLines& entry);

// Reads the file at `path` (kelto::TError when it cannot be read).
TPlgLines ReadPlgFile(const QString& path);

// "#FF8000" / "FF8000" -> 0x000080FF. Throws kelto::TError when fewer than six
// characters remain after the "#" rule or one of the first six is not a
// hexadecimal digit.
TColor HexToColor(const QString& text);

// Font size text: optional leading blanks, optional sign, decimal digits and
// nothing else. Throws kelto::TError otherwise (also when out of int range).
int ParseFontSize(const QString& text);

// Styles whose exact-case names occur anywhere in `text`.
TFontStyles ParseFontStyles(const QString& text);

// One font block as read. The design toolkit took a block step by step, so
// one whose size does not read still names its font, and one whose colour
// does not read also keeps its size: `read` says how far it got, and
// `problem` why it stopped there.
struct TPluginFont {
    enum class TRead { Name, Size, Whole };
    QString name;
    int size = 0; // points; negative: a character height in pixels at 96 dpi; 0 keeps the size
    TColor colour = 0;
    TFontStyles styles = 0;
    TRead read = TRead::Whole;
    QString problem;
};
// The block's four lines as values. Never throws.
TPluginFont ReadFontBlock(const QString& name, const QString& size, const QString& colour, const QString& style);

// A picture reference resolved against the plug-in's folder. "\" and "/"
// both separate folders in the reference.
QString ResolvePictureReference(const QString& pluginFolder, const QString& reference);

// The decoder a picture file takes by its extension (case-insensitive):
// "JPEG", "BMP" or "ICO". Metafiles and anything else are errors.
QByteArray PictureFormatFor(const QString& path);

// A picture's size as its header gives it against the size of the control
// it is made for: anything else (a picture cut, or one claiming a size that
// would take gigabytes to decode) fails the plug-in. Throws kelto::TError.
void CheckPictureSize(const QSize& picture, const QSize& design);

// Whether the picture's bytes run to their format's end: a picture cut
// short still decodes (its missing rows black or grey), so a BMP is held
// to the length its headers give, an icon to its images' places and a
// JPEG to its end marker.
bool PictureBodyIsWhole(const QByteArray& bytes, const QByteArray& format);

// XORs the first 12 bytes of `bytes` with PictureKey; shorter data is left
// alone (such a file is never scrambled either).
void ToggleHeaderInMemory(QByteArray& bytes);

// The picture file's bytes in their plain form, read without touching the
// file. Throws kelto::TError when the file cannot be read. The errors of the
// picture functions are short reasons the load puts after the picture's name.
QByteArray ReadUnscrambledPicture(const QString& path);

// Toggles the stored header of the file in place (for preparing pictures).
// False, with the file unchanged, when it cannot be opened for reading and
// writing or is shorter than 12 bytes. Never throws.
bool TogglePictureHeader(const QString& path);

} // namespace kelto
