#include "modules.h"

#include "files.h"

#include <QFileInfo>
#include <QLibrary>

#include <dlfcn.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace glimmer {

namespace {
std::mutex modules_mutex;
std::map<std::string, std::unique_ptr<QLibrary>> loaded_modules;

// The folder of the binary this code is linked into: the runtime library when the program
// runs through the launcher, which may have found it in an install folder of its own.
QString own_binary_folder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&module_symbol), &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    return QFileInfo(QFile::decodeName(info.dli_fname)).absolutePath();
}

QStringList module_folders() {
    QStringList folders{program_folder(), own_binary_folder(), QStringLiteral(GLIMMER_MODULE_DIR)};
    folders.removeAll(QString());
    folders.removeDuplicates();
    return folders;
}
} // namespace

QFunctionPointer module_symbol(const char* module, const char* symbol) {
    std::lock_guard lock(modules_mutex);
    auto it = loaded_modules.find(module);
    if (it == loaded_modules.end()) {
        const QString file = QStringLiteral("lib%1.so").arg(QString::fromLatin1(module));
        auto library = std::make_unique<QLibrary>();
        for (const QString& folder : module_folders()) {
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

QString helper_program(const char* name) {
    for (const QString& folder : module_folders()) {
        const QFileInfo file(folder + u'/' + QString::fromLatin1(name));
        if (file.isFile() && file.isExecutable()) {
            return file.absoluteFilePath();
        }
    }
    return {};
}

} // namespace glimmer
