#include "games/tally/tally_config.h"

#include "runtime/files.h"
#include "runtime/text.h"

namespace glimmer {

namespace {

const QString amounts_default = QStringLiteral("1+9+99+999+9999");

} // namespace

QString tally_config_folder(const QString& config_home) {
    return config_home + QStringLiteral("/游戏配置们/");
}

QString tally_config_path(const QString& config_home) {
    return config_home + QStringLiteral("/游戏配置们/Quorvane.txt");
}

QStringList split_amounts(const QString& value) {
    QStringList amounts = split(value, QStringLiteral("+"));
    amounts.removeAll(QString());
    return amounts;
}

QString advert_lines(const QString& raw) {
    return replace(raw, QStringLiteral("+"), QStringLiteral("\r\n"));
}

TallyPage load_tally_config(TallyConfig& config, const QString& config_home) {
    const QString path = tally_config_path(config_home);
    TallyPage page;
    page.player_one_name = read_ini(path, QStringLiteral("玩家1"), QStringLiteral("名字"),
                                    QStringLiteral("玩家1木有名字"));
    page.player_two_name = read_ini(path, QStringLiteral("玩家2"), QStringLiteral("名字"),
                                    QStringLiteral("玩家2木有名字"));
    config.player_one_amounts = split_amounts(
        read_ini(path, QStringLiteral("玩家1"), QStringLiteral("数量"), amounts_default));
    config.player_two_amounts = split_amounts(
        read_ini(path, QStringLiteral("玩家2"), QStringLiteral("数量"), amounts_default));
    config.advert_raw = read_ini(path, QStringLiteral("广告"), QStringLiteral("内容"));
    page.advert_text = advert_lines(config.advert_raw);
    page.advert_font_size =
        to_int(read_ini(path, QStringLiteral("广告"), QStringLiteral("字大小")));
    return page;
}

QByteArray default_tally_config(const QString& site_url) {
    const QStringList lines{
        QStringLiteral("[玩家1]"),
        QStringLiteral("名字=玩家一"),
        QStringLiteral("数量=1+9+99+999+9999"),
        QString(),
        QStringLiteral("[玩家2]"),
        QStringLiteral("名字=玩家二"),
        QStringLiteral("数量=1+9+99+999+9999"),
        QString(),
        QStringLiteral("[广告]"),
        QStringLiteral("字大小=10"),
        QStringLiteral("内容=使用说明：+双击对应玩家的列表直接将点击的数量增加到PK数量中。"
                       "单击对应玩家的列表为选择玩家，然后可以在数量输入框输入想要的数量+"
                       "使用时可以打开程序目录找到[游戏配置们]文件夹下的[Quorvane]"
                       "文件配置相应游戏+内容Ostrune+") +
            site_url,
    };
    return to_gbk(lines.join(QStringLiteral("\r\n")));
}

bool write_default_tally_config(const QString& config_home, const QString& site_url) {
    // No delete beforehand: the atomic replace already swaps the whole file, and deleting
    // first would lose the old file whenever the write then fails.
    make_folder(tally_config_folder(config_home));
    return write_file(tally_config_path(config_home), default_tally_config(site_url));
}

} // namespace glimmer
