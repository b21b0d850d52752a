// What an interrupted run leaves behind: on SIGINT (Ctrl-C) or SIGTERM the progress line is
// erased and the temporary file being written removed; every finished file stays as it was.
#pragma once

namespace sheet {

// Installs the handler for SIGINT and SIGTERM, each unless it is ignored (as a shell ignores it
// for a job it starts in the background). The handler then ends the process by the same
// signal, so that a shell reports 130 or 143 and stops a script's loop as for any program.
void clean_up_on_interrupt();

}  // namespace sheet
