#include "calc/view/printservice.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace kelto {

namespace {

TPrintService& Service()
{
    static TPrintService service;
    return service;
}

} // namespace

void SetPrintService(TPrintService service)
{
    Service() = std::move(service);
}

bool ChoosePrinter(QPrinter& printer, QWidget* parent)
{
    if (Service().choose)
        return Service().choose(printer, parent);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Печать технологической карты"));
    return dialog.exec() == QDialog::Accepted;
}

bool AnyPrinter()
{
    if (Service().anyPrinter)
        return Service().anyPrinter();
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

} // namespace kelto
