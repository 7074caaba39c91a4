// plover: the operator's console for the reader.
#include <QApplication>

#include "console/screens.h"
#include "console/shell/binding.h"
#include "console/shell/heron.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("plover"));
    plover::Binding binding;
    plover::Heron heron(binding);
    plover::registerScreens(heron);
    heron.show();
    return QApplication::exec();
}
