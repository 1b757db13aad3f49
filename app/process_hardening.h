// Protections for a process that always runs as administrator, taken at
// the very start, before anything can load a DLL or open a file.
#pragma once

namespace hint {

// DLLs are looked up in the system directory only, never beside the program
// file (a download folder, say). Where the system offers it, the process
// also refuses to follow file-system redirections (junctions, mount points)
// that a non-administrator created.
void HardenProcess();

}  // namespace hint
