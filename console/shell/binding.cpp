#include "console/shell/binding.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QWidget>

#include <cstdio>

#include "console/shell/platform.h"
#include "console/shell/text.h"

namespace plover {

using platform::libraryFileName;

QList<Binding::Candidate> Binding::defaultCandidates() {
    const QString fromEnv = qEnvironmentVariable("KESTREL_LIBRARY");
    if (!fromEnv.isEmpty()) return {{fromEnv, qtTrId("环境变量 KESTREL_LIBRARY")}};

    QList<Candidate> list;
    auto add = [&list](const QString& path, const QString& origin) {
        for (const Candidate& c : list)
            if (QFileInfo(c.path).absoluteFilePath() == QFileInfo(path).absoluteFilePath()) return;
        list.push_back({path, origin});
    };
    const QString file = libraryFileName();
    if (QCoreApplication::instance()) {
        const QDir here(QCoreApplication::applicationDirPath());
        add(here.filePath(file), qtTrId("程序所在目录"));
        add(QDir::cleanPath(here.filePath(QStringLiteral("../") + file)), qtTrId("程序的上一级目录"));
    }
#ifdef PLOVER_BUILD_LIBRARY
    add(QStringLiteral(PLOVER_BUILD_LIBRARY), qtTrId("构建目录"));
#endif
    list.push_back({QStringLiteral("kestrel"), qtTrId("系统库搜索路径")});
#ifdef PLOVER_LIBRARY_SONAME
    // An installed library without its development link answers to its soname only.
    list.push_back({QStringLiteral(PLOVER_LIBRARY_SONAME), qtTrId("系统库搜索路径")});
#endif
    return list;
}

Binding::Binding(QList<Candidate> candidates) : candidates_(std::move(candidates)) {}

QString Binding::libraryPath() const { return library_ ? library_->fileName() : QString(); }

bool Binding::load() {
    if (library_) return true;
    QStringList tried;
    for (const Candidate& c : candidates_) {
        auto lib = std::make_unique<QLibrary>(c.path);
        if (lib->load()) {
            library_ = std::move(lib);
            return true;
        }
        tried << qtTrId("  %1. %2（%3）：%4")
                     .arg(tried.size() + 1)
                     .arg(QDir::toNativeSeparators(c.path), c.origin, lib->errorString());
    }
    // One text per line: a translation id holds no line break.
    const QStringList message = {qtTrId("找不到读写器驱动库 kestrel（%1），命令没有执行。").arg(libraryFileName()),
                                 qtTrId("查找顺序："), tried.join(QLatin1Char('\n')),
                                 qtTrId("可用环境变量 KESTREL_LIBRARY 指定库文件的完整路径。")};
    report(message.join(QLatin1Char('\n')));
    return false;
}

QFunctionPointer Binding::resolve(const char* name) {
    const QByteArray key(name);
    if (const auto it = resolved_.constFind(key); it != resolved_.constEnd()) return *it;
    // A library that failed to load is looked for again at the next call, so the operator can
    // put it in place without restarting the console.
    if (!load()) return nullptr;
    const QFunctionPointer f = library_->resolve(name);
    if (!f) {
        report(qtTrId("读写器驱动库 %1 中没有函数 %2，命令没有执行。")
                   .arg(QDir::toNativeSeparators(library_->fileName()), QString::fromLatin1(name)));
        return nullptr;
    }
    resolved_.insert(key, f);
    return f;
}

void Binding::report(const QString& text) const {
    if (problem_) {
        problem_(text);
        return;
    }
    std::fprintf(stderr, "plover: %s\n", text.toLocal8Bit().constData());
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QMessageBox::warning(QApplication::activeWindow(), QStringLiteral("plover"), text);
}

}  // namespace plover
