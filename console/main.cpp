// plover: the operator's console for the reader.
#include <QApplication>

#include <cstdio>
#include <cstring>

#include "console/screens.h"
#include "console/shell/binding.h"
#include "console/shell/main_window.h"

int main(int argc, char** argv) {
    // Answered before the application object exists, so it works without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("plover (kestrel) %s\n", KESTREL_VERSION);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("plover"));
    plover::Binding binding;
    plover::MainWindow heron(binding);
    plover::registerScreens(heron);
    heron.show();
    return QApplication::exec();
}
