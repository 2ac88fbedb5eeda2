#pragma once
// The process's own heap: its setting, made once at the start of main (the
// program's and a benchmark's), never by a library on its own, and the
// return of what it holds free.
namespace zorbex {

// Each thread that allocates would otherwise get a malloc arena of its own,
// 64 MB of address space apiece that stays reserved after the thread ends: a
// process under an address-space limit, and the peak memory, pay for every
// one. With this the walk's readers share one arena besides the main one.
void LimitMallocArenas();

// Gives the heap's free pages back to the system. A process that stays
// (the watch) calls it when work is done and it goes to sleep: what a run
// freed otherwise stays resident in the arenas until the next one.
void ReturnFreeMemory();

}  // namespace zorbex
