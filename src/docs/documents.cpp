#include "docs/documents.h"
#include "core/programfolder.h"

namespace kelto {

QString DocumentPath(int document)
{
    return ProgramFolder() + ReferenceDocuments.at(static_cast<std::size_t>(document)).fileNameText();
}

} // namespace kelto
