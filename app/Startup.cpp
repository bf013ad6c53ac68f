#include "app/Startup.h"

#include "admins/PasswordHash.h"
#include "store/AdminTable.h"
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

namespace Login {

Result check(MemberStore &store, const QString &typedName, const QString &typedPassword)
{
    if (typedName.isEmpty())
        return Result::EmptyName;
    const QString name = typedName.trimmed();
    if (name.isEmpty())
        return Result::Invalid;
    AdminTable admins(store);
    for (const Admin &a : admins.byName(name))
        if (PasswordHash::verify(a.passwordHash, typedPassword))
            return Result::Ok;
    return Result::Invalid;
}

} // namespace Login
