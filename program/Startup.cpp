#include "program/Startup.h"

#include "store/DataFiles.h"
#include "store/MemberStore.h"
#include "store/Schema.h"

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
    if (store.open())
        return {};
    return Schema::versionOf(store.path()) > Schema::kVersion ? kNewerDatabase : kUnusableDatabase;
}

} // namespace Startup
