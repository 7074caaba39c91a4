#include "console/shell/platform.h"

namespace plover::platform {

QString libraryFileName() {
#if defined(__APPLE__)
    return QStringLiteral("libkestrel.dylib");
#else
    return QStringLiteral("libkestrel.so");
#endif
}

QString fromAnsiCodePage(QByteArrayView bytes) { return QString::fromLocal8Bit(bytes); }

}  // namespace plover::platform
