#include "Commands.h"

// The fetch command alone, so that a transfer maps none of the media libraries.
int main(int argc, char** argv) {
    static constexpr mw::cli::AddFunction kFetch[] = {mw::cli::AddFetchCommand};
    return mw::cli::RunCommandLine(argc, argv, kFetch);
}
