#pragma once
// The plot's printout: the chart with its report under it, as a PNG picture
// or an A4 PDF page, saved all or nothing like every file the program writes.

#include <QStringList>
#include <string>

#include "archive/archivio.h"

QT_BEGIN_NAMESPACE
class QChart;
class QFont;
QT_END_NAMESPACE

namespace lumetto::acquisition {

// A run laid over in the report: its date, experiment, bench and title on
// one line, its note indented on the next.
QStringList righecorsa(const archivio::Corsa& corsa);

// The chart drawn on `larghezza` x `altezza` pixels, the report's lines
// under it in the window's type; false, after the error box, when the file
// cannot be written.
bool stampapng(QChart& chart, const QFont& carattere, const QStringList& righe,
               const std::string& file, int larghezza, int altezza);
// The same on an A4 landscape page at 300 dpi, the report in 9 points.
bool stampapdf(QChart& chart, const QFont& carattere, const QStringList& righe,
               const std::string& file);

}  // namespace lumetto::acquisition
