#include "CommandLine.h"

int main(int argc, char** argv) {
    return mw::cli::RunCommandLine(argc, argv);
}
