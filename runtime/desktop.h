#pragma once

#include <QString>

#include <functional>

namespace glimmer {

// What the program hands to the desktop: an address to its browser, a folder to its file
// manager. Both need Qt's GUI, so they live above the core.

// Hands an http or https address (blanks around it aside) to the desktop's browser; anything
// else is ignored, since an address from the network must never start a local program.
// Returns whether the address was handed on.
bool open_url(const QString& address);

// Replaces the browser hand-off, for tests; an empty function restores the desktop's.
using UrlOpener = std::function<void(const QString& address)>;
void set_url_opener(UrlOpener opener);

// Shows a local folder in the desktop's file manager; false when it does not exist.
bool open_folder(const QString& path);
// Replaces the file manager hand-off, for tests; an empty function restores the desktop's.
using FolderOpener = std::function<void(const QString& path)>;
void set_folder_opener(FolderOpener opener);

} // namespace glimmer
