#pragma once

#include <QLocale>
#include <QString>

namespace glimmer {

// The texts the program writes outside the designed windows (the command line, ctl, verify,
// the menus and messages added beside the design, the overlay index and verify page) are
// marked with translated() or tr() and kept in translations/glimmerhall_<language>.ts, built
// into the program. The designed windows keep their own words.

// "zh_CN" for a Chinese locale, "en" for every other.
QString program_language(const QLocale& locale = QLocale::system());

// Loads the language the system's locale picks, once; with an application, also for tr().
// Needs no application: the command line answers before there is one.
void load_program_translation();
// The same for a given language; an empty one leaves the texts as the code writes them.
bool load_program_translation(const QString& language);

// The language loaded, "zh_CN" or "en"; empty before any is.
QString loaded_language();

// The text in the program's language; the source itself when there is no translation. Marked
// for lupdate as QCoreApplication::translate is. n picks a plural form and fills %n.
QString translated(const char* context, const char* source, int n = -1);

} // namespace glimmer
