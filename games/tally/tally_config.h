#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace glimmer {

// The tally tool's part of the program-wide state: what the last load of the configuration
// file gave the two quantity lists and the advert box. It outlives the window.
struct TallyConfig {
    QStringList player_one_amounts;
    QStringList player_two_amounts;
    QString advert_raw; // as stored, "+" still marking the line breaks
};

// What a load puts on screen besides the two lists.
struct TallyPage {
    QString player_one_name;
    QString player_two_name;
    QString advert_text;  // with CR LF line breaks
    int advert_font_size; // points; 0 or less keeps the box's own size
};

// <config home>/游戏配置们/Quorvane.txt, config home as HostSettings resolves it
QString tally_config_folder(const QString& config_home);
QString tally_config_path(const QString& config_home);

// Amounts in the order given; empty pieces make no row, so "", "++" and "5+" are forgiven.
QStringList split_amounts(const QString& value);

// "+" is the file's way of writing a line break.
QString advert_lines(const QString& raw);

// Reads the six keys (names, amounts, advert text, advert size) in that order; anything
// missing, the file included, gives its default. The amounts and raw advert replace those
// held in config.
TallyPage load_tally_config(TallyConfig& config, const QString& config_home);

// The file as the tool writes it when asked to start afresh, GBK, lines ended by CR LF and
// none after the last, which ends with the maker's web address.
QByteArray default_tally_config(const QString& site_url);

// Replaces the file with the default one. The new content goes to a temporary file beside it
// that is renamed over the old one, so a failed write leaves the old file as it was; callers
// reload from whatever the file then holds.
bool write_default_tally_config(const QString& config_home, const QString& site_url);

} // namespace glimmer
