#include "games/tally/tally_settings.h"

#include "runtime/files.h"
#include "runtime/text.h"
#include "runtime/translation.h"

#include <QRegularExpression>

namespace glimmer {

namespace {

bool is_amount(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^-?([0-9]+([.][0-9]*)?|[.][0-9]+)$"));
    return number.match(text).hasMatch();
}

// The reader trims blanks around values, so a value is written as it will read back.
QString name_problem(const QString& name, const QString& whose) {
    if (name.trimmed().isEmpty()) {
        return whose + translated("TallySetupDialog", "的名字不能为空。");
    }
    if (name.contains(u'\n') || name.contains(u'\r')) {
        return whose + translated("TallySetupDialog", "的名字不能换行。");
    }
    return {};
}

QString amounts_problem(const QStringList& amounts, const QString& whose) {
    if (amounts.size() > max_amount_rows) {
        return whose +
               translated("TallySetupDialog", "的预设数量最多 %1 个。").arg(max_amount_rows);
    }
    for (const QString& amount : amounts) {
        if (!is_amount(amount)) {
            return whose + translated("TallySetupDialog", "的预设数量“%1”不是数字。").arg(amount);
        }
    }
    return {};
}

} // namespace

TallySettings current_tally_settings(const TallyPage& page, const TallyConfig& config) {
    TallySettings settings;
    settings.name_one = page.player_one_name;
    settings.name_two = page.player_two_name;
    settings.amounts_one = config.player_one_amounts;
    settings.amounts_two = config.player_two_amounts;
    settings.advert = config.advert_raw;
    settings.advert.replace(u'+', u'\n');
    if (page.advert_font_size > 0) {
        settings.advert_font_size = page.advert_font_size;
    }
    return settings;
}

QString tally_settings_problem(const TallySettings& settings) {
    for (const QString& problem :
         {name_problem(settings.name_one, translated("TallySetupDialog", "玩家一")),
          name_problem(settings.name_two, translated("TallySetupDialog", "玩家二")),
          amounts_problem(settings.amounts_one, translated("TallySetupDialog", "玩家一")),
          amounts_problem(settings.amounts_two, translated("TallySetupDialog", "玩家二"))}) {
        if (!problem.isEmpty()) {
            return problem;
        }
    }
    if (settings.advert.contains(u'+')) {
        return translated("TallySetupDialog", "广告文字里不能有“+”：配置文件用它表示换行。");
    }
    if (settings.advert_font_size < 1 || settings.advert_font_size > max_advert_font_size) {
        return translated("TallySetupDialog", "字大小应在 1 到 %1 之间。")
            .arg(max_advert_font_size);
    }
    return {};
}

QByteArray tally_settings_file(const TallySettings& settings) {
    QString advert = settings.advert;
    advert.remove(u'\r');
    advert.replace(u'\n', u'+');
    const QStringList lines{
        QStringLiteral("[玩家1]"),
        QStringLiteral("名字=") + settings.name_one.trimmed(),
        QStringLiteral("数量=") + settings.amounts_one.join(u'+'),
        QString(),
        QStringLiteral("[玩家2]"),
        QStringLiteral("名字=") + settings.name_two.trimmed(),
        QStringLiteral("数量=") + settings.amounts_two.join(u'+'),
        QString(),
        QStringLiteral("[广告]"),
        QStringLiteral("字大小=%1").arg(settings.advert_font_size),
        QStringLiteral("内容=") + advert,
    };
    const QString text = lines.join(QStringLiteral("\r\n"));
    // GBK is the file's form; what it cannot hold (an emoji in a streamer's name) is kept as
    // UTF-8, marked by its byte-order mark, which the program reads as well.
    return gbk_holds(text) ? to_gbk(text) : QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

bool tally_settings_need_utf8(const TallySettings& settings) {
    return !gbk_holds(settings.name_one + settings.name_two + settings.advert);
}

bool write_tally_settings(const QString& config_home, const TallySettings& settings,
                          QString* error) {
    return write_tally_config_file(config_home, tally_settings_file(settings), error);
}

} // namespace glimmer
