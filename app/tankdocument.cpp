#include "app/tankdocument.h"

#include <cmath>
#include <cstdio>

#include <QDate>
#include <QFile>
#include <QFileInfo>

#include "app/tform1.h"
#include "export/fulltable.h"
#include "export/protocol.h"
#include "tank/table.h"
#include "tank/tank.h"

namespace tarvol {
namespace {

void complain(const QString& text) { std::fprintf(stderr, "tarvol: %s\n", text.toLocal8Bit().constData()); }

} // namespace

TankPassport printedPassport(TankPassport passport)
{
    if (passport.date.empty()) // as the window's passport form offers it
        passport.date = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")).toStdString();
    return passport;
}

int saveTankDocument(const QString& tankPath, const QString& documentPath)
{
    const TableFormat* format = tableFormat(QFileInfo(documentPath).suffix());
    if (!format) {
        QStringList suffixes;
        for (const TableFormat& f : tableFormats())
            suffixes << f.suffix;
        complain(QStringLiteral("у файла документа должно быть расширение %1: %2")
                     .arg(suffixes.join(QStringLiteral(", ")), documentPath));
        return kDocumentUsage;
    }
    const auto tank = readTank(QFile::encodeName(tankPath).toStdString());
    if (!tank) {
        complain(QString::fromStdString(tankFileErrorText(tank.error())));
        return isAccessFault(tank.error().fault) ? kDocumentNoTank : kDocumentBrokenTank;
    }

    // what the window's run of the same tank gives: its decimal places, the user's separator, every level, by
    // the gauge's reading where the tank has a zero
    TableRequest request;
    request.separator = decimalSeparator();
    request.keepLevels = true;
    request.byGauge = true;
    const TableOutcome outcome = tableOf(*tank, request);
    if (const Refusal* refusal = outcome.refusal()) {
        complain(QString::fromStdString(refusal->message));
        return kDocumentRefused;
    }
    const TableContent table = fullTableDocument(outcome.table(), printedPassport(tank->passport));
    if (const ExportResult written = exportFullTable(documentPath, format, table); !written.ok()) {
        complain(written.error().message());
        return written.error().kind == ExportFailure::BadTable ? kDocumentRefused : kDocumentNotWritten;
    }
    return kDocumentMade;
}

int saveTankProtocol(const QString& tankPath, const QString& protocolPath)
{
    if (QFileInfo(protocolPath).suffix().compare(QStringLiteral("pdf"), Qt::CaseInsensitive) != 0) {
        complain(QStringLiteral("протокол измерений записывается в PDF: нужно расширение pdf: %1").arg(protocolPath));
        return kDocumentUsage;
    }
    const auto tank = readTank(QFile::encodeName(tankPath).toStdString());
    if (!tank) {
        complain(QString::fromStdString(tankFileErrorText(tank.error())));
        return isAccessFault(tank.error().fault) ? kDocumentNoTank : kDocumentBrokenTank;
    }
    if (!tank->strapping) {
        complain(QStringLiteral("протокол измерений есть только у резервуара по измерениям: %1").arg(tankPath));
        return kDocumentRefused;
    }
    const auto protocol = protocolOf(*tank->strapping, printedPassport(tank->passport), decimalSeparator());
    if (!protocol) {
        complain(protocol.error());
        return kDocumentRefused;
    }
    if (const ExportResult written = writeProtocolPdf(protocolPath, *protocol); !written.ok()) {
        complain(written.error().message());
        return kDocumentNotWritten;
    }
    return kDocumentMade;
}

} // namespace tarvol
