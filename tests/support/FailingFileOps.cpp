#include "support/FailingFileOps.h"

#include <QFile>
#include <QFileInfo>

namespace {

QString nameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

} // namespace

void FailingFileOps::failOn(Op op, const QString &fileName)
{
    m_failOn.append({op, fileName});
}

bool FailingFileOps::fails(Op op, const QString &from, const QString &to)
{
    static const char *const kNames[] = {"mkdir", "copy", "rename", "remove"};
    QString entry = QString::fromLatin1(kNames[int(op)]) + QLatin1Char(' ') + nameOf(from);
    if (!to.isEmpty())
        entry += QLatin1Char(' ') + nameOf(to);
    bool fail = m_failAt == m_log.size() + 1;
    const QString target = nameOf(to.isEmpty() ? from : to);
    for (const auto &[failOp, name] : std::as_const(m_failOn))
        fail = fail || (failOp == op && target == name);
    m_log << (fail ? QLatin1Char('!') + entry : entry);
    if (fail)
        m_error = QStringLiteral("模拟的故障：") + entry;
    return fail;
}

bool FailingFileOps::makeFolder(const QString &path)
{
    return !fails(Op::MakeFolder, path, {}) && DiskFileOps::makeFolder(path);
}

bool FailingFileOps::copy(const QString &from, const QString &to)
{
    if (fails(Op::Copy, from, to))
        return false;
    if (!m_damage)
        return DiskFileOps::copy(from, to);
    QFile in(from);
    QFile out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::NewOnly))
        return false;
    out.write(in.read(in.size() / 2));
    return true;
}

bool FailingFileOps::copyDatabase(const QString &from, const QString &to)
{
    if (fails(Op::Copy, from, to))
        return false;
    if (!m_damage)
        return DiskFileOps::copyDatabase(from, to);
    // The source is a database SQLite has open: read through it, keep half.
    if (!DiskFileOps::copyDatabase(from, to))
        return false;
    QFile out(to);
    return out.resize(out.size() / 2);
}

bool FailingFileOps::rename(const QString &from, const QString &to)
{
    return !fails(Op::Rename, from, to) && DiskFileOps::rename(from, to);
}

bool FailingFileOps::remove(const QString &path)
{
    return !fails(Op::Remove, path, {}) && DiskFileOps::remove(path);
}

bool FailingFileOps::flushFolder(const QString &folder)
{
    if (!m_failSyncs)
        return DiskFileOps::flushFolder(folder);
    m_syncProblem = QStringLiteral("模拟的故障：sync ") + nameOf(folder);
    return false;
}
