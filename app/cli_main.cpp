#include "CommandLineTool.h"
#include "KeyFileStore.h"

int main(int argc, char* argv[])
{
    keylinker::DiskKeyFileStore store;
    return keylinker::runCommandLineProgram(argc, argv, store);
}
