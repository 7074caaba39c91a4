// The console's binding to the kestrel library: loaded at run time, each export resolved
// by name the first time it is called.
#pragma once

#include <QFunctionPointer>
#include <QHash>
#include <QLibrary>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>

#include "console/shell/exports.h"

namespace plover {

class Binding {
public:
    // What a call returns when the library or the export could not be bound. Nonzero, so every
    // screen shows its failure message for it, after the binding problem has been reported.
    static constexpr std::int32_t kUnbound = -1;

    // One place the library is looked for, and why it is looked for there.
    struct Candidate {
        QString path;    // a file path, or a bare name for the system loader's search
        QString origin;  // shown in the missing-library message
    };

    // The lookup order: $KESTREL_LIBRARY alone when it is set; otherwise next to the program,
    // one folder up from it (the build tree), the build tree this program was built in, and
    // last the system loader's search path (libkestrel.so, then the soname libkestrel.so.1).
    static QList<Candidate> defaultCandidates();

    explicit Binding(QList<Candidate> candidates = defaultCandidates());
    Binding(const Binding&) = delete;
    Binding& operator=(const Binding&) = delete;

    // Calls an export. A library or export that cannot be bound is reported through the problem
    // handler and gives kUnbound; nothing is called then.
    template <class Function, class... Args>
    std::int32_t call(const Export<Function>& e, Args&&... args) {
        const QFunctionPointer f = resolve(e.name);
        if (!f) return kUnbound;
        return reinterpret_cast<Function>(f)(std::forward<Args>(args)...);
    }

    // Receives the text of every binding problem. The default shows a warning box over the
    // active window (and writes the text to the program's error output).
    using ProblemHandler = std::function<void(const QString&)>;
    void setProblemHandler(ProblemHandler handler) { problem_ = std::move(handler); }

    // Whether the library has been loaded (by an earlier call).
    bool isLoaded() const { return library_ != nullptr; }

    // The file the library was loaded from; empty while it is not loaded.
    QString libraryPath() const;

private:
    QFunctionPointer resolve(const char* name);
    bool load();
    void report(const QString& text) const;

    QList<Candidate> candidates_;
    std::unique_ptr<QLibrary> library_;
    QHash<QByteArray, QFunctionPointer> resolved_;
    ProblemHandler problem_;
};

}  // namespace plover
