#pragma once

namespace lumetta::ctl {

// Ctrl-C and termination requests only set a flag: long passes stop between profiles and the
// keyboard is always put back before the program ends.
void installInterruptHandlers();
bool interruptRequested();

} // namespace lumetta::ctl
