#pragma once
// The program's answer to gf_requestExit while the exit procedure does not exist yet.
namespace ksb {
class ExitHandler;
}

// Posts EndProgram to the window for a final exit; a restart is only logged.
ksb::ExitHandler& gf_programExitHandler();
