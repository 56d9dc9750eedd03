#include "CommandLineTool.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    keylinker::CommandLineTool tool(out, err);
    return tool.run(arguments);
}
