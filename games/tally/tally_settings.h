#pragma once

#include "games/tally/tally_config.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace glimmer {

// Everything the configuration file holds, as the setup dialog edits it.
struct TallySettings {
    QString name_one;
    QString name_two;
    QStringList amounts_one;
    QStringList amounts_two;
    QString advert; // lines joined by "\n"; the file writes them joined by "+"
    int advert_font_size = 10;
};

// What the last load gave, to start the dialog from.
TallySettings current_tally_settings(const TallyPage& page, const TallyConfig& config);

// Why the settings cannot be written so that the file reads them back the same, for the
// host; empty when they can. An empty name, an amount that is not a plain number, a "+" in
// the advert (the file's line break) or a line break in a name are refused.
QString tally_settings_problem(const TallySettings& settings);

// The file in the layout of the default one: GBK, lines ended by CR LF and none after the
// last; UTF-8 with a byte-order mark when a name or the advert holds what GBK cannot.
// Only for settings without a problem.
QByteArray tally_settings_file(const TallySettings& settings);
bool tally_settings_need_utf8(const TallySettings& settings);

// Writes the file whole or not at all (the old one stays when the write fails); error gets
// the path and the system's reason.
bool write_tally_settings(const QString& config_home, const TallySettings& settings,
                          QString* error = nullptr);

} // namespace glimmer
