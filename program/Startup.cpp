#include "program/Startup.h"

#include "store/DataFiles.h"
#include "store/MemberStore.h"

namespace Startup {

QString missingFileMessage(const DataFiles &files)
{
    for (const QString &path : {files.liveDatabase(), files.blankTemplate()})
        if (!DataFiles::isPresent(path))
            return kMissingDataFile;
    return {};
}

QString openStore(MemberStore &store)
{
    return store.open() ? QString() : kUnusableDatabase;
}

} // namespace Startup
