// A tank made from its strapping record: the selector's item after the catalogue's shapes, the panel of courses
// that takes the dimension fields' place, and «Протокол измерений…».

#include "app/tform1.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>

#include "app/measuredpanel.h"
#include "app/messages.h"
#include "export/protocol.h"
#include "export/savedialog.h"
#include "ui_tform1.h"

namespace tarvol {
namespace {

const QString kProtocolCommand = QStringLiteral("&Протокол измерений…");
const QString kProtocolFilter = QStringLiteral("Документ PDF (*.pdf)");
const QString kProtocolFile = QStringLiteral("протокол.pdf");
const QString kMeasuredTitle = QStringLiteral("ИЗМЕРЕНИЯ РЕЗЕРВУАРА");

QString measuredName() { return QString::fromUtf8(kMeasuredShapeName.data(), kMeasuredShapeName.size()); }

} // namespace

void TForm1::setUpMeasured()
{
    // in the dimension panel between its title and the step's row, where the fields stand
    m_measured = new MeasuredPanel(m_ui->Panel1);
    m_measured->setGeometry(8, 44, 562, 318);
    m_measured->hide();
    connect(m_measured, &MeasuredPanel::changed, this, &TForm1::updateTankTitle);
    m_protocolCommand = m_ui->TankMenu->addAction(kProtocolCommand);
    m_protocolCommand->setObjectName(QStringLiteral("ProtocolCommand"));
    m_protocolCommand->setEnabled(false);
    connect(m_protocolCommand, &QAction::triggered, this, [this] {
        if (!m_running)
            ProtocolCommandClick();
    });
}

void TForm1::addMeasuredItem() { m_ui->ComboBox1->addItem(measuredName()); }

bool TForm1::measuredSelected() const { return selectedShapeName() == measuredName(); }

void TForm1::showMeasuredPanel(bool shown)
{
    if (!m_measured)
        return;
    m_measured->clear();
    m_measured->setVisible(shown);
    m_protocolCommand->setEnabled(shown);
    if (shown)
        m_ui->Label0->setText(kMeasuredTitle);
}

void TForm1::ProtocolCommandClick()
{
    const Tank tank = currentTank();
    if (!tank.strapping)
        return;
    const auto protocol = protocolOf(*tank.strapping, tablePassport(), decimalSeparator());
    if (!protocol) {
        messages().information(protocol.error());
        return;
    }
    SaveRequest request;
    request.fileName = QDir(fileDialogFolder()).filePath(kProtocolFile);
    request.filters = {kProtocolFilter};
    std::optional<SaveChoice> choice;
    if (SaveDialogService* service = saveDialogService()) {
        choice = service->choose(request);
    } else {
        const QString path = QFileDialog::getSaveFileName(this, QString(), request.fileName, kProtocolFilter);
        if (!path.isEmpty())
            choice = SaveChoice{path, 0};
    }
    if (!choice)
        return;
    rememberFileDialogFolder(choice->path);
    QString path = choice->path;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    if (const ExportResult written = writeProtocolPdf(path, *protocol); !written.ok())
        messages().error(written.error().message());
}

} // namespace tarvol
