#include "CommandLineTool.h"
#include "PausingKeyFileStore.h"

// keylinker-cli as it is shipped, but each run waits between its read and its replace.
int main(int argc, char* argv[])
{
    keylinker::PausingKeyFileStore store;
    return keylinker::runCommandLineProgram(argc, argv, store);
}
