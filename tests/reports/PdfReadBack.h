#pragma once

#include <QImage>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// A PDF read back with poppler's tools, as a reader would see it.
namespace PdfReadBack {

inline QString run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(program);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of every page, laid out as on paper. Qt maps some ideographs of
// the embedded font back to their look-alike radicals (⾦ for 金); the
// compatibility normal form reads them as the ideographs again.
inline QString text(const QString &path)
{
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")})
        .normalized(QString::NormalizationForm_KC);
}

// The fonts the file uses but does not carry, by name; "<...failed>" when
// pdffonts could not read it.
inline QStringList fontsNotEmbedded(const QString &path)
{
    const QString listing = run(QStringLiteral("pdffonts"), {path});
    if (listing.startsWith(QLatin1Char('<')))
        return {listing};
    QStringList missing;
    const QStringList lines = listing.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Two heading lines; then name, type..., emb, sub, uni, object, id.
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QStringList cells = lines.at(i).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (cells.size() < 5 || cells.at(cells.size() - 5) != QLatin1String("yes"))
            missing << cells.value(0);
    }
    if (lines.size() <= 2)
        missing << QStringLiteral("<no fonts>");
    return missing;
}

// The share of the first page's pixels that are not white, rendered at 40 dpi.
inline double inkOfFirstPage(const QString &path)
{
    QTemporaryDir dir;
    const QString stem = dir.filePath(QStringLiteral("page"));
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-f"),
         QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
         QStringLiteral("-singlefile"), path, stem});
    const QImage page(stem + QStringLiteral(".png"));
    if (page.isNull())
        return 0;
    qint64 ink = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (page.pixel(x, y) != qRgb(255, 255, 255))
                ++ink;
        }
    }
    return double(ink) / (qint64(page.width()) * page.height());
}

// The number of pages, from pdfinfo; 0 when it cannot tell.
inline int pages(const QString &path)
{
    const QString info = run(QStringLiteral("pdfinfo"), {path});
    const qsizetype at = info.indexOf(QStringLiteral("Pages:"));
    return at < 0 ? 0 : info.mid(at + 6).section(QLatin1Char('\n'), 0, 0).trimmed().toInt();
}

// The first page's size in millimetres, from pdfinfo.
inline QSizeF pageSizeMm(const QString &path)
{
    const QString info = run(QStringLiteral("pdfinfo"), {path});
    const qsizetype at = info.indexOf(QStringLiteral("Page size:"));
    if (at < 0)
        return {};
    const QStringList cells = info.mid(at + 10).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const double ptToMm = 25.4 / 72;
    return QSizeF(cells.value(0).toDouble() * ptToMm, cells.value(2).toDouble() * ptToMm);
}

} // namespace PdfReadBack
