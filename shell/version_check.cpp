#include "version_check.h"

#include "runtime/desktop.h"
#include "runtime/network.h"
#include "runtime/text.h"
#include "runtime/windows.h"

namespace glimmer {

namespace {
constexpr int version_piece_count = 5;
}

VersionState::Result parse_version_page(const QString& page_text) {
    VersionState::Result result;
    result.pieces = split(page_text, QStringLiteral("!"), version_piece_count);
    if (result.pieces.size() == version_piece_count) {
        result.latest_version = result.pieces[2];
        result.update_notes = result.pieces[3];
        result.download_url = result.pieces[4];
    }
    return result;
}

void fetch_version_page(VersionState& version, const QString& site_url) {
    const QString page_text =
        from_gbk(download_page(site_url + QString::fromUtf16(version_page_path)));
    version.publish(page_text, parse_version_page(page_text));
}

bool check_version(const VersionState::Result& result, const QString& program_version,
                   const QString& page_marker) {
    if (result.pieces.size() != version_piece_count) {
        return false;
    }
    if (result.pieces[1] != page_marker) {
        return false;
    }
    return program_version != result.latest_version;
}

void show_update_notes(const VersionState::Result& result, const QString& site_url) {
    const QString notes = replace(result.update_notes, QStringLiteral("+"), QStringLiteral("\r\n"));
    if (message_box(notes, style_ok_cancel_question, QStringLiteral("更新说明：")) != 0) {
        return;
    }
    const QString& address = result.download_url;
    if (address.isEmpty() || address == u" " || address == u"  ") {
        message_box(QStringLiteral("下载地址获取失败，即将为您打开官网下载！"), style_ok);
        open_url(site_url);
        return;
    }
    // Anything but a web address is dropped here without a word: a plain-HTTP page must
    // never be able to start a program on the host's machine.
    open_url(address);
}

} // namespace glimmer
