// The program's form files (iso.cnf, source.cnf, card.cnf, calc.cnf and
// those added later): one line per value, CR LF. A file read but not read
// whole is kept byte for byte as <name>.bak before anything writes over it.
// QtCore only.
#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <span>

namespace kelto {

// How a form file holds its text: code page 1251 (numbers and names), or
// UTF-8 with a byte-order mark (free text, which 1251 would turn into "?");
// a free-text file without the mark is read as 1251, as older ones are.
enum class TFormText { Cp1251, Utf8WithMark };

// The limits of a form file the program reads.
inline constexpr qint64 FormFileLimit = 1 << 16;
inline constexpr int FormLineLimit = 1000;

struct TFormFileRead {
    // The leading lines that could be read, at most the format's count.
    QStringList lines;
    // False when the file is there but not as the program writes it: too
    // large, a NUL byte, a line over FormLineLimit, another encoding, too few
    // or too many lines. Its valid leading lines are still in `lines`.
    bool whole = true;
};

// Reads a form file of `lineCount` lines (at least `lineCount`, more kept
// in `lines`, when `extraAllowed`). A missing file, or one that is no
// regular file, reads as no lines and whole: there is nothing to keep.
TFormFileRead ReadFormFile(const QString& path, int lineCount, TFormText text, bool extraAllowed = false);
// The same on bytes already read (`truncated`: more bytes followed).
TFormFileRead ReadFormBytes(const QByteArray& bytes, int lineCount, TFormText text, bool extraAllowed = false,
                            bool truncated = false);

// A value as one line: line breaks and other control characters become
// spaces, so no value can shift the lines after it.
QString OneLine(const QString& value);
// The lines of a form file, each made one line, in its text form.
QByteArray FormFileBytes(const QStringList& lines, TFormText text);

// Copies the file at `path` byte for byte to path + ".bak"; an older,
// different copy there is first moved aside to ".bak.1" (or the next free
// number), so no unread file is ever overwritten. The reason on failure.
std::optional<QString> KeepUnreadCopy(const QString& path, const QByteArray& bytes);
QString UnreadCopyPath(const QString& path);

// "Файл iso.cnf не прочитан: сохранена копия iso.cnf.bak"
QString UnreadFileNote(const QString& path);

// The rule of one line of a form: takes the line into `form`, or refuses it.
template <class TForm>
using TLineRule = bool (*)(const QString& line, TForm& form);

// The leading lines taken into `form` by the rules of their places, up to
// the first line refused; how many were taken.
template <class TForm>
int TakeLeadingLines(const QStringList& lines, std::span<const TLineRule<TForm>> rules, TForm& form)
{
    int taken = 0;
    while (taken < lines.size() && size_t(taken) < rules.size() && rules[size_t(taken)](lines[taken], form))
        ++taken;
    return taken;
}

// `form` with the lines of `bytes`, only when the file is read whole and
// `take` accepts every line.
template <class TForm>
std::optional<TForm> ParseFormBytes(const QByteArray& bytes, TForm form, int lineCount, TFormText text,
                                    int (*take)(const QStringList&, TForm&), bool extraAllowed = false)
{
    const TFormFileRead r = ReadFormBytes(bytes, lineCount, text, extraAllowed);
    if (!r.whole || take(r.lines, form) < r.lines.size())
        return std::nullopt;
    return form;
}

// One form file of a window: read through the reader above, and saved so
// that a file not read whole is first kept as <name>.bak.
class TFormFileKeeper {
public:
    explicit TFormFileKeeper(QString path = {});

    const QString& Path() const { return m_path; }
    // ReadFormFile; a file not read whole waits to be kept.
    TFormFileRead Read(int lineCount, TFormText text, bool extraAllowed = false);
    // The lines read were not all taken: the file waits to be kept too.
    void MarkUnread() { m_unread = true; }
    // `form` with the leading lines the form's `take` accepts (it answers
    // how many); a file not taken whole waits to be kept.
    template <class TForm>
    TForm ReadForm(TForm form, int lineCount, TFormText text, int (*take)(const QStringList&, TForm&),
                   bool extraAllowed = false)
    {
        const TFormFileRead r = Read(lineCount, text, extraAllowed);
        if (take(r.lines, form) < r.lines.size())
            m_unread = true;
        return form;
    }
    // UnreadFileNote while such a file waits, else empty.
    QString Note() const;
    // Keeps a waiting file as .bak first, then writes `bytes` atomically;
    // the reason on failure (nothing is written over the file then).
    std::optional<QString> Save(const QByteArray& bytes);

private:
    QString m_path;
    bool m_unread = false;
};

} // namespace kelto
