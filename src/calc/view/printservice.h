// The print dialog and the printers the system knows, behind one seam so
// that tests never reach a real printer.
#pragma once
#include <functional>

class QPrinter;
class QWidget;

namespace kelto {

struct TPrintService {
    // Shows the print dialog for `printer`: true when the user chose to print
    // (the printer or file then in `printer`).
    std::function<bool(QPrinter& printer, QWidget* parent)> choose;
    // Whether the system knows any printer at all.
    std::function<bool()> anyPrinter;
};

// Replaces the real dialog and printer list; an empty member brings the
// real one back.
void SetPrintService(TPrintService service);
bool ChoosePrinter(QPrinter& printer, QWidget* parent);
bool AnyPrinter();

} // namespace kelto
