#pragma once

#include <optional>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "export/content.h"

namespace tarvol {

inline const QString kTextHeader = QStringLiteral("Уровень (мм)\tОбъём (л)");

// The file's lines: shape name, one line per shown dimension, an empty line, the header and one
// TAB-separated line per grid row. Progress: maximum the grid's row count, position r after row r, then 0.
QStringList textLines(const ExportContent& content, const Progress& progress = {});

// Code page 1251, CR LF after every line; nothing when a text holds a character the code page lacks.
std::optional<QByteArray> encodeTextLines(const QStringList& lines);

// Writes the text file in one step and, once it is complete on disk, shows it with fileOpener().openText().
// On failure an existing file is left as it was and nothing is opened.
ExportResult exportText(const QString& path, const ExportContent& content, const Progress& progress = {});

} // namespace tarvol
