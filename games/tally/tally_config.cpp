#include "games/tally/tally_config.h"

#include "runtime/logging.h"

#include "runtime/files.h"
#include "runtime/text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace glimmer {

namespace {

const QString amounts_default = QStringLiteral("1+9+99+999+9999");

// The text up to (not including) the count-th separator, or all of it.
QString first_pieces(const QString& text, QChar separator, int count) {
    qsizetype at = -1;
    for (int i = 0; i < count; ++i) {
        at = text.indexOf(separator, at + 1);
        if (at < 0) {
            return text;
        }
    }
    return text.left(at);
}

QString file_problem(const IniFile& file, const QString& path) {
    switch (file.status()) {
    case IniFile::Status::ok:
        switch (file.encoding()) {
        case IniFile::Encoding::gbk:
            return {};
        case IniFile::Encoding::utf8:
            // What GBK cannot hold is kept in UTF-8 on purpose (the setup dialog writes it
            // so): nothing to tell, and nothing to change at the next save.
            if (!gbk_holds(file.text())) {
                return {};
            }
            return QStringLiteral("配置文件是 UTF-8 编码，已按 UTF-8 读取；下次保存时会改写成 "
                                  "GBK 编码：\r\n") +
                   path;
        case IniFile::Encoding::utf16:
            return QStringLiteral("配置文件是 UTF-16 编码，已按 UTF-16 读取；下次保存时会改写成 "
                                  "GBK 编码：\r\n") +
                   path;
        case IniFile::Encoding::neither:
            return QStringLiteral("配置文件既不是 GBK 编码也不是 UTF-8 编码，无法识别的文字已按 "
                                  "GBK 尽量读取：\r\n") +
                   path;
        }
        return {};
    case IniFile::Status::missing:
        return {};
    case IniFile::Status::not_a_file:
        return QStringLiteral("配置文件不是普通文件，已按默认设置打开：\r\n") + path;
    case IniFile::Status::too_large:
        return QStringLiteral("配置文件超过 1 MiB，已按默认设置打开：\r\n") + path;
    case IniFile::Status::unreadable:
        return QStringLiteral("配置文件无法读取，已按默认设置打开：\r\n") + path +
               QStringLiteral("\r\n") + file.error();
    }
    return {};
}

} // namespace

QString tally_config_folder(const QString& config_home) {
    return config_home + QStringLiteral("/游戏配置们/");
}

QString tally_config_path(const QString& config_home) {
    return config_home + QStringLiteral("/游戏配置们/Quorvane.txt");
}

QStringList split_amounts(const QString& value) {
    // Splitting only what can be shown keeps a value of millions of "+" from costing more
    // than a list of max_amount_rows.
    QStringList amounts;
    for (const QString& piece :
         split(first_pieces(value, u'+', 2 * max_amount_rows), QStringLiteral("+"))) {
        if (!piece.isEmpty() && amounts.size() < max_amount_rows) {
            amounts.append(piece);
        }
    }
    return amounts;
}

QString advert_lines(const QString& raw) {
    return replace(first_pieces(raw, u'+', max_advert_lines), QStringLiteral("+"),
                   QStringLiteral("\r\n"));
}

TallyPage load_tally_config(TallyConfig& config, const QString& config_home) {
    const QString path = tally_config_path(config_home);
    const IniFile file(path);
    const QString problem = file_problem(file, path);
    if (!problem.isEmpty() && file.status() != IniFile::Status::ok) {
        qCWarning(log_config) << "tally configuration not read:" << path;
    }
    TallyPage page = read_tally_config(file, config);
    page.file_problem = problem;
    return page;
}

TallyPage read_tally_config(const IniFile& file, TallyConfig& config) {
    TallyPage page;
    page.player_one_name = file.value(QStringLiteral("玩家1"), QStringLiteral("名字"),
                                      QStringLiteral("玩家1木有名字"));
    page.player_two_name = file.value(QStringLiteral("玩家2"), QStringLiteral("名字"),
                                      QStringLiteral("玩家2木有名字"));
    config.player_one_amounts =
        split_amounts(file.value(QStringLiteral("玩家1"), QStringLiteral("数量"), amounts_default));
    config.player_two_amounts =
        split_amounts(file.value(QStringLiteral("玩家2"), QStringLiteral("数量"), amounts_default));
    config.advert_raw = file.value(QStringLiteral("广告"), QStringLiteral("内容"));
    page.advert_text = advert_lines(config.advert_raw);
    page.advert_font_size = std::min(
        to_int(file.value(QStringLiteral("广告"), QStringLiteral("字大小"))), max_advert_font_size);
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

bool write_tally_config_file(const QString& config_home, const QByteArray& bytes, QString* error) {
    // No delete beforehand: the atomic replace already swaps the whole file, and deleting
    // first would lose the old file whenever the write then fails.
    const QString folder = tally_config_folder(config_home);
    const QString path = tally_config_path(config_home);
    QString reason;
    if (!make_folder(folder, &reason)) {
        if (error != nullptr) {
            *error = folder + QStringLiteral("\r\n") + reason;
        }
        return false;
    }
    // What the program could not read (too large, unreadable, in no encoding it knows, or no
    // regular file at all) is the host's, not ours to replace: it is moved aside, whole, and
    // never written through.
    const IniFile current(path);
    const bool foreign = current.status() == IniFile::Status::too_large ||
                         current.status() == IniFile::Status::unreadable ||
                         current.status() == IniFile::Status::not_a_file ||
                         (current.status() == IniFile::Status::ok &&
                          current.encoding() == IniFile::Encoding::neither);
    if (foreign && move_aside(path, {}, QStringLiteral("unread")).isEmpty()) {
        if (error != nullptr) {
            *error = path + QStringLiteral("\r\n无法先把原文件另存：") +
                     QString::fromLocal8Bit(std::strerror(errno));
        }
        return false;
    }
    if (!write_file(path, bytes, &reason)) {
        if (error != nullptr) {
            *error = path + QStringLiteral("\r\n") + reason;
        }
        return false;
    }
    return true;
}

bool write_default_tally_config(const QString& config_home, const QString& site_url,
                                QString* error) {
    return write_tally_config_file(config_home, default_tally_config(site_url), error);
}

} // namespace glimmer
