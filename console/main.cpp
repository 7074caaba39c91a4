// plover: the operator's console for the reader.
#include <QApplication>

#include <cstdio>
#include <cstring>
#include <optional>

#include "console/screens.h"
#include "console/shell/binding.h"
#include "console/shell/language.h"
#include "console/shell/main_window.h"

namespace {

void usage() { std::fprintf(stderr, "usage: plover [--lang en|zh] [--version]\n"); }

}  // namespace

int main(int argc, char** argv) {
    using plover::language::Language;
    // Answered before the application object exists, so it works without a display.
    std::optional<Language> chosen;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("plover (kestrel) %s\n", KESTREL_VERSION);
            return 0;
        }
        const char* value = nullptr;
        if (std::strcmp(argv[i], "--lang") == 0) {
            if (i + 1 >= argc) {
                usage();
                return 2;
            }
            value = argv[++i];
        } else if (std::strncmp(argv[i], "--lang=", 7) == 0) {
            value = argv[i] + 7;
        }
        if (value) {
            chosen = plover::language::fromOption(QString::fromLocal8Bit(value));
            if (!chosen) {
                std::fprintf(stderr, "plover: unknown language '%s'\n", value);
                usage();
                return 2;
            }
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("plover"));
    // Before anything is built: every screen text is looked up as its screen is made.
    if (!plover::language::install(app, chosen.value_or(plover::language::fromEnvironment())))
        std::fprintf(stderr, "plover: the English texts could not be loaded; the console shows Chinese\n");
    plover::Binding binding;
    plover::MainWindow heron(binding);
    plover::registerScreens(heron);
    heron.show();
    return QApplication::exec();
}
