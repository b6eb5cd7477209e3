#include "app/tankdocument.h"

#include <cmath>
#include <cstdio>

#include <QDate>
#include <QFile>
#include <QFileInfo>

#include "app/tform1.h"
#include "export/fulltable.h"
#include "export/tableuncertainty.h"
#include "fit/filljson.h"
#include "fit/report.h"
#include "tank/tankfile.h"

namespace tarvol {
namespace {

void complain(const QString& text) { std::fprintf(stderr, "tarvol: %s\n", text.toLocal8Bit().constData()); }

} // namespace

std::optional<FitResult> savedFit(const TankDocument& tank)
{
    const auto* section = tank.section(kFillSection);
    if (!section || !section->contains("fit"))
        return std::nullopt;
    try {
        FitResult fit = fitFromJson(section->at("fit"));
        if (fit.shape == tank.shape)
            return fit;
    } catch (const nlohmann::json::exception&) {
        // a section this version cannot read is kept in the file, unused
    }
    return std::nullopt;
}

std::vector<double> fittedDimensions(const FitResult& fit)
{
    std::vector<double> dims;
    for (const double d : fit.dims)
        dims.push_back(std::round(d * 10) / 10);
    return dims;
}

TablePassport printedPassport(const TankPassport& p)
{
    const auto text = [](const std::string& s) { return QString::fromStdString(s); };
    TablePassport passport{text(p.tankNumber), text(p.owner), text(p.author), text(p.date), text(p.organisation)};
    if (passport.date.isEmpty()) // as the window's passport form offers it
        passport.date = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
    return passport;
}

TankPassport tankPassport(const TablePassport& p)
{
    return {p.tankNumber.toStdString(), p.owner.toStdString(), p.author.toStdString(), p.date.toStdString(),
            p.organisation.toStdString()};
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
    const TankReadOutcome tank = readTankFile(QFile::encodeName(tankPath).toStdString());
    if (!tank) {
        complain(QString::fromStdString(tankFileErrorText(tank.error())));
        return isAccessFault(tank.error().fault) ? kDocumentNoTank : kDocumentBrokenTank;
    }

    // what the window's run of the same tank gives: its decimal places, the user's separator, every level, and a
    // fitted tank's table made from its fit
    TableRun run{tank->shape, tank->dimensions, tank->decimals, decimalSeparator(), {}, {}};
    const std::optional<FitResult> fit = savedFit(*tank);
    std::vector<double> dims;
    if (fit) {
        dims = fittedDimensions(*fit);
        run.fitLine = QString::fromStdString(fitTitleLine(*fit, run.separator));
    }
    RunOutcome outcome = fit ? calculate(run.shape, dims, everyLevelOptions(run))
                             : calculateFromTexts(run.shape, run.fieldTexts, everyLevelOptions(run));
    if (const Refusal* refusal = outcome.refusal()) {
        complain(QString::fromStdString(refusal->message));
        return kDocumentRefused;
    }
    run.result = std::move(outcome.result());
    if (!fit)
        for (const std::string& text : tank->dimensions)
            dims.push_back(std::stod(text)); // the run above accepted them as digit strings

    TableContent table = fullTableDocument(std::move(run), printedPassport(tank->passport));
    if (const auto* section = tank->section("uncertainty")) {
        const auto budget = inputsFromJson(*section);
        const auto fault = budget ? checkInputs(*budget, static_cast<int>(dims.size())) : budget.error();
        if (fault) { // a budget that cannot be read must not pass for a table without one
            complain(QStringLiteral("В файле ёмкости неверное значение uncertainty.%1")
                         .arg(QString::fromStdString(fault->key)));
            return kDocumentBrokenTank;
        }
        addUncertainty(table, tank->shape, dims, *budget);
    }
    if (const ExportResult written = exportFullTable(documentPath, format, table); !written.ok()) {
        complain(written.error().message());
        return written.error().kind == ExportFailure::BadTable ? kDocumentRefused : kDocumentNotWritten;
    }
    return kDocumentMade;
}

} // namespace tarvol
