#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace glimmer {

class IniFile;

// The tally tool's part of the program-wide state: what the last load of the configuration
// file gave the two quantity lists and the advert box. It outlives the window.
struct TallyConfig {
    QStringList player_one_amounts;
    QStringList player_two_amounts;
    QString advert_raw; // as stored, "+" still marking the line breaks
};

// A hand-edited file can hold anything; one value never puts more than this on screen.
inline constexpr int max_amount_rows = 100;  // rows per player's list
inline constexpr int max_advert_lines = 100; // lines of the advert box
// Sizes beyond this draw nothing at all in the advert box.
inline constexpr int max_advert_font_size = 200; // points

// What a load puts on screen besides the two lists.
struct TallyPage {
    QString player_one_name;
    QString player_two_name;
    QString advert_text;  // with CR LF line breaks
    int advert_font_size; // points, at most max_advert_font_size; 0 or less keeps the box's own
    // Empty when the file was read as GBK or is simply missing; otherwise why it was passed
    // over (not a regular file, too large, unreadable) or how it was read (as UTF-8, or as
    // neither GBK nor UTF-8), for the host, with the file's path.
    QString file_problem;
};

// <config home>/游戏配置们/Quorvane.txt, config home as HostSettings resolves it
QString tally_config_folder(const QString& config_home);
QString tally_config_path(const QString& config_home);

// Amounts in the order given, at most max_amount_rows; empty pieces make no row, so "",
// "++" and "5+" are forgiven.
QStringList split_amounts(const QString& value);

// "+" is the file's way of writing a line break; at most max_advert_lines lines.
QString advert_lines(const QString& raw);

// Reads the six keys (names, amounts, advert text, advert size) in that order from one read
// of the file; anything missing, the file included, gives its default. A file that is not a
// regular file, is over a mebibyte or cannot be read counts as missing. The amounts and raw
// advert replace those held in config.
TallyPage load_tally_config(TallyConfig& config, const QString& config_home);
// The same from a file already read: the six keys only, with no word on the file itself.
TallyPage read_tally_config(const IniFile& file, TallyConfig& config);

// The file as the tool writes it when asked to start afresh, GBK, lines ended by CR LF and
// none after the last, which ends with the maker's web address.
QByteArray default_tally_config(const QString& site_url);

// Replaces the file with the default one. The new content goes to a temporary file beside it
// that is renamed over the old one, so a failed write leaves the old file as it was; callers
// reload from whatever the file then holds.
// With error given, a failure puts there the path and the system's reason, for the host.
bool write_default_tally_config(const QString& config_home, const QString& site_url,
                                QString* error = nullptr);

// Puts bytes in place as the configuration file, whole or not at all, making the folder if
// need be; with error given, a failure puts there the path and the system's reason.
bool write_tally_config_file(const QString& config_home, const QByteArray& bytes,
                             QString* error = nullptr);

} // namespace glimmer
