// The conclusion's A4 pages: the header fields, the table of its entries
// continued over as many pages as needed with its header repeated, the
// signatures, "Лист 1 из 3" on each. Painted alike into a PDF and onto a
// printer.
#pragma once
#include "journal/conclusion.h"

#include <QByteArray>
#include <QList>

class QPagedPaintDevice;

namespace kelto {

// Paints every page onto `device` (a PDF writer or a printer, A4, the whole
// sheet); the number of pages.
int PaintConclusion(QPagedPaintDevice& device, const TConclusion& conclusion, const QList<TConclusionRow>& rows);
// The pages as a PDF file's bytes.
QByteArray ConclusionPdf(const TConclusion& conclusion, const QList<TConclusionRow>& rows);

} // namespace kelto
