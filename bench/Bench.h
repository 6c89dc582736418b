// The benchmark subcommands of vellum-bench. Each takes the arguments after its own name,
// prints its figures to standard output and returns the program's exit status.
#pragma once

namespace vbench {

// vellum-bench archive [--mb N]: packing, extraction, listing and CRC-32 speed.
int RunArchive(int argc, char** argv);

}  // namespace vbench
