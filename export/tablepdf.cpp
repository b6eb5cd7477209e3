#include "export/tablewriters.h"
#include "uncertainty/statement.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include "calc/format.h"
#include "calc/reverse.h"
#include "export/atomicfile.h"

namespace tarvol {
namespace {

constexpr int kCurvePoints = 2000;

QString volumeText(double litres, const TableContent& content)
{
    // the grid's own formatting, so the sheet and the window agree digit for digit
    return QString::fromStdString(formatFixed(litres, 10, content.decimalPlaces, content.separator));
}

// Step of about `count` intervals over `range`: 1, 2 or 5 times a power of ten.
double niceStep(double range, int count)
{
    if (!(range > 0))
        return 1;
    const double raw = range / count;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double n = raw / magnitude;
    return (n < 1.5 ? 1 : n < 3 ? 2 : n < 7 ? 5 : 10) * magnitude;
}

QString tickText(double value, double step, char separator)
{
    const int decimals = stepDecimals(step);
    QString text = QString::number(value, 'f', decimals);
    text.replace(QLatin1Char('.'), QLatin1Char(separator));
    return text;
}

class TablePainter {
public:
    TablePainter(QPdfWriter& writer, const TableContent& content)
        : m_writer(writer), m_content(content), m_title(tableTitleLines(content)), m_reverse(content.reverse),
          m_signature(signatureLines(content.passport))
    {
        m_area = QRectF(0, 0, writer.width(), writer.height());
        measure();
    }

    int pageCount() const
    {
        return m_tablePages + (m_curveOwnPage ? 1 : 0) + m_reversePages + m_gridPages + (m_signatureOwnPage ? 1 : 0);
    }

    bool paint(QPainter& p, const Progress& progress, const std::atomic<bool>* cancel, bool& wasCancelled)
    {
        const int rows = m_content.tableRows();
        int page = 1;
        if (progress)
            progress(rows, 0);
        double bottom = 0; // where the last page's content ends
        for (int first = 0; first < rows; ++page) {
            if (page > 1 && !m_writer.newPage())
                return false;
            const double top = drawTableHeader(p, drawPageFrame(p, page));
            const int last = std::min(rows, first + (page == 1 ? m_rowsFirstPage : m_rowsPerPage));
            for (int r = first; r < last; ++r) {
                if (cancel && cancel->load(std::memory_order_relaxed)) {
                    wasCancelled = true;
                    return false;
                }
                drawRow(p, r, top + (r - first) * m_rowHeight);
                if (progress)
                    progress(rows, r + 1);
            }
            bottom = top + (last - first) * m_rowHeight;
            first = last;
        }
        if (m_curveOwnPage) {
            if (!m_writer.newPage())
                return false;
            const double top = drawPageFrame(p, page++) + pdfMm(4);
            drawCurve(p,
                      QRectF(m_area.left(), top, m_area.width(), std::min(m_footerTop - top - pdfMm(4), pdfMm(160))));
        } else {
            drawCurve(p, QRectF(m_area.left(), bottom + pdfMm(8), m_area.width(),
                                std::min(m_footerTop - bottom - pdfMm(10), pdfMm(130))));
        }
        for (size_t first = 0; first < m_reverse.rows.size(); first += m_reverseRowsPerPage) {
            if (!m_writer.newPage())
                return false;
            bottom = drawReversePage(p, drawPageFrame(p, page++), first);
        }
        if (const auto& grid = m_content.gridAppendix)
            for (size_t group = 0; group < m_gridGroups; ++group)
                for (size_t first = 0; first < grid->levels.size(); first += m_gridRowsPerPage) {
                    if (!m_writer.newPage())
                        return false;
                    bottom = drawGridPage(p, drawPageFrame(p, page++), group, first);
                }
        if (m_signatureOwnPage) {
            if (!m_writer.newPage())
                return false;
            bottom = drawPageFrame(p, page++);
        }
        drawSignature(p, bottom + pdfMm(10));
        return true;
    }

private:
    void measure()
    {
        m_nameFont = pdfFont(12, true);
        m_titleFont = pdfFont(9);
        m_headFont = pdfFont(8, true);
        m_footFont = pdfFont(8);
        const QFontMetricsF title(m_titleFont, &m_writer);
        m_titleHeight = pdfMm(3);
        for (qsizetype i = 0; i < m_title.size(); ++i)
            m_titleHeight += titleLineHeight(i);
        m_runningHeight = title.lineSpacing() + pdfMm(3);
        m_footerTop = m_area.bottom() - QFontMetricsF(m_footFont, &m_writer).lineSpacing() - pdfMm(2);
        m_signatureHeight = pdfMm(10) + static_cast<double>(m_signature.size()) * pdfMm(9);

        m_levelColumn = pdfMm(17);
        m_volumeColumn = (m_area.width() - m_levelColumn) / (m_content.hasUncertainty() ? 11 : 10);
        m_headRow = QFontMetricsF(m_headFont, &m_writer).lineSpacing() * 1.5;

        // the largest volume has the widest text; the cell font shrinks until it fits the column
        const auto [lo, hi] = std::minmax_element(m_content.levelVolumes.begin(), m_content.levelVolumes.end());
        double points = 8;
        QFontMetricsF at8(pdfFont(points), &m_writer);
        const double widest = std::max(at8.horizontalAdvance(volumeText(*lo, m_content)),
                                       at8.horizontalAdvance(volumeText(*hi, m_content)));
        const double room = m_volumeColumn - pdfMm(2.4);
        if (widest > room)
            points = std::max(4.0, points * room / widest);
        m_cellFont = pdfFont(points);
        m_levelFont = pdfFont(points, true);
        m_rowHeight = std::max(QFontMetricsF(m_cellFont, &m_writer).lineSpacing() * 1.3, pdfMm(3.2));

        const auto rowsBelow = [&](double head) {
            return std::max(1, static_cast<int>((m_footerTop - pdfMm(2) - head - 2 * m_headRow) / m_rowHeight));
        };
        m_rowsFirstPage = rowsBelow(m_titleHeight);
        m_rowsPerPage = rowsBelow(m_runningHeight);
        const int rows = m_content.tableRows();
        const int further = std::max(0, rows - m_rowsFirstPage);
        m_tablePages = 1 + (further + m_rowsPerPage - 1) / m_rowsPerPage;
        const int lastRows = further == 0 ? rows : further - (m_tablePages - 2) * m_rowsPerPage;
        const double lastHead = m_tablePages == 1 ? m_titleHeight : m_runningHeight;
        m_curveOwnPage = m_footerTop - lastHead - 2 * m_headRow - lastRows * m_rowHeight < pdfMm(85);

        // the reverse table runs in column pairs side by side, each with its own header
        m_reverseBlockRows =
            std::max(1, static_cast<int>((m_footerTop - pdfMm(2) - m_runningHeight - 3 * m_headRow) / m_rowHeight));
        m_reverseRowsPerPage = static_cast<size_t>(m_reverseBlockRows) * kReverseBlocks;
        const size_t reverseRows = m_reverse.rows.size();
        m_reversePages = static_cast<int>((reverseRows + m_reverseRowsPerPage - 1) / m_reverseRowsPerPage);
        double contentBottom = m_footerTop; // after the curve: a page of its own holds the signature
        if (m_reversePages > 0) {
            const size_t onLast = reverseRows - static_cast<size_t>(m_reversePages - 1) * m_reverseRowsPerPage;
            const size_t blockRows = (onLast + kReverseBlocks - 1) / kReverseBlocks;
            contentBottom = m_runningHeight + 3 * m_headRow + static_cast<double>(blockRows) * m_rowHeight;
        }
        // the grid's appendix: at most kGridColumns angles across a page, its rows under its own header
        if (const auto& grid = m_content.gridAppendix; grid && !grid->levels.empty() && !grid->angles.isEmpty()) {
            const auto columns = static_cast<size_t>(grid->angles.size());
            m_gridGroups = (columns + kGridColumns - 1) / kGridColumns;
            m_gridRowsPerPage = static_cast<size_t>(std::max(
                1, static_cast<int>((m_footerTop - pdfMm(2) - m_runningHeight - 3 * m_headRow) / m_rowHeight)));
            const size_t chunks = (grid->levels.size() + m_gridRowsPerPage - 1) / m_gridRowsPerPage;
            m_gridPages = static_cast<int>(m_gridGroups * chunks);
            const size_t onLast = grid->levels.size() - (chunks - 1) * m_gridRowsPerPage;
            contentBottom = m_runningHeight + 3 * m_headRow + static_cast<double>(onLast) * m_rowHeight;
        }
        m_signatureOwnPage = m_footerTop - contentBottom < m_signatureHeight;
    }

    // The height of title line i, wrapped to the page's width.
    double titleLineHeight(qsizetype i) const
    {
        const QFontMetricsF fm(i == 0 ? m_nameFont : m_titleFont, &m_writer);
        const QRectF box =
            fm.boundingRect(QRectF(0, 0, m_area.width(), 1e9), Qt::AlignLeft | Qt::TextWordWrap, m_title[i]);
        return std::max(fm.lineSpacing(), box.height());
    }

    // The title block on the first page, a running head on the others, the page number at the foot;
    // returns where the page's content starts.
    double drawPageFrame(QPainter& p, int page)
    {
        double y = 0;
        p.setPen(Qt::black);
        if (page == 1) {
            for (qsizetype i = 0; i < m_title.size(); ++i) {
                p.setFont(i == 0 ? m_nameFont : m_titleFont);
                const double height = titleLineHeight(i);
                // a long owner or organisation wraps instead of running off the page
                p.drawText(QRectF(0, y, m_area.width(), height), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                           m_title[i]);
                y += height;
            }
        } else {
            p.setFont(m_titleFont);
            const QFontMetricsF fm(p.font(), &m_writer);
            // the tank's number always shows; the shape's name gives way when the line is too long
            QString tail;
            if (const QString number = QString::fromStdString(m_content.passport.tankNumber).trimmed();
                !number.isEmpty())
                tail = QStringLiteral(", ёмкость № ") + number;
            const QString lead = kDocumentTitle + QStringLiteral(" — ");
            const double room = m_area.width() - fm.horizontalAdvance(lead) - fm.horizontalAdvance(tail);
            const QString head = lead + fm.elidedText(m_content.shapeName, Qt::ElideRight, std::max(0.0, room)) + tail;
            p.drawText(QRectF(0, 0, m_area.width(), fm.lineSpacing()), Qt::AlignLeft | Qt::AlignTop,
                       fm.elidedText(head, Qt::ElideRight, m_area.width()));
            p.setPen(QPen(QColor(0x80, 0x80, 0x80), pdfMm(0.15)));
            p.drawLine(QPointF(0, fm.lineSpacing() + pdfMm(1)), QPointF(m_area.width(), fm.lineSpacing() + pdfMm(1)));
            p.setPen(Qt::black);
        }
        p.setFont(m_footFont);
        p.drawText(QRectF(m_area.left(), m_footerTop + pdfMm(1), m_area.width(), m_area.bottom() - m_footerTop),
                   Qt::AlignRight | Qt::AlignTop, QStringLiteral("Лист %1 из %2").arg(page).arg(pageCount()));
        return page == 1 ? m_titleHeight : m_runningHeight;
    }

    // Two header rows; returns where the first table row starts.
    double drawTableHeader(QPainter& p, double top)
    {
        const QRectF whole(0, top, m_area.width(), 2 * m_headRow);
        p.fillRect(whole, QColor(0xE8, 0xE8, 0xE8));
        p.setPen(QPen(Qt::black, pdfMm(0.25)));
        p.setFont(m_headFont);
        p.drawRect(whole);
        const QRectF level(0, top, m_levelColumn, 2 * m_headRow);
        p.drawRect(level);
        p.drawText(level, Qt::AlignCenter | Qt::TextWordWrap, kTableLevelHeader);
        p.drawText(QRectF(m_levelColumn, top, m_area.width() - m_levelColumn, m_headRow), Qt::AlignCenter,
                   QStringLiteral("Объём, л (уровень = см строки + мм столбца)"));
        p.drawLine(QPointF(m_levelColumn, top + m_headRow), QPointF(m_area.width(), top + m_headRow));
        for (int mmColumn = 0; mmColumn < 10; ++mmColumn) {
            const QRectF cell(m_levelColumn + mmColumn * m_volumeColumn, top + m_headRow, m_volumeColumn, m_headRow);
            p.drawRect(cell);
            p.drawText(cell, Qt::AlignCenter, millimetreHeader(mmColumn));
        }
        if (m_content.hasUncertainty()) { // U at the row's level, beside its volumes
            const QRectF cell(m_levelColumn + 10 * m_volumeColumn, top, m_volumeColumn, 2 * m_headRow);
            p.fillRect(cell, QColor(0xE8, 0xE8, 0xE8));
            p.drawRect(cell);
            p.drawText(cell, Qt::AlignCenter, kTableUncertaintyHeader);
        }
        return top + 2 * m_headRow;
    }

    // Rows first .. of the reverse table in column pairs; returns where the page's content ends.
    double drawReversePage(QPainter& p, double top, size_t first)
    {
        p.setFont(m_headFont);
        p.setPen(Qt::black);
        const int decimals = stepDecimals(m_reverse.volumeStep);
        p.drawText(QRectF(0, top, m_area.width(), m_headRow), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("%1, шаг %2 л")
                       .arg(kReverseTitle, QString::fromStdString(
                                               formatFixed(m_reverse.volumeStep, 16, decimals, m_content.separator))));
        const double headTop = top + m_headRow;
        const double gap = pdfMm(6);
        const double blockWidth = (m_area.width() - gap * (kReverseBlocks - 1)) / kReverseBlocks;
        const size_t last = std::min(m_reverse.rows.size(), first + m_reverseRowsPerPage);
        const size_t perBlock = (last - first + kReverseBlocks - 1) / kReverseBlocks;
        double bottom = headTop + 2 * m_headRow;
        for (size_t b = 0; b < kReverseBlocks && first + b * perBlock < last; ++b) {
            const double x = static_cast<double>(b) * (blockWidth + gap);
            const QRectF volumeHead(x, headTop, blockWidth / 2, 2 * m_headRow);
            const QRectF levelHead(x + blockWidth / 2, headTop, blockWidth / 2, 2 * m_headRow);
            p.setFont(m_headFont);
            p.fillRect(volumeHead.united(levelHead), QColor(0xE8, 0xE8, 0xE8));
            p.setPen(QPen(Qt::black, pdfMm(0.25)));
            p.drawRect(volumeHead);
            p.drawRect(levelHead);
            p.drawText(volumeHead, Qt::AlignCenter, QStringLiteral("Объём, л"));
            p.drawText(levelHead, Qt::AlignCenter, QStringLiteral("Уровень, мм"));
            const size_t end = std::min(last, first + (b + 1) * perBlock);
            double y = headTop + 2 * m_headRow;
            for (size_t i = first + b * perBlock; i < end; ++i, y += m_rowHeight) {
                const ReverseRow& row = m_reverse.rows[i];
                p.setPen(QPen(QColor(0xB0, 0xB0, 0xB0), pdfMm(0.15)));
                p.drawLine(QPointF(x, y + m_rowHeight), QPointF(x + blockWidth, y + m_rowHeight));
                for (double edge : {x, x + blockWidth / 2, x + blockWidth})
                    p.drawLine(QPointF(edge, y), QPointF(edge, y + m_rowHeight));
                p.setPen(Qt::black);
                p.setFont(m_cellFont);
                p.drawText(QRectF(x + pdfMm(1.2), y, blockWidth / 2 - pdfMm(2.4), m_rowHeight),
                           Qt::AlignRight | Qt::AlignVCenter,
                           QString::fromStdString(formatFixed(row.volume, 16, decimals, m_content.separator)));
                p.drawText(QRectF(x + blockWidth / 2 + pdfMm(1.2), y, blockWidth / 2 - pdfMm(2.4), m_rowHeight),
                           Qt::AlignRight | Qt::AlignVCenter,
                           QString::fromStdString(reverseLevelText(row.level, m_content.separator)));
            }
            bottom = std::max(bottom, y);
        }
        return bottom;
    }

    // Rows first .. of the grid's columns in group `group`; returns where the page's content ends.
    double drawGridPage(QPainter& p, double top, size_t group, size_t first)
    {
        const TableContent::GridAppendix& grid = *m_content.gridAppendix;
        p.setFont(m_headFont);
        p.setPen(Qt::black);
        p.drawText(QRectF(0, top, m_area.width(), m_headRow), Qt::AlignLeft | Qt::AlignVCenter, grid.title);
        const size_t from = group * kGridColumns;
        const size_t to = std::min(static_cast<size_t>(grid.angles.size()), from + kGridColumns);
        const double column = (m_area.width() - m_levelColumn) / static_cast<double>(kGridColumns);
        const double headTop = top + m_headRow;
        p.fillRect(QRectF(0, headTop, m_levelColumn + static_cast<double>(to - from) * column, 2 * m_headRow),
                   QColor(0xE8, 0xE8, 0xE8));
        p.setPen(QPen(Qt::black, pdfMm(0.25)));
        const QRectF levelHead(0, headTop, m_levelColumn, 2 * m_headRow);
        p.drawRect(levelHead);
        p.drawText(levelHead, Qt::AlignCenter | Qt::TextWordWrap, QStringLiteral("Уровень, мм"));
        for (size_t c = from; c < to; ++c) {
            const QRectF cell(m_levelColumn + static_cast<double>(c - from) * column, headTop, column, 2 * m_headRow);
            p.drawRect(cell);
            p.drawText(cell, Qt::AlignCenter, grid.angles[static_cast<qsizetype>(c)]);
        }
        const size_t last = std::min(grid.levels.size(), first + m_gridRowsPerPage);
        double y = headTop + 2 * m_headRow;
        const double right = m_levelColumn + static_cast<double>(to - from) * column;
        for (size_t i = first; i < last; ++i, y += m_rowHeight) {
            p.setPen(QPen(QColor(0xB0, 0xB0, 0xB0), pdfMm(0.15)));
            p.drawLine(QPointF(0, y + m_rowHeight), QPointF(right, y + m_rowHeight));
            p.drawLine(QPointF(0, y), QPointF(0, y + m_rowHeight));
            for (size_t c = 0; c <= to - from; ++c) {
                const double x = m_levelColumn + static_cast<double>(c) * column;
                p.drawLine(QPointF(x, y), QPointF(x, y + m_rowHeight));
            }
            p.setPen(Qt::black);
            p.setFont(m_levelFont);
            p.drawText(QRectF(0, y, m_levelColumn - pdfMm(1.2), m_rowHeight), Qt::AlignRight | Qt::AlignVCenter,
                       QString::fromStdString(formatGeneral(grid.levels[i], m_content.separator)));
            p.setFont(m_cellFont);
            for (size_t c = from; c < to; ++c)
                p.drawText(QRectF(m_levelColumn + static_cast<double>(c - from) * column + pdfMm(1.2), y,
                                  column - pdfMm(2.4), m_rowHeight),
                           Qt::AlignRight | Qt::AlignVCenter, volumeText(grid.volumes[i][c], m_content));
        }
        return y;
    }

    void drawSignature(QPainter& p, double top)
    {
        p.setPen(Qt::black);
        p.setFont(pdfFont(10));
        const QFontMetricsF fm(p.font(), &m_writer);
        double y = top;
        for (const QString& line : m_signature) {
            p.drawText(QPointF(0, y + fm.ascent()), line);
            y += pdfMm(9);
        }
    }

    void drawRow(QPainter& p, int r, double y)
    {
        const int top = m_content.topLevel();
        const QRectF level(0, y, m_levelColumn, m_rowHeight);
        p.fillRect(level, QColor(0xF4, 0xF4, 0xF4));
        // a darker rule every 5 cm guides the eye along long columns
        p.setPen(QPen(r % 5 == 4 ? QColor(0x60, 0x60, 0x60) : QColor(0xB0, 0xB0, 0xB0), pdfMm(0.15)));
        p.drawLine(QPointF(0, y + m_rowHeight), QPointF(m_area.width(), y + m_rowHeight));
        p.drawLine(QPointF(0, y), QPointF(0, y + m_rowHeight));
        for (int c = 0; c <= (m_content.hasUncertainty() ? 11 : 10); ++c) {
            const double x = m_levelColumn + c * m_volumeColumn;
            p.drawLine(QPointF(x, y), QPointF(x, y + m_rowHeight));
        }
        p.setPen(Qt::black);
        p.setFont(m_levelFont);
        p.drawText(level, Qt::AlignCenter, QString::number(r));
        p.setFont(m_cellFont);
        for (int c = 0; c < 10 && 10 * r + c <= top; ++c) {
            const QRectF cell(m_levelColumn + c * m_volumeColumn + pdfMm(1.2), y, m_volumeColumn - pdfMm(2.4),
                              m_rowHeight);
            p.drawText(
                cell, Qt::AlignRight | Qt::AlignVCenter,
                volumeText(m_content.levelVolumes[10 * static_cast<size_t>(r) + static_cast<size_t>(c)], m_content));
        }
        if (m_content.hasUncertainty() && 10 * r <= top) {
            const QRectF cell(m_levelColumn + 10 * m_volumeColumn + pdfMm(1.2), y, m_volumeColumn - pdfMm(2.4),
                              m_rowHeight);
            const auto rowLevel = 10 * static_cast<size_t>(r);
            p.drawText(
                cell, Qt::AlignRight | Qt::AlignVCenter,
                QString::fromStdString(expandedText(m_content.expandedUncertainty[rowLevel], m_content.separator))
                    + (m_content.overLimit(rowLevel) ? QStringLiteral(" *") : QString()));
        }
    }

    void drawCurve(QPainter& p, const QRectF& box)
    {
        const int top = m_content.topLevel();
        const auto [lo, hi] = std::minmax_element(m_content.levelVolumes.begin(), m_content.levelVolumes.end());
        const double xStep = niceStep(std::max(top, 1), 10);
        const double xMax = std::max(xStep, std::ceil(top / xStep) * xStep);
        const double yMin = std::min(0.0, *lo);
        const double yStep = niceStep(std::max(*hi - yMin, 1e-9), 8);
        const double yMax = std::max(yMin + yStep, std::ceil(*hi / yStep) * yStep);

        p.setFont(m_headFont);
        p.setPen(Qt::black);
        const double titleRow = QFontMetricsF(m_headFont, &m_writer).lineSpacing() * 1.5;
        p.drawText(QRectF(box.left(), box.top(), box.width(), titleRow), Qt::AlignCenter, kCurveTitle);
        const QRectF plot(box.left() + pdfMm(22), box.top() + titleRow + pdfMm(2), box.width() - pdfMm(26),
                          box.height() - titleRow - pdfMm(16));
        const auto toX = [&](double level) { return plot.left() + level / xMax * plot.width(); };
        const auto toY = [&](double v) { return plot.bottom() - (v - yMin) / (yMax - yMin) * plot.height(); };

        p.setFont(m_footFont);
        const QFontMetricsF fm(m_footFont, &m_writer);
        for (double x = 0; x <= xMax + xStep / 2; x += xStep) {
            p.setPen(QPen(QColor(0xD0, 0xD0, 0xD0), pdfMm(0.15)));
            p.drawLine(QPointF(toX(x), plot.top()), QPointF(toX(x), plot.bottom()));
            p.setPen(Qt::black);
            p.drawText(QRectF(toX(x) - pdfMm(10), plot.bottom() + pdfMm(1), pdfMm(20), fm.lineSpacing()),
                       Qt::AlignCenter, tickText(x, xStep, m_content.separator));
        }
        for (double v = yMin; v <= yMax + yStep / 2; v += yStep) {
            p.setPen(QPen(QColor(0xD0, 0xD0, 0xD0), pdfMm(0.15)));
            p.drawLine(QPointF(plot.left(), toY(v)), QPointF(plot.right(), toY(v)));
            p.setPen(Qt::black);
            p.drawText(QRectF(box.left(), toY(v) - fm.lineSpacing() / 2, pdfMm(20), fm.lineSpacing()),
                       Qt::AlignRight | Qt::AlignVCenter, tickText(v, yStep, m_content.separator));
        }
        p.drawText(
            QRectF(plot.left(), plot.bottom() + pdfMm(1) + fm.lineSpacing(), plot.width(), fm.lineSpacing() * 1.5),
            Qt::AlignCenter, QStringLiteral("Уровень, мм"));
        p.save();
        p.translate(box.left() + pdfMm(1), plot.center().y());
        p.rotate(-90);
        p.drawText(QRectF(-plot.height() / 2, -pdfMm(1), plot.height(), fm.lineSpacing() * 1.2), Qt::AlignCenter,
                   QStringLiteral("Объём, л"));
        p.restore();
        p.setPen(QPen(Qt::black, pdfMm(0.25)));
        p.drawRect(plot);

        QPainterPath curve;
        const int every = std::max(1, top / kCurvePoints);
        for (int level = 0;; level = std::min(level + every, top)) {
            const QPointF at(toX(level), toY(m_content.levelVolumes[static_cast<size_t>(level)]));
            if (level == 0)
                curve.moveTo(at);
            else
                curve.lineTo(at);
            if (level == top)
                break;
        }
        p.setPen(QPen(QColor(0x10, 0x40, 0xA0), pdfMm(0.5), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(curve);
    }

    static constexpr size_t kReverseBlocks = 4;
    static constexpr size_t kGridColumns = 9;

    QPdfWriter& m_writer;
    const TableContent& m_content;
    QStringList m_title;
    ReverseTable m_reverse;
    QStringList m_signature;
    QRectF m_area;
    QFont m_nameFont, m_titleFont, m_headFont, m_footFont, m_cellFont, m_levelFont;
    double m_titleHeight = 0, m_runningHeight = 0, m_footerTop = 0, m_headRow = 0, m_rowHeight = 0;
    double m_signatureHeight = 0;
    double m_levelColumn = 0, m_volumeColumn = 0;
    int m_rowsFirstPage = 1, m_rowsPerPage = 1, m_tablePages = 1, m_reverseBlockRows = 1, m_reversePages = 0;
    size_t m_reverseRowsPerPage = 1;
    size_t m_gridGroups = 0, m_gridRowsPerPage = 1;
    int m_gridPages = 0;
    bool m_curveOwnPage = false, m_signatureOwnPage = false;
};

} // namespace

ExportResult writeTablePdf(const QString& path, const TableContent& content, const Progress& progress,
                           const std::atomic<bool>* cancel)
{
    SafeSaveFile file(path);
    if (!file.openForWriting())
        return writeError(path, file.failure());

    QPdfWriter writer(&file);
    writer.setResolution(kPdfResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 12, 12, 12),
                                     QPageLayout::Millimeter));
    writer.setTitle(content.shapeName);
    writer.setCreator(QStringLiteral("Tarvol"));

    QPainter painter;
    if (!painter.begin(&writer)) {
        file.cancelWriting();
        return writeError(path, QStringLiteral("не удаётся начать PDF"));
    }
    TablePainter table(writer, content);
    bool wasCancelled = false;
    const bool painted = table.paint(painter, progress, cancel, wasCancelled);
    painter.end();
    if (!painted) {
        const QString reason = file.failure();
        file.cancelWriting();
        if (wasCancelled)
            return ExportError{ExportFailure::Cancelled, path, {}};
        return writeError(path, reason);
    }
    if (!file.finish())
        return writeError(path, file.failure());
    if (progress)
        progress(content.tableRows(), 0);
    return {};
}

QFont pdfFont(double points, bool bold)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

} // namespace tarvol
