#include "translation.h"

#include <QCoreApplication>
#include <QTranslator>

#include <memory>

namespace glimmer {

namespace {

struct Loaded {
    QString language;
    std::unique_ptr<QTranslator> translator;
};

Loaded& loaded() {
    static Loaded state;
    return state;
}

} // namespace

QString program_language(const QLocale& locale) {
    return locale.language() == QLocale::Chinese ? QStringLiteral("zh_CN") : QStringLiteral("en");
}

bool load_program_translation(const QString& language) {
    Loaded& state = loaded();
    if (language.isEmpty()) {
        if (state.translator && QCoreApplication::instance() != nullptr) {
            QCoreApplication::removeTranslator(state.translator.get());
        }
        state.translator.reset();
        state.language.clear();
        return true;
    }
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral(":/i18n/glimmerhall_") + language)) {
        return false;
    }
    if (state.translator && QCoreApplication::instance() != nullptr) {
        QCoreApplication::removeTranslator(state.translator.get());
    }
    state.translator = std::move(translator);
    state.language = language;
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::installTranslator(state.translator.get());
    }
    return true;
}

void load_program_translation() {
    const QString language = program_language();
    if (loaded().language != language || !loaded().translator) {
        load_program_translation(language);
    } else if (QCoreApplication::instance() != nullptr) {
        // Loaded before the application was made: now for tr() as well.
        QCoreApplication::installTranslator(loaded().translator.get());
    }
}

QString loaded_language() {
    return loaded().language;
}

QString translated(const char* context, const char* source, int n) {
    const Loaded& state = loaded();
    QString text =
        state.translator ? state.translator->translate(context, source, nullptr, n) : QString();
    if (text.isEmpty()) {
        text = QString::fromUtf8(source);
    }
    if (n >= 0) {
        text.replace(QStringLiteral("%n"), QString::number(n));
    }
    return text;
}

} // namespace glimmer
