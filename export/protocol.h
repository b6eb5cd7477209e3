#pragma once

// «Протокол измерений»: what was measured on a tank made from its strapping record and what follows from it
// course by course — every reading, the mean and corrected circumference, the inner diameters, the bottom's volume,
// the tilt's factor, the temperatures — with the tank's passport and the signatures. The table with U is the full
// table's own document.

#include <vector>

#include <QString>
#include <QStringList>

#include "calc/expected.h"
#include "export/content.h"
#include "tank/strapping.h"
#include "tank/tankfile.h"

namespace tarvol {

inline const QString kProtocolTitle = QStringLiteral("Протокол измерений");

struct ProtocolContent {
    QStringList head;                 // the title, the passport, the conditions of the measurement
    QStringList courseHeader;         // the course table's column names
    std::vector<QStringList> courses; // one row of cells per course, from the bottom up
    QStringList bottom;               // the bottom's survey and volumes, the full volume
    QStringList signature;
};

// The protocol's texts, numbers with `separator`; a record that cannot describe a tank gives its refusal's
// sentence, naming the key.
expected<ProtocolContent, QString> protocolOf(const StrappingRecord& record, const TankPassport& passport,
                                              char separator);

// An A4 landscape PDF, written in one step: a failure leaves an existing file as it was.
ExportResult writeProtocolPdf(const QString& path, const ProtocolContent& content);

} // namespace tarvol
