#include "modules.h"

#include "files.h"

#include <QLibrary>

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace glimmer {

namespace {
std::mutex modules_mutex;
std::map<std::string, std::unique_ptr<QLibrary>> loaded_modules;
} // namespace

QFunctionPointer module_symbol(const char* module, const char* symbol) {
    std::lock_guard lock(modules_mutex);
    auto it = loaded_modules.find(module);
    if (it == loaded_modules.end()) {
        const QString file = QStringLiteral("lib%1.so").arg(QString::fromLatin1(module));
        const QStringList folders{program_folder(), QStringLiteral(GLIMMER_MODULE_DIR)};
        auto library = std::make_unique<QLibrary>();
        for (const QString& folder : folders) {
            library->setFileName(folder + u'/' + file);
            if (library->load()) {
                break;
            }
        }
        if (!library->isLoaded()) {
            return nullptr;
        }
        it = loaded_modules.emplace(module, std::move(library)).first;
    }
    return it->second->resolve(symbol);
}

} // namespace glimmer
