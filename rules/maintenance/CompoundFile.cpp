#include "rules/maintenance/CompoundFile.h"

#include "rules/maintenance/DiskCalls.h"

#include <QtGlobal>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-output.h>

#include <cerrno>

namespace {

int closeNothing(void *)
{
    return 0; // the descriptor is the caller's
}

} // namespace

CompoundFile::CompoundFile(int fd, DiskCalls &calls) : m_cookie{&calls, fd, 0, 0, 0}
{
    const cookie_io_functions_t io = {nullptr, &write, &seek, &closeNothing};
    m_file = ::fopencookie(&m_cookie, "w", io);
    if (!m_file)
        return;
    std::setvbuf(m_file, nullptr, _IOFBF, 1 << 16);
    m_sink = gsf_output_stdio_new_FILE("Workbook", m_file, TRUE);
    if (m_sink)
        m_ole = gsf_outfile_msole_new(m_sink);
    if (m_ole)
        m_stream = gsf_outfile_new_child(m_ole, "Workbook", FALSE);
}

CompoundFile::~CompoundFile()
{
    close();
}

bool CompoundFile::close()
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
    if (m_file) {
        ok = std::fflush(m_file) == 0 && ok;
        ok = !std::ferror(m_file) && ok;
        ok = std::fclose(m_file) == 0 && ok;
        m_file = nullptr;
    }
    return ok && m_cookie.error == 0;
}

ssize_t CompoundFile::write(void *cookie, const char *data, size_t size)
{
    Cookie &c = *static_cast<Cookie *>(cookie);
    size_t done = 0;
    while (done < size && c.error == 0) {
        const ssize_t n = c.calls->pwrite(c.fd, data + done, size - done, c.position);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            c.error = n < 0 ? errno : EIO;
            break;
        }
        done += size_t(n);
        c.position += n;
    }
    c.end = qMax(c.end, c.position);
    if (done < size)
        errno = c.error;
    return done == size ? ssize_t(size) : (done > 0 ? ssize_t(done) : -1);
}

int CompoundFile::seek(void *cookie, off64_t *offset, int whence)
{
    Cookie &c = *static_cast<Cookie *>(cookie);
    off64_t to = *offset;
    if (whence == SEEK_CUR)
        to += c.position;
    else if (whence == SEEK_END)
        to += c.end;
    if (to < 0) {
        errno = EINVAL;
        return -1;
    }
    c.position = to;
    *offset = to;
    return 0;
}
