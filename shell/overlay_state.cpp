#include "overlay_state.h"

#include "game_registry.h"

#include "runtime/overlay_server.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace glimmer {

QJsonObject closed_game_state() {
    return QJsonObject{{QStringLiteral("open"), false}};
}

QHash<QByteArray, QByteArray> overlay_pages() {
    QHash<QByteArray, QByteArray> pages;
    QJsonArray listed;
    for (const GameDescriptor& game : game_registry()) {
        pages.insert(game.id.toUtf8(), assemble_overlay_page(game.overlay_page));
        listed.append(QJsonObject{{QStringLiteral("id"), game.id},
                                  {QStringLiteral("title"), game.title},
                                  {QStringLiteral("size"), game.overlay_size}});
    }
    // JSON is a script expression; "</" is escaped so no value can end the script element.
    QByteArray games = QJsonDocument(listed).toJson(QJsonDocument::Compact);
    games.replace("</", "<\\/");
    QByteArray index = assemble_overlay_page(QStringLiteral(":/overlay/index.html"));
    index.replace("/*OVERLAY_GAMES*/[]", games);
    pages.insert("index", index);
    // Checks a revealed draw with Web Crypto alone; it sends nothing anywhere.
    pages.insert("verify", assemble_overlay_page(QStringLiteral(":/overlay/verify.html")));
    return pages;
}

QByteArray overlay_state_json(quint64 revision, const QList<QJsonObject>& parts) {
    QJsonObject root{{QStringLiteral("revision"), static_cast<qint64>(revision)}};
    const QList<GameDescriptor>& games = game_registry();
    for (qsizetype i = 0; i < games.size() && i < parts.size(); ++i) {
        root.insert(games[i].id, parts[i]);
    }
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

} // namespace glimmer
