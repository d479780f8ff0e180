#pragma once
// The two text fields: the simulator's install path and the blocked callsign.
#include <string>

class TextEditParameter;

// Enter in SIM_INSTALL_PATH with the typed text: an existing path is stored and the program
// restarts with it; a path that does not exist (or whose existence cannot be told) is refused;
// an empty text forgets the stored path.
void lf_installPathEntered(TextEditParameter& parameter, const std::string& text);
// Enter in BLOCK_CALLSIGN: 4 to 8 bytes, a to z upper-cased, stored and handed to the main loop;
// an empty field unblocks.
void lf_blockCallsign(TextEditParameter& parameter);
// Forgets the blocked callsign, when there is one.
void lf_unblockCallsign();
// True when the path named by the text (a Windows text mapped by the platform layer) exists;
// false also when the file system cannot tell.
bool lf_installPathExists(const std::string& text);
