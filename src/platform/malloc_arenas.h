#pragma once
// A setting of the whole process, so made once at the start of main (the
// program's and a benchmark's), never by a library on its own.
namespace zorbex {

// Each thread that allocates would otherwise get a malloc arena of its own,
// 64 MB of address space apiece that stays reserved after the thread ends: a
// process under an address-space limit, and the peak memory, pay for every
// one. With this the walk's readers share one arena besides the main one.
void LimitMallocArenas();

}  // namespace zorbex
