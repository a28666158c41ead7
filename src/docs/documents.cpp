#include "docs/documents.h"
#include "core/programfolder.h"

#include <QDir>
#include <QFileInfo>

namespace kelto {

QString DocumentPath(int document)
{
    return ProgramFolder() + ReferenceDocuments.at(static_cast<std::size_t>(document)).FileNameText();
}

bool DocumentPresent(int document)
{
    return QFileInfo(DocumentPath(document)).isFile();
}

QString MissingDocumentText(int document)
{
    const QString folder = QDir::toNativeSeparators(QDir::cleanPath(ProgramFolder()));
    return QStringLiteral("Не найден файл «%1» в папке программы: %2")
        .arg(ReferenceDocuments.at(static_cast<std::size_t>(document)).FileNameText(), folder);
}

QString NoViewerText(int document)
{
    return QStringLiteral(
               "Не удалось открыть документ «%1» (%2): на компьютере не найдена программа для просмотра PDF.")
        .arg(ReferenceDocuments.at(static_cast<std::size_t>(document)).FileNameText(),
             QDir::toNativeSeparators(DocumentPath(document)));
}

} // namespace kelto
