#pragma once

#include <optional>
#include <vector>

#include <QString>

#include "fit/fit.h"

namespace tarvol {

struct TankPassport;

// The tank's passport as the printed table shows it: an empty date offered as today's.
TankPassport printedPassport(TankPassport passport);

// Exit statuses of a document made without the window, after sysexits.h, as tarvol-table has them.
inline constexpr int kDocumentMade = 0;
inline constexpr int kDocumentRefused = 2;
inline constexpr int kDocumentUsage = 64;
inline constexpr int kDocumentBrokenTank = 65;
inline constexpr int kDocumentNoTank = 66;
inline constexpr int kDocumentNotWritten = 73;

// "tarvol --tank FILE --save-document OUT": the full table the window's «В виде таблицы» makes of the tank, in
// the format of OUT's suffix (pdf, xlsx, csv), with the tank's passport; messages go to standard error.
int saveTankDocument(const QString& tankPath, const QString& documentPath);

// "tarvol --tank FILE --save-protocol OUT.pdf": the measurement protocol of a tank made from its strapping record.
int saveTankProtocol(const QString& tankPath, const QString& protocolPath);

} // namespace tarvol
