#pragma once

#include "app_state.h"

#include <QString>

namespace glimmer {

// Where the maker keeps the version page and the statistics page on the site.
inline constexpr char16_t version_page_path[] = u"/exeapp/wan/pz.html";
inline constexpr char16_t statistics_page_path[] = u"/exeapp/wan/tj.html";

// Worker thread: downloads the version page, splits it and publishes the result, page text
// last. Runs once; no retry.
void fetch_version_page(VersionState& version, const QString& site_url);

// The pieces of a version page's text: the version, notes and address only when it splits
// into exactly five.
VersionState::Result parse_version_page(const QString& page_text);

// Main thread: whether the published page announces another version. A page is genuine
// when it splits into exactly five pieces and the second is the page marker; any version
// text other than the program's own counts as another version, older ones included.
bool check_version(const VersionState::Result& result, const QString& program_version,
                   const QString& page_marker);

// Main thread, on each press of the new-version link: the update notes, then the download
// address (or the maker's home page when the page gives none) in the browser.
void show_update_notes(const VersionState::Result& result, const QString& site_url);

} // namespace glimmer
