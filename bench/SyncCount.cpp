#include "SyncCount.h"

#include "support/FaultVfs.h"

namespace SyncCount {
namespace {

FaultVfs *g_vfs = nullptr;

} // namespace

void install()
{
    if (!g_vfs)
        g_vfs = new FaultVfs; // for the whole run
}

quint64 flushes()
{
    return g_vfs ? quint64(g_vfs->count(FaultVfs::Op::Sync)) : 0;
}

} // namespace SyncCount
