#include "app/uncertaintydialog.h"

#include <algorithm>
#include <cmath>
#include <set>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/messages.h"
#include "calc/catalogue.h"
#include "calc/format.h"
#include "tank/measured.h"

namespace tarvol {
namespace {

const QString kTitle = QStringLiteral("Неопределённость таблицы");
const QString kIntro = QStringLiteral("Стандартные неопределённости измерений (пустое поле — 0).\n"
                                      "Без единого значения таблица выводится без U.");
const QString kLevelCaption = QStringLiteral("&Отсчёт уровня, мм");
const QString kCoverageCaption = QStringLiteral("&Коэффициент охвата k");
const QString kLimitCaption = QStringLiteral("&Предел U, % (необязательно)");
const QString kTemperatureCaption = QStringLiteral("&Температура стенки, °C (пусто — 20)");
const QString kMaterialCaption = QStringLiteral("&Материал стенки");
const QString kPitchCaption = QStringLiteral("Угол та&нгажа, ° (при наклоне)");
const QString kRollCaption = QStringLiteral("Угол кр&ена, ° (при наклоне)");
const QString kSteel = QStringLiteral("Сталь, α = 12·10⁻⁶ 1/°C");
const QString kAluminium = QStringLiteral("Алюминий, α = 23·10⁻⁶ 1/°C");
const QString kClear = QStringLiteral("О&чистить");
const QString kBadNumber = QStringLiteral("Неверное число в поле «%1».");

// A number typed with a point or a comma, and for a percentage with its sign or without; empty gives `empty`.
std::optional<double> typedNumber(const QString& text, double empty, bool percent = false)
{
    QString t = text.trimmed();
    if (percent && t.endsWith(QLatin1Char('%')))
        t = t.chopped(1).trimmed();
    if (t.isEmpty())
        return empty;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = t.toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional(v) : std::nullopt;
}

QString shown(double v) { return QString::fromStdString(formatGeneral(v, ',')); }

} // namespace

UncertaintyDialog::UncertaintyDialog(int shape, const std::optional<UncertaintyInputs>& current, QWidget* parent)
    : QDialog(parent), m_shape(shape), m_inputs(current)
{
    setObjectName(QStringLiteral("UncertaintyDialog"));
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(kIntro, this));
    auto* form = new QFormLayout;
    m_form = form;
    layout->addLayout(form);
    const auto field = [&](const QString& name, const QString& caption) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        form->addRow(caption, edit);
        return edit;
    };
    const auto& captions = tarvol::shapeInfo(shape).captions; // none for a measured tank
    // the fields' keys are the first letters the dialog's fixed captions and the fields before leave free
    std::set<QChar> taken;
    for (const QString& fixed : {kLevelCaption, kCoverageCaption, kLimitCaption, kTemperatureCaption, kMaterialCaption,
                                 kClear, kPitchCaption, kRollCaption})
        withAccessKey(fixed, taken);
    for (std::size_t i = 0; i < captions.size(); ++i)
        m_dims.push_back(
            field(QStringLiteral("uDim%1").arg(i + 1),
                  withAccessKey(QString::fromUtf8(captions[i].data(), static_cast<qsizetype>(captions[i].size()))
                                    + QStringLiteral(", мм"),
                                taken)));
    m_level = field(QStringLiteral("uLevel"), kLevelCaption);
    // a horizontal tank may stand tilted: its angles' uncertainties join the budget
    if (tarvol::shape(shape).group == Group::Horizontal) {
        m_pitch = field(QStringLiteral("uPitch"), kPitchCaption);
        m_roll = field(QStringLiteral("uRoll"), kRollCaption);
    }
    m_coverage = field(QStringLiteral("coverage"), kCoverageCaption);
    m_limit = field(QStringLiteral("limit"), kLimitCaption);
    m_temperature = field(QStringLiteral("shellTemperature"), kTemperatureCaption);
    m_material = new QComboBox(this);
    m_material->setObjectName(QStringLiteral("material"));
    m_material->addItems({kSteel, kAluminium});
    form->addRow(kMaterialCaption, m_material);
    m_problem = problemLabel(this);
    layout->addWidget(m_problem);
    QDialogButtonBox* buttons = okCancelButtons(this);
    QPushButton* clear = buttons->addButton(kClear, QDialogButtonBox::ResetRole);
    connect(clear, &QPushButton::clicked, this, &UncertaintyDialog::clearFields);
    layout->addWidget(buttons);

    m_coverage->setText(shown(2));
    if (current) {
        for (std::size_t i = 0; i < m_dims.size(); ++i)
            if (const double u = current->dim(static_cast<int>(i)); u > 0)
                m_dims[i]->setText(shown(u));
        if (current->level > 0)
            m_level->setText(shown(current->level));
        if (m_pitch && current->pitch > 0)
            m_pitch->setText(shown(current->pitch));
        if (m_roll && current->roll > 0)
            m_roll->setText(shown(current->roll));
        m_coverage->setText(shown(current->coverage));
        if (current->limitPercent)
            m_limit->setText(shown(*current->limitPercent));
        if (current->shell) {
            m_temperature->setText(shown(current->shell->celsius));
            m_material->setCurrentIndex(current->shell->alpha == kAluminiumExpansion ? 1 : 0);
        }
    }
}

void UncertaintyDialog::clearFields()
{
    for (QLineEdit* edit : m_dims)
        edit->clear();
    m_level->clear();
    for (QLineEdit* angle : {m_pitch, m_roll})
        if (angle)
            angle->clear();
    m_coverage->setText(shown(2));
    m_limit->clear();
    m_temperature->clear();
    m_material->setCurrentIndex(0);
    m_problem->clear();
}

bool UncertaintyDialog::readFields()
{
    UncertaintyInputs in;
    const auto read = [&](QLineEdit* edit, double empty, double& into) {
        const auto v = typedNumber(edit->text(), empty, edit == m_limit);
        if (!v) {
            const auto* label = qobject_cast<QLabel*>(m_form->labelForField(edit));
            m_problem->setText(kBadNumber.arg(label ? label->text().remove(QLatin1Char('&')) : edit->objectName()));
            edit->setFocus();
            return false;
        }
        into = *v;
        return true;
    };
    in.dims.resize(m_dims.size());
    for (std::size_t i = 0; i < m_dims.size(); ++i)
        if (!read(m_dims[i], 0, in.dims[i]))
            return false;
    if (!read(m_level, 0, in.level) || !read(m_coverage, 2, in.coverage))
        return false;
    if ((m_pitch && !read(m_pitch, 0, in.pitch)) || (m_roll && !read(m_roll, 0, in.roll)))
        return false;
    if (!m_limit->text().trimmed().isEmpty()) {
        double limit = 0;
        if (!read(m_limit, 0, limit))
            return false;
        in.limitPercent = limit;
    }
    if (!m_temperature->text().trimmed().isEmpty()) {
        ShellTemperature shell;
        if (!read(m_temperature, kReferenceTemperature, shell.celsius))
            return false;
        shell.alpha = m_material->currentIndex() == 1 ? kAluminiumExpansion : kSteelExpansion;
        in.shell = shell;
    }
    if (!in.dims.empty() && std::ranges::all_of(in.dims, [&](double u) { return u == in.dims.front(); }))
        in.dims.resize(1); // one value for every field; a tank without fields has none
    if (const auto fault = checkInputs(in, static_cast<int>(m_dims.size()))) {
        static const std::pair<const char*, QString> kFields[] = {
            {"u_dims", QStringLiteral("размеры")},
            {"u_level", QStringLiteral("отсчёт уровня")},
            {"u_pitch_deg", QStringLiteral("угол тангажа")},
            {"u_roll_deg", QStringLiteral("угол крена")},
            {"coverage", QStringLiteral("k")},
            {"limit", QStringLiteral("предел U")},
            {"shell_temperature", QStringLiteral("температура стенки")},
            {"alpha", QStringLiteral("материал стенки")}};
        QString field = QString::fromStdString(fault->key);
        for (const auto& [key, name] : kFields)
            if (fault->key == key)
                field = name;
        m_problem->setText(
            QStringLiteral("«%1»: %2. Допустимо: неопределённости от 0 до 10 000 мм, k больше 0 и не "
                           "больше 10, предел больше 0 и не больше 100 %, температура от −100 до 300 °C.")
                .arg(field, QString::fromStdString(inputsProblemText(fault->problem))));
        m_problem->setWordWrap(true);
        return false;
    }
    if (!in.given() && !in.shell && !in.limitPercent)
        m_inputs.reset();
    else
        m_inputs = in;
    return true;
}

void UncertaintyDialog::accept()
{
    if (readFields())
        QDialog::accept();
}

} // namespace tarvol
