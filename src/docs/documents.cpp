#include "docs/documents.h"
#include "core/programfolder.h"

#include <QDir>
#include <QFileInfo>

namespace kelto {

namespace {
const TReferenceDocument& Shelf(int document)
{
    return ReferenceDocuments.at(static_cast<std::size_t>(document));
}
} // namespace

QString DocumentPath(const TReferenceDocument& document)
{
    return ProgramFolder() + document.FileNameText();
}

QString DocumentPath(int document)
{
    return DocumentPath(Shelf(document));
}

bool DocumentPresent(const TReferenceDocument& document)
{
    return QFileInfo(DocumentPath(document)).isFile();
}

bool DocumentPresent(int document)
{
    return DocumentPresent(Shelf(document));
}

QString MissingDocumentText(const TReferenceDocument& document)
{
    const QString folder = QDir::toNativeSeparators(QDir::cleanPath(ProgramFolder()));
    return QStringLiteral("Не найден файл «%1» в папке программы: %2").arg(document.FileNameText(), folder);
}

QString MissingDocumentText(int document)
{
    return MissingDocumentText(Shelf(document));
}

QString NoViewerText(const TReferenceDocument& document)
{
    return QStringLiteral(
               "Не удалось открыть документ «%1» (%2): на компьютере не найдена программа для просмотра PDF.")
        .arg(document.FileNameText(), QDir::toNativeSeparators(DocumentPath(document)));
}

QString NoViewerText(int document)
{
    return NoViewerText(Shelf(document));
}

} // namespace kelto
