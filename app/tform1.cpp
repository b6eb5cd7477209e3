#include "app/tform1.h"

#include <algorithm>
#include <utility>

#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLocale>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QRegularExpressionValidator>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QSvgRenderer>
#include <QTimer>
#include <QWindow>

#include "app/backgroundrun.h"
#include "app/measuredpanel.h"
#include "app/messages.h"
#include "calc/catalogue.h"
#include "calc/format.h"
#include "calc/model.h"
#include "export/fulltable.h"
#include "ui_tform1.h"
#include "viewer/presentation.h"
#include "viewer/tform2.h"

// A static library's compiled resources register only when called by name.
static void registerPictures()
{
#ifdef TARVOL_HAVE_PICTURES
    Q_INIT_RESOURCE(pictures);
#endif
}

namespace tarvol {
namespace {

constexpr int kClientWidth = 888;
constexpr int kClientHeight = 626;
constexpr int kMaxDigits = 8;
constexpr int kShortestName = 15; // every catalogue name is longer; a shorter text was typed

const QString kErrorIdle = QStringLiteral("Погрешность расчётов в %");
const QString kInnerTitle = QStringLiteral("ВНУТРЕННИЕ РАЗМЕРЫ ЕМКОСТИ");
const QString kOuterTitle = QStringLiteral("ВНЕШНИЕ   РАЗМЕРЫ   ЕМКОСТИ");
constexpr int kGridColumns = 2;
constexpr int kLevelWidth = 110; // the two columns' widths, to which the headings' font is fitted
constexpr int kVolumeWidth = 140;
constexpr int kGridColumnsWithU = 4;
const QString kLevelHeading = QStringLiteral("УРОВЕНЬ(мм)");
const QString kVolumeHeading = QStringLiteral("ОБЪЁМ (литров)");
const QString kUncertaintyAction = QStringLiteral("&Неопределённость…");
const QString kIncomplete = QStringLiteral("Данные введены не полностью!");
const QString kTankMenu = QStringLiteral("&Ёмкость");
const QString kFillCommand = QStringLiteral("&Градуировка по наливу…");
const QString kDeadwoodCommand = QStringLiteral("&Внутренние детали и понтон…");
const QString kTiltCommand = QStringLiteral("&Наклон…");
const QString kTiltGridCommand = QStringLiteral("Се&тка наклонов…");
const QString kFolderError = QStringLiteral("Не могу создать папку ProgramFiles\\Tarvol!");
const QString kFolderErrorAt = QStringLiteral("Не могу создать папку %1!");
const QString kAbout = QStringLiteral("Программа  TARVOL. V 4.1\n"
                                      "https://tarvol.example.org\n"
                                      "По всем вопросам пишите автору программы:\n"
                                      "Служба поддержки Tarvol\n"
                                      "на электронный адрес: support@tarvol.example.org");

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The layout's faces are Windows fonts; elsewhere the nearest narrow faces keep captions in their bounds.
void installFontFallbacks()
{
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Arial"),
                                QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans Condensed")});
    QFont::insertSubstitutions(QStringLiteral("Times New Roman"),
                               {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif Condensed")});
}

// The program's own icon in every size a title bar or task switcher asks for.
QIcon programIcon()
{
    QIcon icon;
    QSvgRenderer svg(QStringLiteral(":/tarvol.svg"));
    if (!svg.isValid())
        return icon;
    for (const int side : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        svg.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

bool isEnterKey(const QKeyEvent* key) { return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter; }

// Keys that step through the closed selector's list or edit its text: the user goes on working there.
// Enter and Tab move on, and Alt or F4 open the list, from which a choice moves on too.
bool keepsFocusInSelector(const QKeyEvent* key)
{
    if (key->modifiers() & Qt::AltModifier)
        return false;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_F4:
    case Qt::Key_Escape:
        return false;
    default:
        return true;
    }
}

// Ctrl with a letter types a control character: the clipboard and undo keys among them.
bool isControlCharacter(const QKeyEvent* key)
{
    const int code = key->key();
    return (key->modifiers() & Qt::ControlModifier) && code >= Qt::Key_A && code <= Qt::Key_Z;
}

// Keys that type a character, as opposed to moving the cursor, deleting forward or changing the focus.
bool typesCharacter(const QKeyEvent* key)
{
    switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return false;
    default:
        return isControlCharacter(key) || !key->text().isEmpty();
    }
}

// Fallback faces run wider than the layout's Windows fonts: condense the widget's font until every
// text fits its width. The style sheet sets family and size only, so the stretch survives it.
void condenseToFit(QWidget* widget, const QList<std::pair<QString, int>>& textsAndWidths)
{
    widget->ensurePolished();
    QFont font = widget->font();
    const auto fits = [&textsAndWidths](const QFont& candidate) {
        const QFontMetrics metrics(candidate);
        return std::all_of(textsAndWidths.begin(), textsAndWidths.end(), [&metrics](const auto& entry) {
            return metrics.horizontalAdvance(entry.first) <= entry.second;
        });
    };
    font.setStretch(QFont::AnyStretch);
    for (int stretch = QFont::Unstretched; !fits(font) && stretch >= QFont::ExtraCondensed; --stretch)
        font.setStretch(stretch);
    widget->setFont(font);
}

QPixmap placeholderPicture(QSize size)
{
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setPen(QColor(150, 150, 150));
    painter.setBrush(QColor(225, 225, 225));
    painter.drawRect(QRect(QPoint(0, 0), size).adjusted(0, 0, -1, -1));
    return picture;
}

QPixmap thumbnailPicture(const QString& path, QSize size, qreal pixelRatio)
{
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return placeholderPicture(size);
    QPixmap picture(size * pixelRatio);
    picture.setDevicePixelRatio(pixelRatio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return picture;
}

} // namespace

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                              | Qt::WindowCloseButtonHint),
      m_ui(new Ui::TForm1)
{
    static const bool prepared = [] {
        registerPictures();
        installFontFallbacks();
        return true;
    }();
    Q_UNUSED(prepared);

    m_ui->setupUi(this);
    m_captions = {m_ui->L1, m_ui->L2, m_ui->L3, m_ui->L4, m_ui->L5, m_ui->L6, m_ui->L7, m_ui->L8};
    m_fields = {m_ui->Edit1, m_ui->Edit2, m_ui->Edit3, m_ui->Edit4, m_ui->Edit5,
                m_ui->Edit6, m_ui->Edit7, m_ui->Edit8, m_ui->Edit9};
    m_units = {m_ui->mm1, m_ui->mm2, m_ui->mm3, m_ui->mm4, m_ui->mm5, m_ui->mm6, m_ui->mm7, m_ui->mm8};
    // the thumbnails' bounds live in the presentation table, which the pictures are drawn from too
    for (int k = 0; k < kShapeCount; ++k) {
        const Presentation& shown = presentation(k);
        if (auto* thumbnail = findChild<QLabel*>(QLatin1StringView(shown.thumbnail))) {
            thumbnail->setGeometry(shown.thumbnailBounds);
            m_thumbnails.push_back(thumbnail);
        }
    }

    // The window's tab order; the Enter key walks it like Tab.
    m_tabOrder = {m_ui->Edit10, m_ui->StringGrid1, m_ui->ComboBox1};
    m_tabOrder.insert(m_tabOrder.end(), m_fields.begin(), m_fields.end());
    m_tabOrder.insert(m_tabOrder.end(),
                      {m_ui->ProgressBar1, m_ui->ComboBox2, m_ui->Txt, m_ui->RG1Item0, m_ui->RG1Item1, m_ui->RG1Item2});
    for (size_t i = 1; i < m_tabOrder.size(); ++i)
        QWidget::setTabOrder(m_tabOrder[i - 1], m_tabOrder[i]);

    const QList<QAbstractButton*> orientations{m_ui->RG1Item0, m_ui->RG1Item1, m_ui->RG1Item2};
    for (int id = 0; id < orientations.size(); ++id)
        m_ui->RG1Buttons->setId(orientations[id], id);
    m_ui->RG1Buttons->setExclusive(true);

    QLineEdit* selectorEdit = m_ui->ComboBox1->lineEdit();
    selectorEdit->setCompleter(nullptr);                        // completion would type a whole name
    selectorEdit->setAcceptDrops(false);                        // a drop would bypass the one-character limit
    selectorEdit->setContextMenuPolicy(Qt::PreventContextMenu); // so would the menu's Paste
    m_ui->ComboBox1->installEventFilter(this);

    // Paste and drag-and-drop bypass the key filter; the validator keeps them to digits.
    const QRegularExpression digits(QStringLiteral("[0-9]{0,%1}").arg(kMaxDigits));
    for (int i = 0; i < kDimensionRows; ++i)
        m_fields[static_cast<size_t>(i)]->setValidator(new QRegularExpressionValidator(digits, this));
    for (QLineEdit* field : m_fields)
        field->installEventFilter(this);
    m_ui->StringGrid1->installEventFilter(this);
    m_ui->StringGrid1->viewport()->installEventFilter(this);
    for (QLabel* thumbnail : m_thumbnails)
        thumbnail->installEventFilter(this);

    connect(selectorEdit, &QLineEdit::textEdited, this, &TForm1::selectorEdited);
    connect(m_ui->ComboBox1, &QComboBox::activated, this, &TForm1::ComboBox1Change);
    connect(m_ui->RG1Buttons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            RG1Click();
    });
    // a command reached while a run computes (its input is held back, but a command can still be
    // triggered from code) waits for nothing and does nothing
    const auto command = [this](QAction* action, void (TForm1::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] {
            if (!m_running)
                (this->*handler)();
        });
    };
    command(m_ui->N2, &TForm1::N2Click);
    command(m_ui->N3, &TForm1::N3Click);
    command(m_ui->N4, &TForm1::N4Command);
    command(m_ui->N5, &TForm1::clearTankCommand);
    command(m_ui->N6, &TForm1::N6Click);
    command(m_ui->D1, &TForm1::D1Click);
    command(m_ui->N8, &TForm1::N8Click);
    command(m_ui->N9, &TForm1::N9Click);
    command(m_ui->N10, &TForm1::N10Click);
    connect(m_ui->Txt, &QPushButton::clicked, this, &TForm1::TxtClick);
    // the tank's menu: the tank file's commands join the fill here
    auto* tankMenu = menuBar()->findChild<QMenu*>(QStringLiteral("TankMenu"));
    if (!tankMenu) {
        tankMenu = new QMenu(kTankMenu, menuBar());
        tankMenu->setObjectName(QStringLiteral("TankMenu"));
        menuBar()->insertMenu(m_ui->N3, tankMenu);
    }
    tankMenu->addSeparator(); // the fill works on the tank, the file commands above on its file
    m_fillCommand = tankMenu->addAction(kFillCommand);
    m_fillCommand->setObjectName(QStringLiteral("FillCommand"));
    command(m_fillCommand, &TForm1::FillCommandClick);
    m_deadwoodCommand = tankMenu->addAction(kDeadwoodCommand);
    m_deadwoodCommand->setObjectName(QStringLiteral("DeadwoodCommand"));
    command(m_deadwoodCommand, &TForm1::DeadwoodCommandClick);
    m_tiltCommand = tankMenu->addAction(kTiltCommand);
    m_tiltCommand->setObjectName(QStringLiteral("TiltCommand"));
    command(m_tiltCommand, &TForm1::TiltCommandClick);
    m_tiltGridCommand = tankMenu->addAction(kTiltGridCommand);
    m_tiltGridCommand->setObjectName(QStringLiteral("TiltGridCommand"));
    command(m_tiltGridCommand, &TForm1::TiltGridCommandClick);
    for (int i = 0; i < kDimensionRows; ++i)
        connect(m_fields[static_cast<size_t>(i)], &QLineEdit::textEdited, this, [this] { forgetFit(); });

    // F10 opens the menu from any control, as a lone Alt does; both start at the first enabled command
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    // after the shortcut's own key handling has ended
    connect(f10, &QShortcut::activated, this, &TForm1::openMenuBar, Qt::QueuedConnection);
    menuBar()->installEventFilter(this);
    // the drawing, which the thumbnails open by mouse, from the keyboard too
    auto* picture = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(picture, &QShortcut::activated, this, &TForm1::Image26Click);
    setWindowIcon(programIcon());

    setUpMeasured();
    loadThumbnails();
    // the layout scrolls inside the window where the screen is smaller than the layout
    QWidget* content = takeCentralWidget();
    content->setFixedSize(kClientWidth, kClientHeight);
    auto* scroller = new QScrollArea(this);
    scroller->setObjectName(QStringLiteral("Scroller"));
    scroller->setFrameShape(QFrame::NoFrame);
    // a click on the panel's background, a caption or a thumbnail leaves the focus where it was
    scroller->setFocusPolicy(Qt::NoFocus);
    scroller->setWidget(content);
    setCentralWidget(scroller);
    fitToScreen();
    m_ui->ComboBox1->setFocus();
    // "0" stands in the box until an entry is chosen, and reads like one
    QPalette decimals = m_ui->ComboBox2->palette();
    decimals.setColor(QPalette::PlaceholderText, decimals.color(QPalette::ButtonText));
    m_ui->ComboBox2->setPalette(decimals);

    FormCreate();
    setUpTankMenu();
    // the picture viewer exists, hidden, from start-up on
    m_viewer = std::make_unique<TForm2>(this, [this] { return selectedShapeName(); });
    fitFontsToLayout();
}

TForm1::~TForm1() { delete m_ui; }

QRect windowPlacement(QSize layout, QMargins frame, QRect available)
{
    const QSize room(available.width() - frame.left() - frame.right(),
                     available.height() - frame.top() - frame.bottom());
    const QSize client = layout.boundedTo(room).expandedTo(QSize(1, 1));
    const QSize outer = client.grownBy(frame);
    // centred, but never with the frame outside the available area
    const int left = available.left() + std::max(0, (available.width() - outer.width()) / 2);
    const int top = available.top() + std::max(0, (available.height() - outer.height()) / 2);
    return {QPoint(left + frame.left(), top + frame.top()), client};
}

// The fixed window takes its layout's size, or the screen's available size where that is smaller.
void TForm1::fitToScreen()
{
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QSize layout(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const QRect placed = windowPlacement(layout, frame, screen->availableGeometry());
    setFixedSize(placed.size());
    setGeometry(placed);
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_fittedOnShow || event->spontaneous())
        return;
    m_fittedOnShow = true;
    // the window manager tells its frame only after the window is mapped; a window that fits stays put
    QTimer::singleShot(250, this, [this] {
        const QScreen* screen = this->screen();
        if (screen && !screen->availableGeometry().contains(frameGeometry()))
            fitToScreen();
    });
}

void TForm1::FormCreate()
{
    m_ui->ComboBox1->clear();
    for (const ShapeInfo& info : shapes())
        m_ui->ComboBox1->addItem(fromUtf8(info.name));
    addMeasuredItem();
    m_ui->ComboBox1->setCurrentIndex(0);
    setGridColumns(false);
    ensureProgramFolder();
}

// The grid keeps its width: the U columns take room from the level and volume columns, whose headings then break
// after their first word.
void TForm1::setGridColumns(bool withUncertainty)
{
    QTableWidget* grid = m_ui->StringGrid1;
    const bool was = grid->columnCount() == kGridColumnsWithU;
    if (was == withUncertainty && grid->item(0, 0))
        return;
    grid->setColumnCount(withUncertainty ? kGridColumnsWithU : kGridColumns);
    const auto widths =
        withUncertainty ? std::vector<int>{82, 74, 62, 48} : std::vector<int>{kLevelWidth, kVolumeWidth};
    for (std::size_t c = 0; c < widths.size(); ++c)
        grid->setColumnWidth(static_cast<int>(c), widths[c]);
    const auto heading = [&](const QString& text) {
        return withUncertainty ? QString(text).replace(QStringLiteral("("), QStringLiteral("\n(")) : text;
    };
    grid->setItem(0, 0, new QTableWidgetItem(heading(kLevelHeading)));
    grid->setItem(0, 1,
                  new QTableWidgetItem(heading(kVolumeHeading).replace(QStringLiteral(" \n"), QStringLiteral("\n"))));
    const int twoLines = 2 * QFontMetrics(grid->font()).lineSpacing() + 4;
    grid->setRowHeight(0, withUncertainty ? twoLines : grid->verticalHeader()->defaultSectionSize());
}

// The grid's headings must fit their columns and the longest shape name the selector's edit field.
void TForm1::fitFontsToLayout()
{
    QTableWidget* grid = m_ui->StringGrid1;
    // the cell's text margins, its grid line and a pixel for rounding
    const int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1) + 2;
    condenseToFit(grid, {{kLevelHeading, kLevelWidth - margins}, {kVolumeHeading, kVolumeWidth - margins}});

    QComboBox* selector = m_ui->ComboBox1;
    QStyleOptionComboBox option;
    option.initFrom(selector);
    option.editable = true;
    const QRect edit =
        selector->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, selector);
    const int textMargins = 6; // the edit field's own margins and cursor
    QList<std::pair<QString, int>> names;
    for (const ShapeInfo& info : shapes())
        names.append({fromUtf8(info.name), edit.width() - textMargins});
    names.append({fromUtf8(kMeasuredShapeName), edit.width() - textMargins});
    condenseToFit(selector, names);
    condenseToFit(selector->lineEdit(), names);
}

QString TForm1::programFolder()
{
    if (const QString base = qEnvironmentVariable("ProgramFiles"); !base.isEmpty())
        return QDir(base).filePath(QStringLiteral("Tarvol"));
    // without the variable (outside Windows) the folder goes with the user's application data; without a home
    // Qt would place that under the filesystem root, which belongs to no user: the temporary folder serves then
    const bool homeless = QDir(QDir::homePath()).isRoot() && qEnvironmentVariableIsEmpty("XDG_DATA_HOME");
    const QString base =
        QStandardPaths::writableLocation(homeless ? QStandardPaths::TempLocation : QStandardPaths::GenericDataLocation);
    return base.isEmpty() || QDir(base).isRoot() ? QString() : QDir(base).filePath(QStringLiteral("Tarvol"));
}

void TForm1::ensureProgramFolder()
{
    const QString folder = programFolder();
    if (!folder.isEmpty() && QDir().mkpath(folder))
        return;
    // the message names the folder tried; under ProgramFiles it is the one the user knows
    if (!qEnvironmentVariableIsEmpty("ProgramFiles") || folder.isEmpty())
        messages().error(kFolderError);
    else
        messages().error(kFolderErrorAt.arg(QDir::toNativeSeparators(folder)));
}

void TForm1::loadThumbnails()
{
    for (QLabel* thumbnail : m_thumbnails) {
        const QString path = QStringLiteral(":/thumbs/%1.svg").arg(thumbnail->objectName());
        thumbnail->setPixmap(QFile::exists(path) ? thumbnailPicture(path, thumbnail->size(), devicePixelRatioF())
                                                 : placeholderPicture(thumbnail->size()));
    }
}

// The separator of the user's number format; tests pin it through QLocale::setDefault.
char decimalSeparator()
{
    const QString point = QLocale().decimalPoint();
    const char16_t c = point.isEmpty() ? u'.' : point.front().unicode();
    return c < 0x80 ? static_cast<char>(c) : '.'; // the core writes one byte
}

// ---- window states ----

// Entering: dimensions writable, "Рассчитать" offered. Calculated: dimensions locked, the result can be
// saved and its accuracy shown. Edit9 only ever shows the step.
void TForm1::updateActions(bool calculated)
{
    m_ui->N2->setEnabled(!calculated);
    m_ui->N1->setEnabled(calculated);
    m_ui->N6->setEnabled(calculated);
    for (int i = 0; i < kDimensionRows; ++i)
        m_fields[static_cast<size_t>(i)]->setReadOnly(calculated);
    m_ui->Edit9->setReadOnly(true);
    if (m_measured)
        m_measured->setReadOnly(calculated);
}

void TForm1::setEnteringState() { updateActions(false); }

void TForm1::setCalculatedState() { updateActions(true); }

// While a run computes no other command may start: the commands and inputs go off, then back as they were.
void TForm1::lockCommands(bool locked)
{
    const std::array<QAction*, 6> commands{m_ui->N2, m_ui->N3, m_ui->N4, m_ui->N5, m_ui->N6, m_fillCommand};
    std::vector<QWidget*> inputs{m_ui->N1, m_ui->TankMenu, m_ui->ComboBox1, m_ui->RG1, m_ui->ComboBox2};
    inputs.insert(inputs.end(), m_fields.begin(), m_fields.begin() + kDimensionRows);
    inputs.push_back(m_measured);
    if (locked) {
        m_focusBeforeRun = focusWidget();
        m_enabledBeforeRun.clear();
        for (QAction* command : commands) {
            m_enabledBeforeRun.push_back(command->isEnabled());
            command->setEnabled(false);
        }
        for (QWidget* input : inputs) {
            m_enabledBeforeRun.push_back(input->isEnabled());
            input->setEnabled(false);
        }
        return;
    }
    auto enabled = m_enabledBeforeRun.cbegin();
    for (QAction* command : commands)
        command->setEnabled(*enabled++);
    for (QWidget* input : inputs)
        input->setEnabled(*enabled++);
    // disabling the focused field moved the focus away
    if (m_focusBeforeRun && m_focusBeforeRun->isEnabled())
        m_focusBeforeRun->setFocus();
}

// ---- shape selection ----

QString TForm1::selectedShapeName() const
{
    const int index = m_ui->ComboBox1->currentIndex();
    return index < 0 ? QString() : m_ui->ComboBox1->itemText(index);
}

void TForm1::ComboBox1Change()
{
    closePictureViewer();
    tankSetUp();
    forgetFit();
    for (int i = 0; i < kDimensionRows; ++i) {
        const auto row = static_cast<size_t>(i);
        m_captions[row]->hide();
        m_fields[row]->hide();
        m_units[row]->hide();
    }
    showErrorLine(kErrorIdle);
    m_ui->ComboBox2->setCurrentIndex(0);
    m_ui->Label0->setText(kInnerTitle);
    m_ui->Label0->setProperty("outer", false);
    if (m_ui->ComboBox1->currentText().size() < kShortestName)
        m_ui->ComboBox1->setCurrentIndex(0);
    for (QLineEdit* field : m_fields)
        field->clear();
    m_table.reset();
    m_ui->StringGrid1->setRowCount(1);
    showTable();
    StringGrid1Exit();
    setEnteringState();
    for (QLabel* thumbnail : m_thumbnails)
        thumbnail->hide();

    const auto k = findShape(selectedShapeName().toStdString());
    // only a horizontal shell is pitched and rolled; an inclined shape is its pitch-only preset
    const bool tilts = k && shape(*k).group == Group::Horizontal;
    m_tiltCommand->setEnabled(tilts);
    m_tiltGridCommand->setEnabled(tilts);
    if (k) {
        const ShapeInfo& info = shape(*k);
        if (info.outerDimensions) {
            m_ui->Label0->setText(kOuterTitle);
            m_ui->Label0->setProperty("outer", true);
        }
        if (auto* thumbnail = findChild<QLabel*>(QLatin1StringView(presentation(*k).thumbnail)))
            thumbnail->show();
        for (size_t i = 0; i < info.captions.size(); ++i) {
            m_captions[i]->show();
            m_captions[i]->setText(fromUtf8(info.captions[i]));
            m_fields[i]->show();
            m_units[i]->show();
        }
    }
    showMeasuredPanel(measuredSelected());
    // the title's background follows its "outer" property in the style sheet
    m_ui->Label0->style()->unpolish(m_ui->Label0);
    m_ui->Label0->style()->polish(m_ui->Label0);

    // typing goes on in the first dimension field, unless the user is still at work in the selector
    if (!std::exchange(m_keyInSelector, false))
        focusFirstField();
}

// The focus goes where typing continues; a field hidden by the set-up would swallow the digits.
void TForm1::focusFirstField()
{
    // not as Tab would: the value kept by "Правка" is not selected, so a key corrects it instead of replacing it
    if (m_fields[0]->isVisibleTo(this))
        setKeyboardFocus(m_fields[0], Qt::OtherFocusReason);
}

// A focus moved by the keyboard shows its frame, as Tab's does.
void TForm1::setKeyboardFocus(QWidget* widget, Qt::FocusReason reason)
{
    setAttribute(Qt::WA_KeyboardFocusChange);
    widget->setFocus(reason);
    // on a small or scaled screen the layout scrolls: the focused control comes into view, as Tab brings it
    if (auto* scroller = qobject_cast<QScrollArea*>(centralWidget());
        scroller && scroller->widget()->isAncestorOf(widget))
        scroller->ensureWidgetVisible(widget);
}

// The menu bar enters its keyboard navigation on a lone Alt; F10 takes the same road. A key press sent from
// the program goes through the shortcut override first, as a typed one does, which is what the menu bar watches.
void TForm1::openMenuBar()
{
    QWidget* target = focusWidget() ? focusWidget() : this;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

// The menu bar starts its keyboard navigation on its first command, enabled or not: move on to an enabled one.
void TForm1::skipDisabledMenuCommand()
{
    QMenuBar* bar = menuBar();
    if (const QAction* active = bar->activeAction(); active && !active->isEnabled()) {
        QKeyEvent next(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &next);
    }
}

// An edit of the selector's text leaves no item selected, and the text stays as typed.
void TForm1::selectorEdited(const QString& text)
{
    QLineEdit* edit = m_ui->ComboBox1->lineEdit();
    const int cursor = edit->cursorPosition();
    {
        const QSignalBlocker block(m_ui->ComboBox1);
        m_ui->ComboBox1->setCurrentIndex(-1);
    }
    edit->setText(text);
    edit->setCursorPosition(cursor);
    ComboBox1Change();
}

void TForm1::RG1Click()
{
    const int group = m_ui->RG1Buttons->checkedId();
    if (group >= 0 && group <= 2) {
        const GroupRange range = groupRange(static_cast<Group>(group));
        m_ui->ComboBox1->clear();
        for (int k = range.first; k <= range.last; ++k)
            m_ui->ComboBox1->addItem(fromUtf8(shape(k).name));
        if (static_cast<Group>(group) == Group::Vertical)
            addMeasuredItem();
    }
    // only the chosen orientation is a tab stop
    for (QAbstractButton* button : m_ui->RG1Buttons->buttons())
        button->setFocusPolicy(button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    m_ui->ComboBox1->setCurrentIndex(0);
    ComboBox1Change();
}

// ---- commands ----

bool TForm1::inputComplete() const
{
    return std::none_of(m_fields.begin(), m_fields.begin() + kDimensionRows,
                        [this](const QLineEdit* field) { return field->isVisibleTo(this) && field->text().isEmpty(); });
}

void TForm1::N2Click()
{
    if (m_running)
        return;
    showErrorLine(kErrorIdle);
    const int index = m_ui->ComboBox2->currentIndex();
    m_decimalPlaces = runDecimals(index);
    m_accuracy = {};
    m_errorLine.clear();
    if (!inputComplete()) {
        messages().information(kIncomplete);
        return;
    }
    const QString stepBefore = m_ui->Edit9->text();
    m_ui->Edit9->clear();
    setCalculatedState();

    if ((findShape(selectedShapeName().toStdString()) || measuredSelected()) && !runShape()) {
        m_ui->Edit9->setText(stepBefore); // a cancelled run leaves the window as "Правка" would have
        return;
    }

    m_ui->Edit9->setText(QString::number(m_outputStep));
    if (!m_errorLine.isEmpty())
        showErrorLine(m_errorLine);
    // a refused run leaves "Сохранить" offered too
    m_ui->N1->setEnabled(true);
}

bool TForm1::runShape()
{
    const Tank tank = currentTank();
    TableRequest request;
    request.separator = decimalSeparator();
    request.byGauge = true; // a tank with a gauge zero is read by its gauge
    // every level is kept for the saves when the full-table formats hold the tank's height
    if (const auto model = prepareModel(tank.shape, tank.dimensions, tank.orientation); model.ok())
        request.keepLevels = model.model().top() <= kMaxTableLevel;
    request.keepLevels = request.keepLevels || isMeasuredShape(tank.shape); // never past 100 m

    TableOutcome outcome = tableInBackground(tank, request);
    if (!outcome.ok()) {
        const Refusal* refusal = outcome.refusal();
        if (refusal)
            messages().information(QString::fromStdString(refusal->message));
        N4Click(); // back to entering, the typed values kept for correction
        // the field the refusal names is the one to correct
        if (refusal && refusal->field >= 0 && refusal->field < kDimensionRows) {
            QLineEdit* field = m_fields[static_cast<size_t>(refusal->field)];
            setKeyboardFocus(field, Qt::OtherFocusReason);
            field->selectAll();
        }
        return !outcome.cancelled();
    }
    showResult(std::move(outcome.table()));
    return true;
}

TableOutcome TForm1::tableInBackground(const Tank& tank, TableRequest request)
{
    if (m_running)
        return RunFailure(Cancelled{});
    const QScopedValueRollback running(m_running, true);
    // the worker's table is read here only after the worker has ended
    std::optional<TableOutcome> made;
    const auto job = [&tank, &request, &made](const RunOptions& o) -> RunOutcome {
        request.progress = o.progress;
        request.cancel = o.cancel;
        made.emplace(tableOf(tank, request));
        if (made->ok())
            return RunOutcome{};
        if (const Refusal* refusal = made->refusal())
            return *refusal;
        return Cancelled{};
    };
    const RunOutcome ran = runInBackground(this, job, RunOptions{}, [this](bool locked) { lockCommands(locked); });
    if (!made || ran.cancelled())
        return RunFailure(Cancelled{});
    return std::move(*made);
}

void TForm1::showResult(TankTable table)
{
    m_accuracy = table.accuracy;
    m_errorLine = fromUtf8(table.errorLine);
    m_outputStep = table.outputStep;
    m_table = std::move(table);
    showTable();
}

void TForm1::N4Click()
{
    showErrorLine(kErrorIdle);
    m_table.reset();
    m_ui->StringGrid1->setRowCount(1);
    showTable();
    StringGrid1Exit();
    setEnteringState();
}

// "Правка" from the menu: the values are to be corrected, so typing starts in the first field.
void TForm1::N4Command()
{
    N4Click();
    focusFirstField();
}

// PG reaches to the window's edge; the error line is the longest text it shows.
void TForm1::showErrorLine(const QString& text)
{
    m_ui->PG->setText(text);
    condenseToFit(m_ui->PG, {{text, m_ui->PG->contentsRect().width()}});
}

void TForm1::N3Click() { messages().information(kAbout); }

void TForm1::N6Click()
{
    const std::string report = accuracyReport(m_accuracy, decimalSeparator());
    if (report.empty())
        return;
    QString text = QString::fromStdString(report);
    if (const QString u = uncertaintyReport(); !u.isEmpty())
        text += QLatin1Char('\n') + u;
    if (messages().informationWithAction(text, kUncertaintyAction))
        editUncertainty();
}

void TForm1::StringGrid1Exit()
{
    m_ui->StringGrid1->clearSelection();
    m_ui->StringGrid1->selectionModel()->clearCurrentIndex();
}

void TForm1::Image26Click() { showPictureViewer(); }

// The viewer is a window of its own: left open, it would keep the program running without its main window.
void TForm1::closeEvent(QCloseEvent* event)
{
    if (!m_running && !confirmUnsavedChanges()) {
        event->ignore();
        return;
    }
    closePictureViewer();
    QMainWindow::closeEvent(event);
}

// The picture viewer window connects here.
void TForm1::showPictureViewer()
{
    if (m_viewer)
        m_viewer->Image26Click();
    emit pictureViewerRequested();
}

void TForm1::closePictureViewer()
{
    if (m_viewer)
        m_viewer->closeViewer();
    emit pictureViewerClosed();
}

// ---- entry rules ----

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    const auto field = std::find(m_fields.begin(), m_fields.end(), watched);
    const bool isField = field != m_fields.end();
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (watched == m_ui->ComboBox1) {
            m_keyInSelector = keepsFocusInSelector(key);
            ComboBox1KeyDown(key);
            QLineEdit* edit = m_ui->ComboBox1->lineEdit();
            // one typed character: what stays plus what comes in may not exceed it
            const qsizetype kept = edit->text().size() - edit->selectedText().size();
            if (key->matches(QKeySequence::Paste))
                return kept + QGuiApplication::clipboard()->text().size() > 1;
            if (typesCharacter(key) && key->key() != Qt::Key_Backspace && !isControlCharacter(key))
                return kept + key->text().size() > 1;
            return false;
        }
        if (isField) {
            Edit1KeyDown(*field, key);
            return field - m_fields.begin() < kDimensionRows && !Edit1KeyPress(*field, key);
        }
        break;
    }
    case QEvent::ContextMenu:
        if (isField)
            return Edit1ContextPopup();
        break;
    case QEvent::FocusOut:
        if (watched == m_ui->StringGrid1)
            StringGrid1Exit();
        break;
    case QEvent::KeyRelease:
        if (watched == m_ui->ComboBox1)
            m_keyInSelector = false;
        break;
    case QEvent::FocusIn:
        if (watched == menuBar())
            skipDisabledMenuCommand();
        break;
    case QEvent::MouseButtonRelease:
        if (watched == m_ui->StringGrid1->viewport()) {
            StringGrid1Exit();
        } else if (std::find(m_thumbnails.begin(), m_thumbnails.end(), watched) != m_thumbnails.end()
                   && static_cast<const QMouseEvent*>(event)->button() == Qt::LeftButton) {
            Image26Click();
            return true;
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

// Digits and Backspace only, at most eight characters counted over the whole text.
bool TForm1::Edit1KeyPress(QLineEdit* field, const QKeyEvent* key) const
{
    if (!typesCharacter(key))
        return true;
    if (key->key() == Qt::Key_Backspace && !(key->modifiers() & Qt::ControlModifier))
        return true;
    if (field->text().size() >= kMaxDigits)
        return false;
    const QString text = key->text();
    return !isControlCharacter(key) && text.size() == 1 && text.front() >= u'0' && text.front() <= u'9';
}

bool TForm1::Edit1ContextPopup() { return true; }

void TForm1::Edit1KeyDown(QWidget* field, const QKeyEvent* key)
{
    if (isEnterKey(key))
        focusNextTabStop(field);
}

void TForm1::ComboBox1KeyDown(const QKeyEvent* key)
{
    if (isEnterKey(key))
        focusNextTabStop(m_ui->ComboBox1);
}

bool TForm1::isTabStop(const QWidget* widget) const
{
    return (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && widget->isEnabled() && widget->isVisibleTo(this);
}

// Forward through the whole window's tab order, wrapping; the control itself comes last.
void TForm1::focusNextTabStop(QWidget* from)
{
    const auto count = static_cast<std::ptrdiff_t>(m_tabOrder.size());
    const std::ptrdiff_t start = std::find(m_tabOrder.begin(), m_tabOrder.end(), from) - m_tabOrder.begin();
    for (std::ptrdiff_t step = 1; step <= count; ++step) {
        QWidget* candidate = m_tabOrder[static_cast<size_t>((start + step) % count)];
        if (isTabStop(candidate)) {
            setKeyboardFocus(candidate, Qt::TabFocusReason);
            return;
        }
    }
}

// ---- what the exports read ----

QString TForm1::shapeText() const { return m_ui->ComboBox1->currentText(); }

TForm1::DimensionRow TForm1::dimensionRow(int row) const
{
    if (row < 1 || row > kDimensionRows)
        return {};
    const auto i = static_cast<size_t>(row - 1);
    return {m_captions[i]->text(), m_fields[i]->text(), m_fields[i]->isVisibleTo(this)};
}

int TForm1::gridRowCount() const { return m_ui->StringGrid1->rowCount(); }

std::vector<TForm1::GridRow> TForm1::gridRows() const
{
    const QTableWidget* grid = m_ui->StringGrid1;
    const auto cell = [grid](int row, int column) {
        const QTableWidgetItem* item = grid->item(row, column);
        return item ? item->text() : QString();
    };
    std::vector<GridRow> rows;
    for (int row = 1; row < grid->rowCount(); ++row)
        rows.push_back({cell(row, 0), cell(row, 1)});
    return rows;
}

QProgressBar* TForm1::progressBar() const { return m_ui->ProgressBar1; }

} // namespace tarvol
