// What the console does differently on each platform, one implementation per platform
// (platform_win32.cpp, platform_posix.cpp); the build links the one that fits.
#pragma once

#include <QByteArrayView>
#include <QString>

namespace plover::platform {

// The kestrel library's file name: kestrel.dll on Windows, libkestrel.so on Linux.
QString libraryFileName();

// Text the reader sends as bytes in the system's ANSI code page (the device identity line):
// on Windows the active code page, elsewhere the locale's 8-bit encoding.
QString fromAnsiCodePage(QByteArrayView bytes);

}  // namespace plover::platform
