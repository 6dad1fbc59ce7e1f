#include "overlay_state.h"

#include "runtime/overlay_server.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace glimmer {

namespace {

// JSON is a script expression; "</" is escaped so no value can end the script element.
QByteArray script_json(const QJsonDocument& document) {
    QByteArray json = document.toJson(QJsonDocument::Compact);
    json.replace("</", "<\\/");
    return json;
}

QByteArray html_text(const QString& text) {
    return text.toHtmlEscaped().toUtf8();
}

// The verify page with the games that have a verifier: their choice, their fields and the
// script that replays their draws.
QByteArray verify_page(const GameModules& games) {
    QByteArray choices;
    QByteArray fields;
    QByteArray scripts;
    for (const std::unique_ptr<GameModule>& module : games) {
        const DrawVerifier* verifier = module->verifier();
        if (verifier == nullptr) {
            continue;
        }
        const GameInfo& info = module->info();
        choices += "<option value=\"" + html_text(info.id) + "\">" + html_text(info.id) + ' ' +
                   html_text(info.subtitle) + "</option>";
        for (const DrawVerifier::Option& option : verifier->options()) {
            QString id = option.name;
            id.replace(u'-', u'_');
            fields += "<label class=\"game-option\" data-game=\"" + html_text(info.id) +
                      "\"><span>" + html_text(option.label) + "</span><input id=\"" +
                      html_text(id) + "\" autocomplete=\"off\"" +
                      (option.placeholder.isEmpty()
                           ? QByteArray()
                           : " placeholder=\"" + html_text(option.placeholder) + '"') +
                      "></label>\n";
        }
        scripts += resource(verifier->page_script());
    }
    QByteArray page = assemble_overlay_page(QStringLiteral(":/overlay/verify.html"));
    page.replace("<!--VERIFY_GAMES-->", choices);
    page.replace("<!--VERIFY_FIELDS-->", fields);
    page.replace("/*VERIFY_SCRIPTS*/", scripts);
    return page;
}

} // namespace

QHash<QByteArray, QByteArray> overlay_pages(const GameModules& games) {
    QJsonArray listed;
    QJsonObject parts;
    for (const std::unique_ptr<GameModule>& module : games) {
        const GameInfo& info = module->info();
        QJsonArray names;
        QJsonArray labelled;
        for (const OverlayPart& part : info.overlay_parts) {
            names.append(part.name);
            labelled.append(QJsonObject{{QStringLiteral("name"), part.name},
                                        {QStringLiteral("label"), part.label}});
        }
        parts.insert(info.id, names);
        listed.append(QJsonObject{{QStringLiteral("id"), info.id},
                                  {QStringLiteral("title"), info.title},
                                  {QStringLiteral("subtitle"), info.subtitle},
                                  {QStringLiteral("size"), QStringLiteral("%1 × %2")
                                                               .arg(info.overlay_size.width())
                                                               .arg(info.overlay_size.height())},
                                  {QStringLiteral("parts"), labelled}});
    }
    const QByteArray parts_json = script_json(QJsonDocument(parts));
    QHash<QByteArray, QByteArray> pages;
    const auto add = [&](const QByteArray& name, QByteArray page) {
        page.replace("/*OVERLAY_PARTS*/{}", parts_json);
        pages.insert(name, page);
    };
    for (const std::unique_ptr<GameModule>& module : games) {
        add(module->info().id.toUtf8(), assemble_overlay_page(module->info().overlay_page));
    }
    QByteArray index = assemble_overlay_page(QStringLiteral(":/overlay/index.html"));
    index.replace("/*OVERLAY_GAMES*/[]", script_json(QJsonDocument(listed)));
    add("index", index);
    // Checks a revealed draw with Web Crypto alone; it sends nothing anywhere.
    add("verify", verify_page(games));
    return pages;
}

} // namespace glimmer
