#include "rules/maintenance/MemberExport.h"

#include "base/Clock.h"
#include "base/Formats.h"
#include "base/Session.h"
#include "rules/maintenance/StagedFile.h"
#include "rules/maintenance/XlsWriter.h"
#include "store/MemberStore.h"
#include "store/MemberTable.h"
#include "store/Schema.h"

#include <QFile>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace {

// The compound file around the workbook stream, closed and released in
// reverse order of creation.
class CompoundFile
{
public:
    CompoundFile(int handle, const QString &name)
    {
        const int fd = ::dup(handle);
        m_file = fd < 0 ? nullptr : ::fdopen(fd, "wb");
        if (!m_file) {
            if (fd >= 0)
                ::close(fd);
            return;
        }
        m_sink = gsf_output_stdio_new_FILE(QFile::encodeName(name).constData(), m_file, TRUE);
        if (m_sink)
            m_ole = gsf_outfile_msole_new(m_sink);
        if (m_ole)
            m_stream = gsf_outfile_new_child(m_ole, "Workbook", FALSE);
    }
    ~CompoundFile() { close(); }

    GsfOutput *stream() const { return m_stream; }

    // Closing the container also closes its sink; false when anything failed.
    bool close()
    {
        bool ok = m_stream != nullptr;
        for (GsfOutput *out : {m_stream, m_ole ? GSF_OUTPUT(m_ole) : nullptr, m_sink}) {
            if (out && !gsf_output_is_closed(out))
                ok = gsf_output_close(out) && ok;
        }
        for (gpointer object : {gpointer(m_stream), gpointer(m_ole), gpointer(m_sink)}) {
            if (object)
                g_object_unref(object);
        }
        m_stream = nullptr;
        m_ole = nullptr;
        m_sink = nullptr;
        if (m_file)
            ok = std::fclose(m_file) == 0 && ok;
        m_file = nullptr;
        return ok;
    }

private:
    FILE *m_file = nullptr;
    GsfOutput *m_sink = nullptr;
    GsfOutfile *m_ole = nullptr;
    GsfOutput *m_stream = nullptr;
};

} // namespace

namespace MemberExport {

QString write(MemberStore &store, const QString &path)
{
    // One snapshot for the count, the long texts and the rows; nothing is
    // written, so it rolls back at the end.
    Transaction snapshot(store);
    MemberTable members(store);
    const qint64 count = members.count();
    const qint64 sheets = qMax<qint64>(1, (count + kMembersPerSheet - 1) / kMembersPerSheet);
    QStringList sheetNames;
    for (qint64 i = 1; i <= sheets; ++i)
        sheetNames << QStringLiteral("sheet%1").arg(i);
    QStringList longTexts;
    for (const QString &text : members.textsLongerThan(XlsWriter::kMaxLabelUnits / 2)) {
        if (text.size() > XlsWriter::kMaxLabelUnits)
            longTexts << text;
    }

    StagedFile staged(path);
    if (!staged.isOpen())
        return staged.error();
    CompoundFile file(staged.handle(), staged.path());
    if (!file.stream())
        return QStringLiteral("无法建立导出文件：") + systemErrorText(errno);

    XlsWriter xls(file.stream());
    xls.begin(sheetNames, longTexts);
    const quint16 columns = quint16(Schema::kMemberColumns.size());
    qint64 written = 0;
    quint32 row = 0;
    auto startSheet = [&] {
        xls.beginSheet(quint32(1 + qMin<qint64>(count - written, kMembersPerSheet)), columns);
        for (quint16 c = 0; c < columns; ++c)
            xls.text(0, c, Schema::kMemberColumns.at(c));
        row = 1;
    };
    auto text = [&](quint16 column, const QString &value) {
        if (!value.isEmpty())
            xls.text(quint16(row), column, value);
    };

    startSheet();
    bool changed = false;
    members.forEach([&](const Member &m) {
        if (written == count) {
            changed = true;
            return false;
        }
        if (row == XlsWriter::kMaxRows) {
            xls.endSheet();
            startSheet();
        }
        const quint16 r = quint16(row);
        text(0, m.name);
        text(1, m.sex);
        text(2, m.phone);
        xls.number(r, 3, double(m.consumed.fen()) / 100);
        text(4, m.referrer);
        text(5, m.referrerPhone);
        xls.number(r, 6, double(m.consumptions));
        xls.number(r, 7, double(m.balance.fen()) / 100);
        if (m.registered.isValid())
            xls.date(r, 8, m.registered);
        ++row;
        ++written;
        return true;
    });
    xls.endSheet();
    if (changed || written != count)
        return QStringLiteral("导出期间会员数据发生了变化");

    const bool complete = xls.finish();
    if (!file.close() || !complete)
        return QStringLiteral("写入导出文件失败");
    if (!staged.commit(StagedFile::Existing::Replace))
        return staged.error();
    return {};
}

Outcome run(MemberStore &store, const QString &path, const Session &session, const QString &typed)
{
    if (!session.confirms(typed))
        return {Outcome::Kind::Refused, kWrongPassword};
    const QString failure = write(store, path);
    if (!failure.isEmpty())
        return {Outcome::Kind::Failed, kFailed + QLatin1Char('\n') + failure};
    return {Outcome::Kind::Exported, kExported + Formats::shortDate(Clock::today())};
}

} // namespace MemberExport
