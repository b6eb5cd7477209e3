#include "app/tiltdialog.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/messages.h"
#include "calc/format.h"

namespace tarvol {
namespace {

const QString kTitle = QStringLiteral("Наклон");
const QString kIntro = QStringLiteral(
    "Тангаж поднимает второй конец ёмкости, крен — правый борт (если смотреть от первого конца ко второму). "
    "Угол задаётся в градусах или подъёмом в мм: второго конца над длиной ёмкости, правого борта над её шириной.");
const QString kDegrees = QStringLiteral("°");
const QString kRise = QStringLiteral("мм подъёма");
const QString kBadNumber = QStringLiteral("«%1»: введите число, например 1,5.");

constexpr double kRadian = std::numbers::pi / 180;

QString shown(double v) { return QString::fromStdString(formatGeneral(v, ',')); }

// A typed number; an empty field gives `empty`.
std::optional<double> typedNumber(const QString& text, std::optional<double> empty)
{
    return text.trimmed().isEmpty() ? empty : typedDecimal(text);
}

// A tank point (along or across, up) turned by the angle: the world's horizontal and height.
QPointF turned(double across, double up, double angle)
{
    return {across * std::cos(angle) - up * std::sin(angle), across * std::sin(angle) + up * std::cos(angle)};
}

// The heights at which the vertical line at `at` crosses the outline, lowest and highest.
std::optional<std::pair<double, double>> verticalCrossing(const QPolygonF& outline, double at)
{
    std::optional<std::pair<double, double>> range;
    for (qsizetype i = 0; i + 1 < outline.size(); ++i) {
        const QPointF a = outline[i], b = outline[i + 1];
        if ((a.x() - at) * (b.x() - at) > 0 || a.x() == b.x())
            continue;
        const double y = a.y() + (b.y() - a.y()) * (at - a.x()) / (b.x() - a.x());
        range = range ? std::pair(std::min(range->first, y), std::max(range->second, y)) : std::pair(y, y);
    }
    return range;
}

// The outline scaled into the box, the world's up drawn up; returns the mapping for other points.
struct Fit {
    double scale = 1, dx = 0, dy = 0;
    QPointF operator()(QPointF p) const { return {dx + scale * p.x(), dy - scale * p.y()}; }
};

Fit fitInto(const QPolygonF& world, const QRectF& box)
{
    const QRectF bounds = world.boundingRect();
    Fit fit;
    if (bounds.width() <= 0 || bounds.height() <= 0)
        return fit;
    fit.scale = std::min(box.width() / bounds.width(), box.height() / bounds.height());
    fit.dx = box.center().x() - fit.scale * bounds.center().x();
    fit.dy = box.center().y() + fit.scale * bounds.center().y();
    return fit;
}

// One view: the outline, a surface at half the tank's height and the gauge's line through `gaugeAt` (tank frame).
void drawView(QPainter& painter, const QRectF& box, const QPolygonF& tankOutline, double angle, QPointF gaugeAt,
              bool vertical, const QString& caption)
{
    QPolygonF world;
    for (const QPointF& p : tankOutline)
        world << turned(p.x(), p.y(), angle);
    painter.setPen(Qt::black);
    painter.drawText(box.adjusted(0, 0, 0, -box.height() + 16), Qt::AlignHCenter, caption);
    const Fit fit = fitInto(world, box.adjusted(8, 22, -8, -8));
    QPolygonF shown;
    for (const QPointF& p : world)
        shown << fit(p);
    const QRectF bounds = world.boundingRect();
    const double surface = bounds.center().y();
    // the liquid: the outline's part below the surface
    QPainterPath tank;
    tank.addPolygon(shown);
    QPainterPath below;
    below.addRect(
        QRectF(fit(QPointF(bounds.left(), surface)), fit(QPointF(bounds.right(), bounds.top()))).normalized());
    painter.fillPath(tank.intersected(below), QColor(173, 216, 230));
    painter.setPen(QPen(Qt::black, 1.5));
    painter.drawPolygon(shown);
    // the gauge: a vertical line, or the tank's own up
    const QPointF g = turned(gaugeAt.x(), gaugeAt.y(), angle);
    QPointF from, to;
    if (vertical) {
        const auto range = verticalCrossing(world, g.x());
        if (!range)
            return;
        from = {g.x(), range->first};
        to = {g.x(), range->second};
    } else {
        // along the tank's up through the gauge's place, from the outline's bottom to its top there
        QPolygonF upright;
        for (const QPointF& p : world)
            upright << turned(p.x(), p.y(), -angle);
        const auto range = verticalCrossing(upright, gaugeAt.x());
        if (!range)
            return;
        from = turned(gaugeAt.x(), range->first, angle);
        to = turned(gaugeAt.x(), range->second, angle);
    }
    painter.setPen(QPen(QColor(200, 30, 30), 2.5));
    painter.drawLine(fit(from), fit(to));
    painter.setBrush(QColor(200, 30, 30));
    painter.drawEllipse(fit(from), 3.5, 3.5);
    painter.setBrush(Qt::NoBrush);
}

} // namespace

TiltSketchView::TiltSketchView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tiltSketch"));
    setMinimumSize(360, 160);
}

void TiltSketchView::show(const std::optional<TiltSketch>& sketch, const Orientation& orientation)
{
    m_sketch = sketch;
    m_orientation = orientation;
    update();
}

void TiltSketchView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), palette().base());
    if (!m_sketch) {
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap,
                         QStringLiteral("Введите размеры ёмкости, чтобы увидеть её наклон."));
        return;
    }
    const bool vertical = m_orientation.gauge == GaugeKind::Vertical;
    const double height = m_sketch->height;
    const double length = m_sketch->shellLength;
    const double x = m_orientation.gaugeX.value_or(0.5 * length);
    QPolygonF section;
    for (const auto& [y, z] : m_sketch->section)
        section << QPointF(y, z);
    section << section.front();
    // across, a vertical gauge is placed at mid-height, a fixed one at its bottom point: both lines pass y_g
    const QRectF half(0, 0, 0.4 * width(), this->height());
    drawView(painter, half, section, m_orientation.rollDegrees * kRadian, QPointF(m_orientation.gaugeY, 0.5 * height),
             vertical, QStringLiteral("Сечение (крен)"));
    const QPolygonF side{{0, 0}, {length, 0}, {length, height}, {0, height}, {0, 0}};
    drawView(painter, QRectF(0.4 * width(), 0, 0.6 * width(), this->height()), side,
             m_orientation.pitchDegrees * kRadian, QPointF(x, 0.5 * height), vertical,
             QStringLiteral("Вид сбоку (тангаж)"));
}

TiltDialog::TiltDialog(int shape, std::vector<double> dims, const std::optional<Orientation>& current, QWidget* parent)
    : QDialog(parent), m_shape(shape), m_dims(std::move(dims)), m_orientation(current)
{
    setObjectName(QStringLiteral("TiltDialog"));
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(kIntro, this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    m_form = new QFormLayout;
    layout->addLayout(m_form);
    const auto field = [this](const QString& name) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        return edit;
    };
    const auto angleRow = [&](const QString& caption, QLineEdit* edit, QComboBox*& unit) {
        unit = new QComboBox(this);
        unit->setObjectName(edit->objectName() + QStringLiteral("Unit"));
        unit->addItems({kDegrees, kRise});
        auto* row = new QHBoxLayout;
        row->addWidget(edit, 1);
        row->addWidget(unit);
        auto* label = new QLabel(caption, this);
        label->setBuddy(edit);
        m_form->addRow(label, row);
    };
    m_pitch = field(QStringLiteral("pitch"));
    angleRow(QStringLiteral("&Тангаж (второй конец вверх)"), m_pitch, m_pitchUnit);
    m_roll = field(QStringLiteral("roll"));
    angleRow(QStringLiteral("&Крен (правый борт вверх)"), m_roll, m_rollUnit);
    m_gaugeX = field(QStringLiteral("gaugeX"));
    m_form->addRow(QStringLiteral("Уровнемер от &первого торца, мм (пусто — середина)"), m_gaugeX);
    m_gaugeY = field(QStringLiteral("gaugeY"));
    m_form->addRow(QStringLiteral("Уровнемер правее &середины, мм"), m_gaugeY);
    m_vertical = new QRadioButton(QStringLiteral("&Вертикальный (метршток)"), this);
    m_vertical->setObjectName(QStringLiteral("gaugeVertical"));
    m_fixed = new QRadioButton(QStringLiteral("&Закреплённый на ёмкости (датчик)"), this);
    m_fixed->setObjectName(QStringLiteral("gaugeFixed"));
    auto* kinds = new QVBoxLayout;
    kinds->addWidget(m_vertical);
    kinds->addWidget(m_fixed);
    m_form->addRow(QStringLiteral("Уровнемер"), kinds);
    m_sketch = new TiltSketchView(this);
    layout->addWidget(m_sketch, 1);
    m_problem = problemLabel(this);
    layout->addWidget(m_problem);
    QDialogButtonBox* buttons = okCancelButtons(this);
    QPushButton* level = buttons->addButton(QStringLiteral("&Без наклона"), QDialogButtonBox::ResetRole);
    level->setObjectName(QStringLiteral("level"));
    connect(level, &QPushButton::clicked, this, &TiltDialog::clearFields);
    layout->addWidget(buttons);

    const Orientation shownOrientation = current.value_or(Orientation{});
    if (shownOrientation.pitchDegrees != 0)
        m_pitch->setText(shown(shownOrientation.pitchDegrees));
    if (shownOrientation.rollDegrees != 0)
        m_roll->setText(shown(shownOrientation.rollDegrees));
    if (shownOrientation.gaugeX)
        m_gaugeX->setText(shown(*shownOrientation.gaugeX));
    if (shownOrientation.gaugeY != 0)
        m_gaugeY->setText(shown(shownOrientation.gaugeY));
    (shownOrientation.gauge == GaugeKind::Fixed ? m_fixed : m_vertical)->setChecked(true);
    for (QLineEdit* edit : {m_pitch, m_roll, m_gaugeX, m_gaugeY})
        connect(edit, &QLineEdit::textChanged, this, &TiltDialog::redraw);
    for (QComboBox* unit : {m_pitchUnit, m_rollUnit})
        connect(unit, &QComboBox::currentIndexChanged, this, &TiltDialog::redraw);
    connect(m_vertical, &QRadioButton::toggled, this, &TiltDialog::redraw);
    redraw();
    m_pitch->setFocus();
}

std::optional<Orientation> TiltDialog::typed(Fault& fault) const
{
    Orientation o;
    const auto read = [&](QLineEdit* edit, std::optional<double> empty) -> std::optional<double> {
        const auto v = typedNumber(edit->text(), empty);
        if (!v && !edit->text().trimmed().isEmpty()) {
            const auto* label = qobject_cast<QLabel*>(m_form->labelForField(edit));
            fault = {edit, kBadNumber.arg(label ? label->text().remove(QLatin1Char('&')) : edit->objectName())};
        }
        return v;
    };
    const auto angle = [&](QLineEdit* edit, QComboBox* unit, bool pitch) -> std::optional<double> {
        const auto v = read(edit, 0.0);
        if (!v || unit->currentIndex() == 0 || *v == 0)
            return v;
        const auto degrees = pitch ? pitchFromRise(m_shape, m_dims, *v) : rollFromRise(m_shape, m_dims, *v);
        if (!degrees) {
            fault = {edit, QString::fromStdString(degrees.error())};
            return std::nullopt;
        }
        return *degrees;
    };
    const auto pitch = angle(m_pitch, m_pitchUnit, true);
    if (!pitch)
        return std::nullopt;
    const auto roll = angle(m_roll, m_rollUnit, false);
    if (!roll)
        return std::nullopt;
    const auto y = read(m_gaugeY, 0.0);
    if (!y)
        return std::nullopt;
    o.pitchDegrees = *pitch;
    o.rollDegrees = *roll;
    o.gaugeY = *y;
    if (!m_gaugeX->text().trimmed().isEmpty()) {
        const auto x = read(m_gaugeX, std::nullopt);
        if (!x)
            return std::nullopt;
        o.gaugeX = *x;
    }
    o.gauge = m_fixed->isChecked() ? GaugeKind::Fixed : GaugeKind::Vertical;
    return o;
}

void TiltDialog::redraw()
{
    Fault fault;
    const std::optional<Orientation> o = typed(fault);
    m_sketch->show(tiltSketch(m_shape, m_dims), o.value_or(Orientation{}));
}

void TiltDialog::clearFields()
{
    for (QLineEdit* edit : {m_pitch, m_roll, m_gaugeX, m_gaugeY})
        edit->clear();
    m_pitchUnit->setCurrentIndex(0);
    m_rollUnit->setCurrentIndex(0);
    m_vertical->setChecked(true);
    m_problem->clear();
}

bool TiltDialog::readFields()
{
    Fault fault;
    const std::optional<Orientation> o = typed(fault);
    if (!o) {
        m_problem->setText(fault.reason);
        if (fault.field)
            fault.field->setFocus();
        return false;
    }
    // a level tank read on its axis by a dipstick is the shape's own table
    if (*o == Orientation{}) {
        m_orientation.reset();
        return true;
    }
    if (const auto refusal = orientationRefusal(m_shape, m_dims, *o)) {
        m_problem->setText(QString::fromStdString(*refusal));
        return false;
    }
    m_orientation = o;
    return true;
}

void TiltDialog::accept()
{
    if (readFields())
        QDialog::accept();
}

} // namespace tarvol
