// Form files' bytes read as the program reads them: put in a file and read
// through its keeper; nothing when the keeper would keep the file aside.
#pragma once
#include "calc/calcform.h"
#include "calc/isoform.h"
#include "calc/techniquecard.h"
#include "core/textfile.h"

#include <QTemporaryDir>

template <class TForm>
std::optional<TForm> ReadAsProgram(const QByteArray& bytes, TForm form, int lines,
                                   int (*take)(const QStringList&, TForm&),
                                   kelto::TFormText text = kelto::TFormText::Cp1251, bool extraAllowed = false)
{
    const QTemporaryDir folder;
    kelto::TFormFileKeeper file(folder.filePath(QStringLiteral("form.cnf")));
    if (kelto::WriteFileAtomically(file.Path(), bytes))
        return std::nullopt;
    const TForm read = file.ReadForm(form, lines, text, take, extraAllowed);
    return file.Note().isEmpty() ? std::optional<TForm>(read) : std::nullopt;
}

inline auto ReadCalcBytes(const QByteArray& b)
{
    return ReadAsProgram(b, kelto::TCalcForm{}, kelto::CalcFileLines, kelto::TakeCalcLines);
}
inline auto ReadIsoBytes(const QByteArray& b)
{
    return ReadAsProgram(b, kelto::DefaultIsoForm(), kelto::IsoFileLines, kelto::TakeIsoLines);
}
inline auto ReadCardBytes(const QByteArray& b)
{
    return ReadAsProgram(b, kelto::TCardFields{}, kelto::OldCardFileLines, kelto::TakeCardLines,
                         kelto::TFormText::Utf8WithMark, true);
}
