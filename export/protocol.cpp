#include "export/protocol.h"

#include <algorithm>
#include <numeric>

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "calc/format.h"
#include "export/atomicfile.h"
#include "export/fulltable.h"
#include "export/tablewriters.h"

namespace tarvol {
namespace {

QString text(const std::string& utf8) { return QString::fromStdString(utf8); }

void addFilled(QStringList& lines, const QString& label, const std::string& value)
{
    if (const QString given = text(value).trimmed(); !given.isEmpty())
        lines << label + given;
}

// The column widths of the course table, in parts of the page's width: the readings take the most.
std::vector<double> columnShares(std::size_t columns)
{
    std::vector<double> shares{0.04, 0.11, 0.07, 0.28, 0.10, 0.10, 0.10, 0.10};
    shares.resize(columns, 0.10);
    const double sum = std::accumulate(shares.begin(), shares.end(), 0.0);
    for (double& s : shares)
        s /= sum;
    return shares;
}

// Lays the protocol out top to bottom, a new page where the next block would not fit.
class ProtocolPainter {
public:
    ProtocolPainter(QPdfWriter& writer, QPainter& painter) : m_writer(writer), m_p(painter)
    {
        m_width = writer.width();
        m_bottom = writer.height();
    }

    bool paragraph(const QString& line, const QFont& f, double gapAfter = 0)
    {
        m_p.setFont(f);
        const QRectF room(0, 0, m_width, m_bottom);
        const double height =
            m_p.boundingRect(room, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, line).height() + gapAfter;
        if (!fit(height))
            return false;
        m_p.drawText(QRectF(0, m_y, m_width, height), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, line);
        m_y += height;
        return true;
    }

    bool row(const QStringList& cells, const std::vector<double>& shares, bool heading)
    {
        m_p.setFont(pdfFont(8, heading));
        const double pad = pdfMm(1);
        double height = 0;
        for (qsizetype c = 0; c < cells.size(); ++c) {
            const QRectF cell(0, 0, shares[static_cast<std::size_t>(c)] * m_width - 2 * pad, m_bottom);
            height = std::max(height, m_p.boundingRect(cell, Qt::TextWordWrap, cells[c]).height());
        }
        height += 2 * pad;
        if (!fit(height))
            return false;
        double x = 0;
        m_p.setPen(QPen(Qt::black, pdfMm(0.15)));
        for (qsizetype c = 0; c < cells.size(); ++c) {
            const double w = shares[static_cast<std::size_t>(c)] * m_width;
            const QRectF cell(x, m_y, w, height);
            if (heading)
                m_p.fillRect(cell, QColor(0xEE, 0xEE, 0xEE));
            m_p.drawRect(cell);
            m_p.drawText(cell.adjusted(pad, pad, -pad, -pad), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                         cells[c]);
            x += w;
        }
        m_y += height;
        return true;
    }

    void skip(double height) { m_y += height; }

private:
    bool fit(double height)
    {
        if (m_y + height <= m_bottom || m_y == 0)
            return true;
        m_y = 0;
        return m_writer.newPage();
    }

    QPdfWriter& m_writer;
    QPainter& m_p;
    double m_width = 0;
    double m_bottom = 0;
    double m_y = 0;
};

} // namespace

expected<ProtocolContent, QString> protocolOf(const StrappingRecord& record, const TankPassport& passport,
                                              char separator)
{
    const auto prepared = MeasuredTank::prepare(record);
    if (!prepared)
        return unexpected(text(strappingErrorText(prepared.error())));
    const MeasuredTank& tank = *prepared;
    const auto number = [separator](double v) { return text(formatGeneral(v, separator)); };
    const auto fixed = [separator](double v, int decimals) { return text(formatFixed(v, 16, decimals, separator)); };
    const auto perMillion = [&](double alpha) { return number(alpha * 1e6) + QStringLiteral("·10⁻⁶ 1/°C"); };

    ProtocolContent content;
    content.head << kProtocolTitle;
    addFilled(content.head, QStringLiteral("Организация: "), passport.organisation);
    addFilled(content.head, QStringLiteral("Номер резервуара: "), passport.tankNumber);
    addFilled(content.head, QStringLiteral("Владелец / место установки: "), passport.owner);
    addFilled(content.head, QStringLiteral("Измерения провёл: "), passport.author);
    addFilled(content.head, QStringLiteral("Дата: "), passport.date);
    content.head << QStringLiteral("Вертикальный стальной резервуар, измерения геометрическим методом: поясов %1, "
                                   "высота %2 мм; уровни — от основания первого пояса.")
                        .arg(record.courses.size())
                        .arg(number(tank.height()));
    content.head << QStringLiteral("Рулетка: температура %1 °C, α = %2. Стенка при измерении: %3 °C, α = %4. "
                                   "Толщина краски: %5 мм.")
                        .arg(number(record.tapeCelsius), perMillion(record.tapeAlpha), number(record.shellCelsius),
                             perMillion(record.shellAlpha), number(record.paint));
    content.head << QStringLiteral("Наклон резервуара: %1 мм/м; площади сечений умножены на √(1 + m²) = %2.")
                        .arg(number(record.tiltMmPerM), fixed(tank.tiltFactor(), 8));
    content.head << QStringLiteral("Стандартные неопределённости: длины окружности пояса %1 мм, толщины стенки %2 мм.")
                        .arg(number(record.uCircumference), number(record.uThickness));
    if (record.hydrostatic)
        content.head << QStringLiteral("Продукт плотностью %1 кг/м³, модуль упругости стенки %2 ГПа: радиусы поясов "
                                       "растут под давлением налива (последний столбец).")
                            .arg(number(record.hydrostatic->density), number(record.hydrostatic->youngModulusGpa));

    content.courseHeader << QStringLiteral("№") << QStringLiteral("Уровни, мм") << QStringLiteral("Толщина, мм")
                         << QStringLiteral("Длины окружности, мм") << QStringLiteral("Среднее, мм")
                         << QStringLiteral("Исправленная (рулетка при 20 °C), мм")
                         << QStringLiteral("D внутр. при измерении, мм") << QStringLiteral("D внутр. при 20 °C, мм");
    if (record.hydrostatic)
        content.courseHeader << QStringLiteral("Рост радиуса, мм на 1 м налива");
    for (const CourseProtocol& c : tank.courses()) {
        QStringList readings;
        for (const double r : c.readings)
            readings << number(r);
        QStringList cells{QString::number(c.number), number(c.from) + QStringLiteral(" – ") + number(c.to),
                          number(c.thickness),       readings.join(QStringLiteral("; ")),
                          fixed(c.mean, 2),          fixed(c.corrected, 2),
                          fixed(c.innerMeasured, 2), fixed(c.inner20, 2)};
        if (record.hydrostatic)
            cells << fixed(c.radialGrowthPerMetre, 4);
        content.courses.push_back(cells);
    }

    if (record.bottom.empty()) {
        content.bottom << QStringLiteral("Днище плоское, на нуле уровня.");
    } else {
        QStringList points;
        for (const BottomPoint& p : record.bottom)
            points << QStringLiteral("(%1; %2)").arg(number(p.radius), number(p.height));
        content.bottom << QStringLiteral("Съёмка днища (радиус; высота над нулём уровня), мм: ")
                              + points.join(QStringLiteral(", ")) + QStringLiteral(".");
    }
    content.bottom << QStringLiteral("Объём ниже нуля уровня: %1 л; объём, занятый днищем выше нуля: %2 л; "
                                     "объём днища против плоского на нуле: %3 л.")
                          .arg(fixed(tank.volumeBelowZero(), 3), fixed(tank.raisedBottomVolume(), 3),
                               fixed(tank.bottomVolume(), 3));
    content.bottom << QStringLiteral("Полный объём резервуара при 20 °C: %1 л.").arg(fixed(tank.fullVolume(), 3));
    content.signature = signatureLines(passport);
    return content;
}

ExportResult writeProtocolPdf(const QString& path, const ProtocolContent& content)
{
    SafeSaveFile file(path);
    if (!file.openForWriting())
        return writeError(path, file.failure());
    QPdfWriter writer(&file);
    writer.setResolution(kPdfResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(15, 12, 12, 12),
                                     QPageLayout::Millimeter));
    writer.setTitle(kProtocolTitle);
    writer.setCreator(QStringLiteral("Tarvol"));

    QPainter painter;
    if (!painter.begin(&writer)) {
        file.cancelWriting();
        return writeError(path, QStringLiteral("не удаётся начать PDF"));
    }
    ProtocolPainter page(writer, painter);
    bool painted = true;
    for (qsizetype i = 0; painted && i < content.head.size(); ++i)
        painted =
            page.paragraph(content.head[i], i == 0 ? pdfFont(14, true) : pdfFont(9), i == 0 ? pdfMm(3) : pdfMm(1));
    page.skip(pdfMm(3));
    const std::vector<double> shares = columnShares(static_cast<std::size_t>(content.courseHeader.size()));
    painted = painted && page.row(content.courseHeader, shares, true);
    for (std::size_t i = 0; painted && i < content.courses.size(); ++i)
        painted = page.row(content.courses[i], shares, false);
    page.skip(pdfMm(3));
    for (qsizetype i = 0; painted && i < content.bottom.size(); ++i)
        painted = page.paragraph(content.bottom[i], pdfFont(9), pdfMm(1));
    page.skip(pdfMm(8));
    for (qsizetype i = 0; painted && i < content.signature.size(); ++i)
        painted = page.paragraph(content.signature[i], pdfFont(10), pdfMm(5));
    painter.end();
    if (!painted) {
        const QString reason = file.failure();
        file.cancelWriting();
        return writeError(path, reason);
    }
    if (!file.finish())
        return writeError(path, file.failure());
    return {};
}

} // namespace tarvol
