#include "platform/web/RuntimeModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

namespace web
{

QString ModulePath(const char *FileName, const char *BuiltAt)
{
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(FileName);
    return QFileInfo::exists(beside) ? beside : QString(BuiltAt);
}

void *OpenModuleEntry(const QString &Path, const char *Entry, QString &Why)
{
    void *module = dlopen(QFile::encodeName(Path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        Why = QString::fromLocal8Bit(dlerror());
        return nullptr;
    }
    void *entry = dlsym(module, Entry);
    if (!entry) Why = QString::fromLocal8Bit(dlerror());
    return entry;
}

} // namespace web
