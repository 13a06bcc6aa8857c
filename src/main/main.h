// The program's entry, callable in-process.
#pragma once

namespace kg {

// Runs the whole program and returns its exit status.
int kifugram_main(int argc, char** argv);

}  // namespace kg
