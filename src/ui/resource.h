#pragma once
// Resource ids of Tavori.exe, shared by the resource script and the code.

// The program's icon: the lowest id, so the shell shows it for the executable.
#define IDI_APP 1
