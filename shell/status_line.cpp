#include "status_line.h"

#include "runtime/controls/transparent_label.h"
#include "runtime/text.h"

#include <array>
#include <utility>

namespace glimmer {

namespace {
const std::array<std::pair<QString, QString>, 5>& label_table() {
    static const std::array<std::pair<QString, QString>, 5> table{{
        {QStringLiteral("站长统计 "), QStringLiteral("统计：")},
        {QStringLiteral("今日IP"), QStringLiteral("今用户：")},
        {QStringLiteral("昨日IP"), QStringLiteral("昨用户：")},
        {QStringLiteral("今日PV"), QStringLiteral("今次数：")},
        {QStringLiteral("昨日PV"), QStringLiteral("昨次数：")},
    }};
    return table;
}
} // namespace

QString shorten_statistics_labels(const QString& text) {
    QString shortened = text;
    for (const auto& [find, with] : label_table()) {
        shortened = replace(shortened, find, with);
    }
    return shortened;
}

void update_status_line(TransparentLabel* line, const QString& document_text) {
    if (line == nullptr) {
        return;
    }
    line->setText(shorten_statistics_labels(document_text));
}

} // namespace glimmer
