#include "overlay_state.h"

#include "runtime/overlay_server.h"
#include "runtime/translation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <iterator>
#include <vector>

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

// Every text of the overlay index and the verify page (their scripts' included), as they are
// written there, in Chinese.
const char* const page_texts[] = {
    // The shared script's fairness line: "第12轮 种子 …  口令 …｜第13轮 承诺 …"
    QT_TRANSLATE_NOOP("page", "第%1轮 "),
    QT_TRANSLATE_NOOP("page", "第%1局 "),
    QT_TRANSLATE_NOOP("page", "  口令 "),
    QT_TRANSLATE_NOOP("page", "种子 "),
    QT_TRANSLATE_NOOP("page", "承诺 "),
    QT_TRANSLATE_NOOP("page", "｜"),
    QT_TRANSLATE_NOOP("page", "Glimmerhall 直播叠加"),
    QT_TRANSLATE_NOOP("page", "在 OBS 中添加“浏览器”来源，填入下面的地址和大小。"),
    QT_TRANSLATE_NOOP("page", "游戏"),
    QT_TRANSLATE_NOOP("page", "地址"),
    QT_TRANSLATE_NOOP("page", "建议大小"),
    QT_TRANSLATE_NOOP("page", "状态"),
    QT_TRANSLATE_NOOP("page", "大小"),
    QT_TRANSLATE_NOOP("page", "底色"),
    QT_TRANSLATE_NOOP("page", "深色"),
    QT_TRANSLATE_NOOP("page", "浅色"),
    QT_TRANSLATE_NOOP("page", "无底色"),
    QT_TRANSLATE_NOOP("page", "强调色"),
    QT_TRANSLATE_NOOP("page", "字体"),
    QT_TRANSLATE_NOOP("page", "黑体"),
    QT_TRANSLATE_NOOP("page", "宋体"),
    QT_TRANSLATE_NOOP("page", "楷体"),
    QT_TRANSLATE_NOOP("page", "等宽"),
    QT_TRANSLATE_NOOP("page", "位置"),
    QT_TRANSLATE_NOOP("page", "靠左"),
    QT_TRANSLATE_NOOP("page", "居中"),
    QT_TRANSLATE_NOOP("page", "靠右"),
    QT_TRANSLATE_NOOP("page", "隐藏："),
    QT_TRANSLATE_NOOP("page", "复制地址"),
    QT_TRANSLATE_NOOP("page", "已复制"),
    QT_TRANSLATE_NOOP("page", "已打开"),
    QT_TRANSLATE_NOOP("page", "未打开"),
    QT_TRANSLATE_NOOP("page", "公平验证"),
    QT_TRANSLATE_NOOP("page", "种子"),
    QT_TRANSLATE_NOOP("page", "口令"),
    QT_TRANSLATE_NOOP("page", "轮次"),
    QT_TRANSLATE_NOOP("page", "承诺"),
    QT_TRANSLATE_NOOP("page", "核对"),
    QT_TRANSLATE_NOOP("page", "填写有误："),
    QT_TRANSLATE_NOOP("page", "种子应是 64 个十六进制数字"),
    QT_TRANSLATE_NOOP("page", "承诺应是 64 个十六进制数字"),
    QT_TRANSLATE_NOOP("page", "承诺与种子不符（种子的 SHA-256 是 "),
    QT_TRANSLATE_NOOP("page", "）"),
    QT_TRANSLATE_NOOP("page", "没有这个游戏"),
    QT_TRANSLATE_NOOP("page", "对不上"),
    QT_TRANSLATE_NOOP("page", "核对无误"),
    QT_TRANSLATE_NOOP("page", "出错了："),
    QT_TRANSLATE_NOOP("page",
                      "在你的浏览器里重算：这一页不向任何地方发送任何东西。种子的 SHA-256 "
                      "应等于开局前公布的承诺；\n第 n 块随机数是 HMAC-SHA256（密钥＝种子的 32 "
                      "个字节，消息＝UTF-8 的 “glimmerhall-draw|游戏|轮次|n|口令”），n 从 0 "
                      "起；\n每块的 32 个字节依次按 4 个字节一组读成大端无符号数 x（每块 8 个），x "
                      "≥ 2^32 − 2^32 mod 范围 时丢弃、读下一个，否则取 下限 + x mod 范围。"),
    QT_TRANSLATE_NOOP("page", "摇的次数应是 1 到 1000"),
    QT_TRANSLATE_NOOP("page", "胜方应是 left 或 right"),
    QT_TRANSLATE_NOOP("page", "点数应写成 龙-虎，如 5-2"),
    QT_TRANSLATE_NOOP("page", "龙（玩家一）"),
    QT_TRANSLATE_NOOP("page", "虎（玩家二）"),
    QT_TRANSLATE_NOOP("page", "点数 "),
    QT_TRANSLATE_NOOP("page", "（龙 "),
    QT_TRANSLATE_NOOP("page", " 点，虎 "),
    QT_TRANSLATE_NOOP("page", " 点）"),
    QT_TRANSLATE_NOOP("page", "胜方 "),
    QT_TRANSLATE_NOOP("page", "胜方不符：算出来是 "),
    QT_TRANSLATE_NOOP("page", "点数不符：算出来是 "),
    QT_TRANSLATE_NOOP("page", "箱子数量应是 0 到 100000"),
    QT_TRANSLATE_NOOP("page", "地雷数量要比箱子少"),
    QT_TRANSLATE_NOOP("page", "有雷的箱子写成 1,4 这样"),
    QT_TRANSLATE_NOOP("page", "有雷的箱子 "),
    QT_TRANSLATE_NOOP("page", "没有"),
    QT_TRANSLATE_NOOP("page", "有雷的箱子不符：算出来是 "),
};

// A page in the program's language: Chinese as written, else each text put into the language
// whole, the longest first, so that a text never mixes with the words of a shorter one.
QByteArray in_program_language(QByteArray page) {
    if (loaded_language() != u"en") {
        return page;
    }
    std::vector<const char*> texts(std::begin(page_texts), std::end(page_texts));
    std::sort(texts.begin(), texts.end(),
              [](const char* a, const char* b) { return qstrlen(a) > qstrlen(b); });
    for (const char* text : texts) {
        page.replace(QByteArray(text), translated("page", text).toUtf8());
    }
    page.replace("<html lang=\"zh-CN\">", "<html lang=\"en\">");
    return page;
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
                   html_text(translated("page", info.subtitle.toUtf8().constData())) + "</option>";
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
    return in_program_language(page);
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
            labelled.append(QJsonObject{
                {QStringLiteral("name"), part.name},
                {QStringLiteral("label"), translated("page", part.label.toUtf8().constData())}});
        }
        parts.insert(info.id, names);
        listed.append(QJsonObject{
            {QStringLiteral("id"), info.id},
            {QStringLiteral("title"), info.title},
            {QStringLiteral("subtitle"), translated("page", info.subtitle.toUtf8().constData())},
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
    add("index", in_program_language(index));
    // Checks a revealed draw with Web Crypto alone; it sends nothing anywhere.
    add("verify", verify_page(games));
    return pages;
}

} // namespace glimmer
