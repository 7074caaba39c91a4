#include <windows.h>

#include "console/shell/platform.h"

namespace plover::platform {

QString libraryFileName() { return QStringLiteral("kestrel.dll"); }

// MultiByteToWideChar with CP_ACP: the code page the reader's texts were written for, whatever
// Qt's own idea of the local 8-bit encoding is.
QString fromAnsiCodePage(QByteArrayView bytes) {
    if (bytes.isEmpty()) return {};
    const int size = static_cast<int>(bytes.size());
    const int length = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    if (length <= 0) return QString::fromLatin1(bytes);
    QString text(length, Qt::Uninitialized);
    const int written = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(text.data()),
                                              length);
    text.truncate(written > 0 ? written : 0);
    return text;
}

}  // namespace plover::platform
