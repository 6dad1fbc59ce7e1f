#pragma once

#include <QByteArray>
#include <QString>

namespace glimmer {

// Folder of the running executable, without a trailing separator.
QString program_folder();

// Profile-file lookup in a GBK file: section and key names match exactly except that ASCII
// letters ignore case; blanks around keys and values are trimmed; ";" starts a comment line;
// the first occurrence of a section or key wins; anything missing gives the default.
QString read_ini(const QString& path, const QString& section, const QString& key,
                 const QString& fallback = QString());

// Results are reported for tests; the program's callers ignore them.
bool delete_file(const QString& path);
bool make_folder(const QString& path);
// Replaces the whole content, or leaves the old content untouched when the write fails:
// the bytes go to a temporary file beside it that is renamed over the old one.
bool write_file(const QString& path, const QByteArray& bytes);

} // namespace glimmer
