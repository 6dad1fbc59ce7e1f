#pragma once

#include <QString>

namespace glimmer {

class TransparentLabel;

// The statistics provider's labels and the shorter words the status line shows instead,
// applied in this order, each to every occurrence, case-sensitively.
QString shorten_statistics_labels(const QString& text);

// Writes the document's visible text into the status line, then shortens its labels.
void update_status_line(TransparentLabel* line, const QString& document_text);

} // namespace glimmer
