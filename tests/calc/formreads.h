// The form files' bytes as the program reads them: written to a file and
// read through its keeper, as the windows and the view do; nothing when the
// keeper would keep the file aside as not read whole.
#pragma once
#include "calc/calcform.h"
#include "calc/isoform.h"
#include "calc/techniquecard.h"
#include "core/formfile.h"
#include "core/textfile.h"

#include <QTemporaryDir>

template <class TForm>
std::optional<TForm> ReadAsProgram(const QByteArray& bytes, TForm form, int lineCount, kelto::TFormText text,
                                   int (*take)(const QStringList&, TForm&), bool extraAllowed = false)
{
    const QTemporaryDir folder;
    kelto::TFormFileKeeper file(folder.filePath(QStringLiteral("form.cnf")));
    if (kelto::WriteFileAtomically(file.Path(), bytes))
        return std::nullopt;
    const TForm read = file.ReadForm(std::move(form), lineCount, text, take, extraAllowed);
    return file.Note().isEmpty() ? std::optional<TForm>(read) : std::nullopt;
}

inline std::optional<kelto::TCalcForm> ReadCalcBytes(const QByteArray& bytes)
{
    return ReadAsProgram(bytes, kelto::TCalcForm{}, kelto::CalcFileLines, kelto::TFormText::Cp1251, kelto::TakeCalcLines);
}
inline std::optional<kelto::TIsoForm> ReadIsoBytes(const QByteArray& bytes)
{
    return ReadAsProgram(bytes, kelto::DefaultIsoForm(), kelto::IsoFileLines, kelto::TFormText::Cp1251,
                         kelto::TakeIsoLines);
}
inline std::optional<kelto::TCardFields> ReadCardBytes(const QByteArray& bytes)
{
    return ReadAsProgram(bytes, kelto::TCardFields{}, kelto::OldCardFileLines, kelto::TFormText::Utf8WithMark,
                         kelto::TakeCardLines, true);
}
