// The Solvane window program: everything happens in RunSolvane and the window library.
#include "gui/AppEntry.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::vector<std::string> arguments;
    for (const QString& a : QApplication::arguments().mid(1))
        arguments.push_back(a.toStdString());
    return solvane::RunSolvane(app, arguments);
}
