#include "workbook/CompoundFile.h"

#include "base/DiskCalls.h"

#include <QtGlobal>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-output.h>

#include <cerrno>
#include <dlfcn.h>
#include <type_traits>

namespace {

// The functions of libgsf (and GObject, which it loads) the file uses,
// looked up once; all null when the library cannot be loaded.
struct Gsf
{
    decltype(&gsf_output_stdio_new_FILE) newStdio = nullptr;
    decltype(&gsf_outfile_msole_new) newMsole = nullptr;
    decltype(&gsf_outfile_new_child) newChild = nullptr;
    decltype(&gsf_output_is_closed) isClosed = nullptr;
    decltype(&gsf_output_close) close = nullptr;
    decltype(&gsf_output_write) write = nullptr;
    decltype(&g_object_unref) unref = nullptr;

    static const Gsf &get()
    {
        static const Gsf gsf = load();
        return gsf;
    }

private:
    static Gsf load()
    {
        Gsf g;
        void *lib = ::dlopen(PELLOMAR_GSF_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (!lib)
            return g;
        // Symbols of the libraries libgsf needs are found through it.
        const auto find = [lib](auto &function, const char *name) {
            function =
                reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(lib, name));
            return function != nullptr;
        };
        if (find(g.newStdio, "gsf_output_stdio_new_FILE") &&
            find(g.newMsole, "gsf_outfile_msole_new") &&
            find(g.newChild, "gsf_outfile_new_child") && find(g.isClosed, "gsf_output_is_closed") &&
            find(g.close, "gsf_output_close") && find(g.write, "gsf_output_write") &&
            find(g.unref, "g_object_unref"))
            return g;
        return Gsf();
    }
};

int closeNothing(void *)
{
    return 0; // the descriptor is the caller's
}

} // namespace

CompoundFile::CompoundFile(int fd, DiskCalls &calls) : m_cookie{&calls, fd, 0, 0, 0}
{
    const Gsf &gsf = Gsf::get();
    if (!gsf.newStdio)
        return;
    const cookie_io_functions_t io = {nullptr, &writeCookie, &seek, &closeNothing};
    m_file = ::fopencookie(&m_cookie, "w", io);
    if (!m_file)
        return;
    std::setvbuf(m_file, nullptr, _IOFBF, 1 << 16);
    m_sink = gsf.newStdio("Workbook", m_file, TRUE);
    if (m_sink)
        m_ole = gsf.newMsole(m_sink);
    if (m_ole)
        m_stream = gsf.newChild(m_ole, "Workbook", FALSE);
}

bool CompoundFile::write(const char *data, qsizetype size)
{
    return Gsf::get().write(m_stream, size_t(size), reinterpret_cast<const guint8 *>(data));
}

CompoundFile::~CompoundFile()
{
    close();
}

bool CompoundFile::close()
{
    const Gsf &gsf = Gsf::get();
    bool ok = m_stream != nullptr;
    // A GsfOutfile is a GsfOutput.
    for (GsfOutput *out : {m_stream, reinterpret_cast<GsfOutput *>(m_ole), m_sink}) {
        if (out && !gsf.isClosed(out))
            ok = gsf.close(out) && ok;
    }
    for (gpointer object : {gpointer(m_stream), gpointer(m_ole), gpointer(m_sink)}) {
        if (object)
            gsf.unref(object);
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

ssize_t CompoundFile::writeCookie(void *cookie, const char *data, size_t size)
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
