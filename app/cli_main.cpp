#include <cstdio>

#include <QCoreApplication>
#include <QFile>

#include "CommandLineTool.h"
#include "NativePath.h"

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    // The arguments' own bytes: a file name that is not UTF-8 must still name its file.
    QStringList arguments;
    for (int at = 1; at < argc; ++at)
        arguments << keylinker::fromNativePath(argv[at]);
    keylinker::CommandLineTool tool(out, err);
    return tool.run(arguments);
}
